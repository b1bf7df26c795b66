"""The background: the panel, its section labels and the scales printed around each knob."""

import math

from canvas import Canvas, rgba
from geometry import (BYPASS_SWITCH, KNOBS, MIC_PRE_SWITCH, OVERSAMPLING_SWITCH, PANEL_SIZE,
                      PREAMP_DIVIDER, ROW_DIVIDERS, SCALE, SWITCH_DIVIDER, angle_at, polar)

INK = rgba("#ece7dc")
SCALE_INK = rgba("#cfcabe")
DIM_INK = rgba("#8f8b83")
RULE = rgba("#55585e")

TICK_INNER, TICK_OUTER = 50.0, 56.0
LABEL_SIZE = 14.5
LABEL_GAP = 3.5


def _panel(canvas):
    w, h = PANEL_SIZE
    steps = 64
    for i in range(steps):
        # A faint vertical gradient: a brushed panel catches more light at the top.
        t = i / (steps - 1)
        shade = tuple(round(a + (b - a) * t) for a, b in zip((44, 46, 50), (30, 31, 34))) + (255,)
        canvas.rect(0, h * i / steps, w, h * (i + 1) / steps + 1, fill=shade)
    canvas.rect(0, 0, w, 2, fill=rgba("#5d6066"))
    canvas.rect(0, 0, 2, h, fill=rgba("#4a4d52"))
    canvas.rect(w - 2, 0, w, h, fill=rgba("#121315"))
    canvas.rect(0, h - 2, w, h, fill=rgba("#121315"))
    for x, y in ((14, 14), (w - 14, 14), (14, h - 14), (w - 14, h - 14)):
        _screw(canvas, x, y)


def _screw(canvas, x, y):
    canvas.circle(x, y + 1, 7.5, fill=rgba("#111214"))
    canvas.circle(x, y, 7, fill=rgba("#8d9198"))
    canvas.circle(x, y, 5.8, fill=rgba("#a9adb3"))
    canvas.line(x - 4.5, y - 1.5, x + 4.5, y + 1.5, fill=rgba("#3d3f44"), width=1.8)


def _heading(canvas, y, text, x0, x1):
    """A section name centred on a rule that runs from x0 to x1."""
    size, tracking = 17, 2.4
    middle = (x0 + x1) / 2
    half = canvas.text_width(text, "bold", size, tracking) / 2 + 9
    canvas.rect(x0, y - 0.75, middle - half, y + 0.75, fill=RULE)
    canvas.rect(middle + half, y - 0.75, x1, y + 0.75, fill=RULE)
    canvas.text(middle, y + 0.5, text, "bold", size, INK, tracking=tracking)


def _knob_scale(canvas, knob):
    cx, cy = knob.centre
    for fraction, label in knob.marks:
        angle = angle_at(fraction)
        major = label is not None
        x0, y0 = polar(cx, cy, TICK_INNER, angle)
        x1, y1 = polar(cx, cy, TICK_OUTER if major else TICK_OUTER - 3, angle)
        canvas.line(x0, y0, x1, y1, fill=SCALE_INK if major else DIM_INK, width=2.2 if major else 1.5)
        if major:
            # Clear of the tick by the same gap whichever side of the knob the label is on.
            a = math.radians(angle)
            half_w, half_h = canvas.text_width(label, "condensed", LABEL_SIZE) / 2, 5.5
            radius = TICK_OUTER + LABEL_GAP + abs(math.sin(a)) * half_w + abs(math.cos(a)) * half_h
            x, y = polar(cx, cy, radius, angle)
            canvas.text(x, y, label, "condensed", LABEL_SIZE, SCALE_INK)
    canvas.text(cx, cy + 61, knob.unit, "condensed", 13, DIM_INK)


def _switch_labels(canvas, bounds, off_text, on_text):
    left, top, right, bottom = bounds
    middle_y = (top + bottom) / 2
    canvas.text(left - 7, middle_y, off_text, "medium", 13, DIM_INK, anchor="rm", tracking=0.8)
    canvas.text(right + 7, middle_y, on_text, "medium", 13, DIM_INK, anchor="lm", tracking=0.8)


def _brand(canvas):
    left, top, right, bottom = (31 * SCALE, 25 * SCALE, 108 * SCALE, 102 * SCALE)
    cx = (left + right) / 2
    canvas.rect(left - 6, top + 26, right + 6, bottom - 26, outline=RULE, width=1.5, radius=6)
    canvas.text(cx, top + 66, "TARNWHISTLE", "bold", 19, INK, tracking=1.0)
    canvas.text(cx, top + 90, "CHANNEL STRIP", "medium", 11, DIM_INK, tracking=2.6)


def _slot(canvas, bounds, text):
    """The recess the button sits in, named in case its picture is missing."""
    left, top, right, bottom = bounds
    canvas.rect(left - 2, top - 2, right + 2, bottom + 2, fill=rgba("#151618"), radius=(bottom - top) / 2 + 2)
    canvas.text((left + right) / 2, (top + bottom) / 2 + 0.5, text, "medium", 12.5, DIM_INK, tracking=1.2)


def draw_background():
    w, h = PANEL_SIZE
    canvas = Canvas(w, h)
    _panel(canvas)
    margin = 26
    for text, y in ROW_DIVIDERS.items():
        _heading(canvas, y * SCALE, text, margin, w - margin)
    _heading(canvas, PREAMP_DIVIDER * SCALE, "PREAMP", margin, w / 2 - 8)
    _heading(canvas, PREAMP_DIVIDER * SCALE, "TRIM", w / 2 + 8, w - margin)
    _heading(canvas, SWITCH_DIVIDER * SCALE, "MIC/LINE", margin, w / 2 - 8)
    _heading(canvas, SWITCH_DIVIDER * SCALE, "BYPASS", w / 2 + 8, w - margin)
    _switch_labels(canvas, MIC_PRE_SWITCH, "LINE", "MIC")
    _switch_labels(canvas, BYPASS_SWITCH, "OUT", "IN")
    _slot(canvas, OVERSAMPLING_SWITCH, "OVERSAMPLING")
    _brand(canvas)
    for knob in KNOBS.values():
        _knob_scale(canvas, knob)
    return canvas.picture()
