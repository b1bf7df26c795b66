"""The two-frame switches: frame 1 off, frame 2 on."""

from PIL import Image

from canvas import Canvas, rgba

AMBER = "#ffa23a"


def _slide_frame(width, height, on):
    """A slide switch: the slot glows amber and the slider sits right when on."""
    canvas = Canvas(width, height)
    slot = (5, 10, width - 5, height - 10)
    canvas.rect(slot[0] - 1, slot[1] - 1, slot[2] + 1, slot[3] + 1, fill=rgba("#3b3d42"),
                radius=(slot[3] - slot[1]) / 2 + 1)
    canvas.rect(*slot, fill=rgba("#0c0d0e"), radius=(slot[3] - slot[1]) / 2)
    if on:
        glow = canvas.layer()
        glow.rect(slot[0] + 2, slot[1] + 2, slot[2] - 2, slot[3] - 2, fill=rgba(AMBER, 255),
                  radius=(slot[3] - slot[1]) / 2 - 2)
        canvas.blend(glow, blur=1.5)
    slider_width = 34
    x0 = width - 3 - slider_width if on else 3
    shadow = canvas.layer()
    shadow.rect(x0, 5, x0 + slider_width, height - 2, fill=(0, 0, 0, 170), radius=6)
    canvas.blend(shadow, blur=2.0)
    canvas.rect(x0, 3, x0 + slider_width, height - 4, fill=rgba("#9fa3aa"), radius=6)
    canvas.rect(x0 + 1.5, 4.5, x0 + slider_width - 1.5, height - 5.5, fill=rgba("#c9ccd1"), radius=5)
    for i in range(-2, 3):
        x = x0 + slider_width / 2 + i * 5
        canvas.line(x, 12, x, height - 13, fill=rgba("#7d8188"), width=1.6)
    return canvas.picture()


def slide_switch_strip(frame_size):
    width, height = frame_size
    strip = Image.new("RGBA", (width, height * 2))
    for i, on in enumerate((False, True)):
        strip.paste(_slide_frame(width, height, on), (0, i * height))
    return strip


def _button_frame(width, height, text, on):
    """A slim lit button: an LED and its name, both lit when on."""
    canvas = Canvas(width, height)
    canvas.rect(0, 0, width, height, fill=rgba("#3b3d42"), radius=height / 2)
    canvas.rect(1, 1, width - 1, height - 1, fill=rgba("#141517"), radius=height / 2 - 1)
    led_x, led_y, led_r = 13, height / 2, 4.5
    if on:
        glow = canvas.layer()
        glow.circle(led_x, led_y, led_r + 2.5, fill=rgba(AMBER, 200))
        canvas.blend(glow, blur=2.0)
        canvas.circle(led_x, led_y, led_r, fill=rgba(AMBER))
        canvas.circle(led_x - 1.2, led_y - 1.2, 1.6, fill=rgba("#fff4dc"))
    else:
        canvas.circle(led_x, led_y, led_r, fill=rgba("#3a2a1c"))
    colour = rgba("#f6f1e6") if on else rgba("#8c8a85")
    canvas.text(width / 2 + 8, height / 2 + 0.5, text, "medium", 12.5, colour, tracking=1.2)
    return canvas.picture()


def button_strip(frame_size, text):
    width, height = frame_size
    strip = Image.new("RGBA", (width, height * 2))
    for i, on in enumerate((False, True)):
        strip.paste(_button_frame(width, height, text, on), (0, i * height))
    return strip
