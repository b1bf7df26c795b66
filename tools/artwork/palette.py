"""Reduces an RGBA picture to an 8-bit palette with per-entry transparency.

Median cut over the picture's colours in premultiplied space, so a faint shadow pixel
is matched by how it looks over the panel (nearly nothing), not by its hidden colour.
Written out here rather than taken from the imaging library so that the palette never
changes with the library's version."""

from PIL import Image


def _premultiplied(colour):
    r, g, b, a = colour
    return (r * a / 255.0, g * a / 255.0, b * a / 255.0, float(a))


class _Box:
    def __init__(self, entries):
        self.entries = entries  # (count, premultiplied, colour)
        self.extent, self.axis = max(
            (max(e[1][k] for e in entries) - min(e[1][k] for e in entries), k) for k in range(4))

    def split(self):
        ordered = sorted(self.entries, key=lambda e: (e[1][self.axis], e[2]))
        half, seen = sum(e[0] for e in ordered) / 2.0, 0
        for i, entry in enumerate(ordered):
            seen += entry[0]
            if seen >= half:
                cut = min(max(i + 1, 1), len(ordered) - 1)
                return _Box(ordered[:cut]), _Box(ordered[cut:])
        raise AssertionError("unreachable")

    def mean(self):
        total = sum(e[0] for e in self.entries)
        p = [sum(e[0] * e[1][k] for e in self.entries) / total for k in range(4)]
        alpha = round(p[3])
        if alpha == 0:
            return (0, 0, 0, 0)
        return tuple(min(255, round(v * 255.0 / p[3])) for v in p[:3]) + (alpha,)


def _palette(counted, size):
    if len(counted) <= size:
        return sorted(colour for _, colour in counted)
    boxes = [_Box([(n, _premultiplied(c), c) for n, c in counted])]
    while len(boxes) < size:
        widest = max(range(len(boxes)), key=lambda i: (boxes[i].extent, -i))
        if boxes[widest].extent == 0:
            break
        boxes[widest:widest + 1] = boxes[widest].split()
    return sorted(set(box.mean() for box in boxes))


def _nearest(colour, palette, premultiplied):
    p = _premultiplied(colour)
    return min(range(len(palette)),
               key=lambda i: sum((p[k] - premultiplied[i][k]) ** 2 for k in range(4)))


def to_palette(picture, size=256):
    """An image of mode P; its palette carries alpha (a tRNS chunk) where the picture has any."""
    counted = picture.getcolors(picture.width * picture.height)
    palette = _palette(counted, size)
    premultiplied = [_premultiplied(c) for c in palette]
    index = {colour: _nearest(colour, palette, premultiplied) for _, colour in counted}
    result = Image.new("P", picture.size)
    result.putdata([index[c] for c in picture.getdata()])
    if all(c[3] == 255 for c in palette):
        result.putpalette([v for c in palette for v in c[:3]])
    else:
        result.putpalette([v for c in palette for v in c], rawmode="RGBA")
    return result
