"""Supersampled drawing: everything is drawn at SUPERSAMPLE times the picture size and
box-filtered down, which anti-aliases edges, thin lines and text alike."""

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

SUPERSAMPLE = 4
FONT_DIR = "/usr/share/fonts/truetype/roboto/unhinted/"
FONTS = {
    "regular": FONT_DIR + "RobotoTTF/Roboto-Regular.ttf",
    "medium": FONT_DIR + "RobotoTTF/Roboto-Medium.ttf",
    "bold": FONT_DIR + "RobotoTTF/Roboto-Bold.ttf",
    "condensed": FONT_DIR + "RobotoCondensed-Regular.ttf",
    "condensed-bold": FONT_DIR + "RobotoCondensed-Bold.ttf",
}
_font_cache = {}


def font(name, size):
    key = (name, size)
    if key not in _font_cache:
        # The basic layout keeps the pixels independent of the shaping library.
        _font_cache[key] = ImageFont.truetype(FONTS[name], round(size * SUPERSAMPLE),
                                              layout_engine=ImageFont.Layout.BASIC)
    return _font_cache[key]


def rgba(hex_colour, alpha=255):
    value = int(hex_colour.lstrip("#"), 16)
    return (value >> 16 & 255, value >> 8 & 255, value & 255, alpha)


class Canvas:
    """An RGBA drawing surface addressed in picture pixels."""

    def __init__(self, width, height, fill=(0, 0, 0, 0), image=None):
        self.width, self.height = width, height
        self.image = image or Image.new("RGBA", (width * SUPERSAMPLE, height * SUPERSAMPLE), fill)

    @staticmethod
    def _s(*values):
        return [v * SUPERSAMPLE for v in values]

    def layer(self):
        """A transparent surface of the same size, to be composited with blend()."""
        return Canvas(self.width, self.height)

    def blend(self, other, blur=0.0):
        image = other.image
        if blur > 0:
            image = image.filter(ImageFilter.GaussianBlur(blur * SUPERSAMPLE))
        self.image = Image.alpha_composite(self.image, image)

    def clip_to_circle(self, cx, cy, r):
        """Makes everything outside the circle transparent."""
        mask = Image.new("L", self.image.size, 0)
        ImageDraw.Draw(mask).ellipse(self._s(cx - r, cy - r, cx + r, cy + r), fill=255)
        self.image.putalpha(ImageChops.multiply(self.image.getchannel("A"), mask))

    def copy(self):
        return Canvas(self.width, self.height, image=self.image.copy())

    def _draw(self):
        return ImageDraw.Draw(self.image)

    def circle(self, cx, cy, r, fill=None, outline=None, width=1.0):
        self._draw().ellipse(self._s(cx - r, cy - r, cx + r, cy + r), fill=fill, outline=outline,
                             width=round(width * SUPERSAMPLE))

    def rect(self, x0, y0, x1, y1, fill=None, outline=None, width=1.0, radius=0.0):
        self._draw().rounded_rectangle(self._s(x0, y0, x1, y1), radius=radius * SUPERSAMPLE,
                                       fill=fill, outline=outline,
                                       width=round(width * SUPERSAMPLE))

    def line(self, x0, y0, x1, y1, fill, width):
        """A straight stroke with round ends."""
        draw = self._draw()
        draw.line(self._s(x0, y0, x1, y1), fill=fill, width=round(width * SUPERSAMPLE))
        for x, y in ((x0, y0), (x1, y1)):
            r = width / 2
            draw.ellipse(self._s(x - r, y - r, x + r, y + r), fill=fill)

    def polygon(self, points, fill):
        self._draw().polygon([v * SUPERSAMPLE for p in points for v in p], fill=fill)

    def text(self, x, y, text, face, size, fill, anchor="mm", tracking=0.0):
        """Text anchored at (x, y); tracking adds that many pixels between letters."""
        f = font(face, size)
        draw = self._draw()
        if tracking == 0.0:
            draw.text(self._s(x, y), text, font=f, fill=fill, anchor=anchor)
            return
        advances = [f.getlength(c) + tracking * SUPERSAMPLE for c in text]
        total = sum(advances) - tracking * SUPERSAMPLE
        start = {"l": 0.0, "m": total / 2, "r": total}[anchor[0]]
        pen = x * SUPERSAMPLE - start
        for c, advance in zip(text, advances):
            draw.text((pen, y * SUPERSAMPLE), c, font=f, fill=fill, anchor="l" + anchor[1])
            pen += advance

    def text_width(self, text, face, size, tracking=0.0):
        f = font(face, size)
        return f.getlength(text) / SUPERSAMPLE + tracking * max(len(text) - 1, 0)

    def picture(self):
        """The finished picture at its own size."""
        return self.image.resize((self.width, self.height), Image.Resampling.BOX)
