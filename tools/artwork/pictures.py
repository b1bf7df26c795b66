"""The nine pictures of the editor, as the files the product loads."""

import io

from geometry import KNOBS, OVERSAMPLING_FRAME, SWITCH_FRAME
from knob import knob_strip
from palette import to_palette
from panel import draw_background
from switch import button_strip, slide_switch_strip

# Stored as 8-bit RGBA; every other picture is an 8-bit palette with transparency.
TRUE_COLOUR = {"SWITCH"}


def draw_pictures():
    """Name (without suffix) -> RGBA picture with its frames stacked top to bottom."""
    pictures = {"BG": draw_background(),
                "SWITCH": slide_switch_strip(SWITCH_FRAME),
                "OVER": button_strip(OVERSAMPLING_FRAME, "OVERSAMPLING")}
    for knob in KNOBS.values():
        if knob.picture not in pictures:
            pictures[knob.picture] = knob_strip(knob.picture, knob.frames, knob.size)
    return pictures


def encode(name, picture):
    """The PNG bytes of one picture."""
    if name not in TRUE_COLOUR:
        # One palette for the whole strip, so every frame shares its colours.
        picture = to_palette(picture)
    out = io.BytesIO()
    picture.save(out, "PNG", optimize=True)
    return out.getvalue()
