"""A picture of the whole strip as the editor shows it: three settings side by side."""

from PIL import Image

from geometry import BYPASS_SWITCH, KNOBS, MIC_PRE_SWITCH, OVERSAMPLING_SWITCH

SETTINGS = [
    {"knobs": 0.0, "switches": 0},
    {"knobs": 0.5, "switches": 1},
    {"knobs": 1.0, "switches": 0},
]


def _frame(strip, frames, index):
    height = strip.height // frames
    return strip.crop((0, index * height, strip.width, (index + 1) * height))


def _strip_at(folder, name, frames, value):
    """The frame the editor picks for a normalised value."""
    strip = Image.open("%s/%s@2x.png" % (folder, name)).convert("RGBA")
    return _frame(strip, frames, int(value * (frames - 1) + 0.5))


def write_preview(folder, path):
    background = Image.open(folder + "/BG@2x.png").convert("RGBA")
    shots = []
    for setting in SETTINGS:
        shot = background.copy()
        for knob in KNOBS.values():
            frame = _strip_at(folder, knob.picture, knob.frames, setting["knobs"])
            shot.alpha_composite(frame, (knob.bounds[0], knob.bounds[1]))
        for name, bounds in (("SWITCH", MIC_PRE_SWITCH), ("SWITCH", BYPASS_SWITCH),
                             ("OVER", OVERSAMPLING_SWITCH)):
            frame = _strip_at(folder, name, 2, setting["switches"])
            shot.alpha_composite(frame, (bounds[0], bounds[1]))
        shots.append(shot)
    gap = 16
    sheet = Image.new("RGBA", (len(shots) * (background.width + gap) - gap, background.height),
                      (255, 255, 255, 255))
    for i, shot in enumerate(shots):
        sheet.paste(shot, (i * (background.width + gap), 0))
    sheet.convert("RGB").save(path)
