#!/usr/bin/python3
"""The committed pictures are what tools/artwork/generate draws, in the sizes and frame
layout the editor loads them with, and their frames mean what the controls show."""

import math
import os
import subprocess
import sys
import tempfile
import unittest

from PIL import Image, ImageChops

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
RESOURCES = os.path.join(ROOT, "resources")

# name: (width, height, frames, PNG colour type: 3 palette, 6 RGBA)
PICTURES = {
    "BG": (496, 1324, 1, 3),
    "SWITCH": (84, 84, 2, 6),
    "OVER": (242, 40, 2, 3),
    "GAIN": (154, 9394, 61, 3),
    "TRIM": (154, 9394, 61, 3),
    "BGAIN": (154, 9394, 61, 3),
    "HPF": (152, 760, 5, 3),
    "LF": (154, 770, 5, 3),
    "MF": (154, 1078, 7, 3),
}
KNOBS = ["GAIN", "TRIM", "BGAIN", "HPF", "LF", "MF"]
# Beyond this distance from its centre a knob frame is clear, so the scale printed on the
# background around the knob stays visible.
KNOB_CLEAR_RADIUS = 52
# Within this radius only the pointer moves from frame to frame (the knurling lies outside).
POINTER_RADIUS = 30


def load(folder, name):
    return Image.open(os.path.join(folder, name + "@2x.png"))


def frames(picture, count):
    height = picture.height // count
    return [picture.crop((0, i * height, picture.width, (i + 1) * height)) for i in range(count)]


def luminance(picture):
    """Summed brightness of what the picture shows over black."""
    black = Image.new("RGBA", picture.size, (0, 0, 0, 255))
    return sum(Image.alpha_composite(black, picture).convert("L").getdata())


def pointer_angle(frame, others):
    """Clockwise from 12 o'clock, in degrees, of the pixels only this frame changes near the centre."""
    c = frame.width / 2
    differences = [ImageChops.difference(frame, other).convert("L").load() for other in others]
    sx = sy = n = 0
    for y in range(frame.height):
        for x in range(frame.width):
            dx, dy = x + 0.5 - c, y + 0.5 - c
            if dx * dx + dy * dy < POINTER_RADIUS ** 2 and all(d[x, y] > 0 for d in differences):
                sx, sy, n = sx + dx, sy + dy, n + 1
    if n == 0:
        return None
    return math.degrees(math.atan2(sx, -sy))


class ArtworkTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        generator = os.path.join(ROOT, "tools", "artwork", "generate")
        subprocess.run([sys.executable, generator, cls.tmp.name], check=True)

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def test_committed_files_are_the_generated_ones(self):
        self.assertEqual(sorted(os.listdir(RESOURCES)), sorted(os.listdir(self.tmp.name)))
        for name in PICTURES:
            with self.subTest(name):
                committed, drawn = load(RESOURCES, name), load(self.tmp.name, name)
                self.assertEqual(committed.convert("RGBA").tobytes(), drawn.convert("RGBA").tobytes())
        for name in ("Roboto-Regular.ttf", "Roboto-LICENSE.txt"):
            with self.subTest(name):
                with open(os.path.join(RESOURCES, name), "rb") as a, \
                        open(os.path.join(self.tmp.name, name), "rb") as b:
                    self.assertEqual(a.read(), b.read())

    def test_sizes_formats_and_frames(self):
        for name, (width, height, count, colour_type) in PICTURES.items():
            with self.subTest(name):
                with open(os.path.join(RESOURCES, name + "@2x.png"), "rb") as file:
                    header = file.read(26)
                self.assertEqual((header[24], header[25]), (8, colour_type), "bit depth, colour type")
                picture = load(RESOURCES, name)
                self.assertEqual(picture.size, (width, height))
                self.assertEqual(height % count, 0)
                shown = [f.tobytes() for f in frames(picture.convert("RGBA"), count)]
                self.assertEqual(len(set(shown)), count, "every frame differs from the others")

    def test_background_is_opaque(self):
        self.assertEqual(load(RESOURCES, "BG").convert("RGBA").getextrema()[3], (255, 255))

    def test_knob_frames_leave_the_printed_scale_visible(self):
        for name in KNOBS:
            width, _, count, _ = PICTURES[name]
            with self.subTest(name):
                for i, frame in enumerate(frames(load(RESOURCES, name).convert("RGBA"), count)):
                    alpha, c = frame.getchannel("A").load(), width / 2
                    covered = [(x, y) for y in range(width) for x in range(width)
                               if alpha[x, y] and math.hypot(x + 0.5 - c, y + 0.5 - c) > KNOB_CLEAR_RADIUS]
                    self.assertEqual(covered[:3], [], "frame %d" % (i + 1))

    def test_knob_pointer_sweeps_300_degrees_from_the_minimum(self):
        for name in KNOBS:
            _, _, count, _ = PICTURES[name]
            strip = frames(load(RESOURCES, name).convert("RGBA"), count)
            # Three frames far apart serve as references; each frame is compared with the two
            # farthest from it, where its pointer cannot be.
            references = [0, count // 2, count - 1]
            for i, frame in enumerate(strip):
                with self.subTest(name=name, frame=i + 1):
                    others = sorted(references, key=lambda r: -abs(r - i))[:2]
                    angle = pointer_angle(frame, [strip[r] for r in others])
                    self.assertIsNotNone(angle)
                    self.assertAlmostEqual(angle, -150 + 300 * i / (count - 1), delta=3)

    def test_switches_light_up_when_on(self):
        for name in ("SWITCH", "OVER"):
            with self.subTest(name):
                off, on = frames(load(RESOURCES, name).convert("RGBA"), 2)
                self.assertGreater(luminance(on), 1.1 * luminance(off))


if __name__ == "__main__":
    unittest.main()
