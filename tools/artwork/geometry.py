"""Where every control stands on the strip and what its printed scale says.

All positions are in picture pixels of the scale-2 artwork (editor units x 2).
"""

import math

SCALE = 2
PANEL_SIZE = (248 * SCALE, 662 * SCALE)

# The knob's pointer sweeps 300 degrees: frame 1 at 7 o'clock, the last frame at 5 o'clock.
SWEEP_START_DEG = -150.0
SWEEP_DEG = 300.0


def units(*values):
    return tuple(v * SCALE for v in values)


def angle_at(fraction):
    """Pointer angle in degrees, clockwise from 12 o'clock, for a normalised value."""
    return SWEEP_START_DEG + SWEEP_DEG * fraction


def polar(cx, cy, radius, degrees):
    a = math.radians(degrees)
    return cx + radius * math.sin(a), cy - radius * math.cos(a)


class Knob:
    """One knob of the layout: its strip, its bounds and the scale printed around it."""

    def __init__(self, picture, frames, bounds, marks, unit):
        self.picture = picture
        self.frames = frames
        self.bounds = units(*bounds)  # left, top, right, bottom
        self.marks = marks  # (normalised position, label or None for a minor tick)
        self.unit = unit

    @property
    def size(self):
        return self.bounds[2] - self.bounds[0]

    @property
    def centre(self):
        return ((self.bounds[0] + self.bounds[2]) / 2, (self.bounds[1] + self.bounds[3]) / 2)


def decibel_marks(range_db, label_step, tick_step):
    marks = []
    steps = int(round(2 * range_db / tick_step))
    for i in range(steps + 1):
        db = -range_db + i * tick_step
        label = None
        if abs(db / label_step - round(db / label_step)) < 1e-9:
            label = "0" if abs(db) < 1e-9 else ("+%g" % db if db > 0 else "\u2212%g" % -db)
        marks.append((i / steps, label))
    return marks


def selector_marks(display_texts, unit):
    """One labelled mark per position; the label is the display text without its unit."""
    last = len(display_texts) - 1
    return [(i / last, text[: -len(unit)] if text.endswith(unit) else text)
            for i, text in enumerate(display_texts)]


HIGH_PASS_TEXTS = ["OFF", "50Hz", "80Hz", "160Hz", "300Hz"]
LOW_FREQ_TEXTS = ["OFF", "35Hz", "60Hz", "110Hz", "220Hz"]
MID_FREQ_TEXTS = ["OFF", ".36kHz", ".7kHz", "1.6kHz", "3.2kHz", "4.8kHz", "7.2kHz"]

BAND_GAIN = decibel_marks(15, 5, 2.5)
PREAMP_GAIN = decibel_marks(24, 6, 3)

# The eleven controls' bounds in editor units, as the product's layout places them.
KNOBS = {
    "Preamp Gain": Knob("GAIN", 61, (31, 518, 108, 595), PREAMP_GAIN, "dB"),
    "Output Trim": Knob("TRIM", 61, (141, 518, 218, 595), PREAMP_GAIN, "dB"),
    "HighPass": Knob("HPF", 5, (31, 395, 107, 471), selector_marks(HIGH_PASS_TEXTS, "Hz"), "Hz"),
    "Low Freq": Knob("LF", 5, (31, 271, 108, 348), selector_marks(LOW_FREQ_TEXTS, "Hz"), "Hz"),
    "Low Gain": Knob("BGAIN", 61, (141, 271, 218, 348), BAND_GAIN, "dB"),
    "Mid Freq": Knob("MF", 7, (30, 150, 107, 227), selector_marks(MID_FREQ_TEXTS, "kHz"), "kHz"),
    "Mid Gain": Knob("BGAIN", 61, (141, 148, 218, 225), BAND_GAIN, "dB"),
    "High Gain": Knob("BGAIN", 61, (141, 25, 218, 102), BAND_GAIN, "dB"),
}

BYPASS_SWITCH = units(159, 621, 201, 642)
MIC_PRE_SWITCH = units(49, 621, 91, 642)
OVERSAMPLING_SWITCH = units(64, 647, 185, 657)
SWITCH_FRAME = units(42, 21)
OVERSAMPLING_FRAME = units(121, 10)

# Divider lines between the sections, in editor units (half way between the rows of knobs).
ROW_DIVIDERS = {"HIGH": 12, "MID": 125, "LOW": 249, "HIGH-PASS": 371.5}
PREAMP_DIVIDER = 494.5
SWITCH_DIVIDER = 608
