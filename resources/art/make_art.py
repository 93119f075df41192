#!/usr/bin/python3
"""Draws the programs' icons and bitmaps into resources/art/ (run with Debian's
python3 and python3-pil; the outputs are committed, so builds do not need Pillow).

Every picture shares one palette and one motif: a white quill over a deep blue
rounded square, with a small gold padlock for the encrypted container.
"""
import os
from PIL import Image, ImageDraw

HERE = os.path.dirname(os.path.abspath(__file__))
BLUE = (28, 64, 140, 255)
BLUE_DARK = (16, 38, 92, 255)
WHITE = (250, 250, 252, 255)
GOLD = (232, 178, 44, 255)
GOLD_DARK = (150, 104, 16, 255)
SIZES = (16, 24, 32, 48, 256)


def rounded_square(draw, size, fill, outline):
    r = size // 6
    draw.rounded_rectangle((0, 0, size - 1, size - 1), radius=r, fill=fill, outline=outline,
                           width=max(1, size // 32))


def quill(draw, s):
    """A feather from the top right to a nib at the bottom left, on a canvas of side s."""
    vane = [(0.86, 0.10), (0.70, 0.14), (0.52, 0.28), (0.38, 0.46), (0.30, 0.62),
            (0.36, 0.66), (0.50, 0.58), (0.66, 0.44), (0.80, 0.28)]
    draw.polygon([(x * s, y * s) for x, y in vane], fill=WHITE)
    draw.line([(0.86 * s, 0.10 * s), (0.22 * s, 0.80 * s)], fill=BLUE_DARK, width=max(1, s // 40))
    draw.polygon([(0.30 * s, 0.64 * s), (0.34 * s, 0.68 * s), (0.18 * s, 0.86 * s)], fill=WHITE)


def padlock(draw, s, x0, y0, w):
    """A gold padlock whose body is w wide with its top left corner at (x0, y0)."""
    h = w * 0.8
    t = max(1, int(w / 7))
    draw.arc((x0 + w * 0.18, y0 - h * 0.62, x0 + w * 0.82, y0 + h * 0.3), 180, 360, fill=GOLD_DARK, width=t)
    draw.rounded_rectangle((x0, y0, x0 + w, y0 + h), radius=max(1, int(w / 8)), fill=GOLD,
                           outline=GOLD_DARK, width=max(1, t // 2))
    cx, cy = x0 + w / 2, y0 + h * 0.42
    draw.ellipse((cx - w * 0.09, cy - w * 0.09, cx + w * 0.09, cy + w * 0.09), fill=GOLD_DARK)
    draw.rectangle((cx - w * 0.04, cy, cx + w * 0.04, cy + h * 0.32), fill=GOLD_DARK)


def program_icon(size):
    big = 256
    img = Image.new("RGBA", (big, big), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    rounded_square(d, big, BLUE, BLUE_DARK)
    quill(d, big)
    padlock(d, big, big * 0.56, big * 0.60, big * 0.32)
    return img.resize((size, size), Image.LANCZOS)


def save_icon(name, draw_at):
    images = [draw_at(s) for s in SIZES]
    path = os.path.join(HERE, name)
    images[-1].save(path, format="ICO", sizes=[(s, s) for s in SIZES], append_images=images[:-1])
    images[-1].resize((64, 64), Image.LANCZOS).save(os.path.join(HERE, "preview-" + name.replace(".ico", ".png")))


if __name__ == "__main__":
    save_icon("quillnox.ico", program_icon)
    print("written to", HERE)
