"""Knob film strips: a knurled black skirt with a coloured cap and a pointer line.

The light comes from the upper left and stays put while the knob turns; only the
pointer and the knurling rotate with the frame."""

from PIL import Image

from canvas import Canvas, rgba
from geometry import angle_at, polar

SKIRT_RADIUS = 44.0
CAP_RADIUS = 32.0
RIDGES = 36

# Cap and pointer colours per strip.
STYLES = {
    "GAIN": {"cap": "#b8342c", "pointer": "#fbf6ea"},
    "TRIM": {"cap": "#62666d", "pointer": "#fbf6ea"},
    "BGAIN": {"cap": "#d8d2c2", "pointer": "#16171a"},
    "LF": {"cap": "#2f5f97", "pointer": "#fbf6ea"},
    "MF": {"cap": "#2f5f97", "pointer": "#fbf6ea"},
    "HPF": {"cap": "#3d7a5b", "pointer": "#fbf6ea"},
}


def _shade(hex_colour, factor, alpha=255):
    r, g, b, _ = rgba(hex_colour)
    mix = (lambda v: min(255, round(v * factor))) if factor <= 1 else \
          (lambda v: round(v + (255 - v) * (factor - 1)))
    return (mix(r), mix(g), mix(b), alpha)


def _static_below(size, c):
    """Drop shadow and the skirt's body."""
    canvas = Canvas(size, size)
    shadow = canvas.layer()
    shadow.circle(c, c + 2, SKIRT_RADIUS + 0.5, fill=(0, 0, 0, 150))
    canvas.blend(shadow, blur=1.5)
    canvas.circle(c, c, SKIRT_RADIUS, fill=rgba("#1b1c1f"))
    canvas.circle(c, c, SKIRT_RADIUS - 1.0, fill=rgba("#26282c"))
    return canvas


def _static_cap(size, c, cap):
    """The cap with its bevel; lit from the upper left."""
    canvas = Canvas(size, size)
    canvas.circle(c, c, CAP_RADIUS + 3, fill=(0, 0, 0, 140))
    canvas.circle(c, c, CAP_RADIUS + 1, fill=_shade(cap, 0.55))
    canvas.circle(c, c, CAP_RADIUS, fill=rgba(cap))
    light = canvas.layer()
    light.circle(c - 9, c - 11, CAP_RADIUS * 0.75, fill=_shade(cap, 1.35, 120))
    canvas.blend(light, blur=7.0)
    canvas.clip_to_circle(c, c, CAP_RADIUS + 3)
    return canvas


def _static_above(size, c):
    """A faint specular rim along the skirt and its shaded lower right."""
    canvas = Canvas(size, size)
    canvas.circle(c, c, SKIRT_RADIUS - 0.5, outline=(255, 255, 255, 38), width=1.2)
    shade = canvas.layer()
    shade.circle(c, c, SKIRT_RADIUS, fill=(0, 0, 0, 110))
    shade.circle(c - 2.5, c - 3.5, SKIRT_RADIUS, fill=(0, 0, 0, 0))  # leaves a crescent
    canvas.blend(shade, blur=1.5)
    canvas.clip_to_circle(c, c, SKIRT_RADIUS)
    return canvas


def knob_frame(size, angle, style, below, cap, above):
    c = size / 2
    canvas = below.copy()
    for i in range(RIDGES):
        a = angle + i * 360.0 / RIDGES
        x0, y0 = polar(c, c, CAP_RADIUS + 4, a)
        x1, y1 = polar(c, c, SKIRT_RADIUS - 2.0, a)
        canvas.line(x0, y0, x1, y1, fill=rgba("#3a3c42"), width=1.6)
    canvas.blend(cap)
    x0, y0 = polar(c, c, 11.0, angle)
    x1, y1 = polar(c, c, SKIRT_RADIUS - 2.5, angle)
    canvas.line(x0, y0, x1, y1, fill=rgba(style["pointer"]), width=4.0)
    canvas.blend(above)
    return canvas.picture()


def knob_strip(picture, frames, size):
    """All frames stacked top to bottom, frame 1 at the minimum."""
    style = STYLES[picture]
    c = size / 2
    below, cap, above = _static_below(size, c), _static_cap(size, c, style["cap"]), _static_above(size, c)
    strip = Image.new("RGBA", (size, size * frames))
    for i in range(frames):
        angle = angle_at(i / (frames - 1))
        strip.paste(knob_frame(size, angle, style, below, cap, above), (0, i * size))
    return strip
