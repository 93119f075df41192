#!/usr/bin/python3
"""Draws the programs' icons, bitmaps and cursor into resources/art/ (run with Debian's
python3 and python3-pil; the outputs are committed, so builds do not need Pillow).

Every picture shares one palette and one motif: a white quill over a deep blue
rounded square, with a small gold padlock for the encrypted container.

Pictures are drawn at their final size. Shapes are placed on whole pixels and
rendered four times larger, then reduced by an exact factor of four (a box
filter), so straight edges stay sharp and only slanted edges get one pixel of
smoothing. Letters of the small buttons come from a hand-made 5 x 7 pixel font.

Outputs: bmp_<id>.bmp (24-bit), ico_<id>.ico (16, 24, 32, 48 as 32-bit DIBs with
their masks, 256 as PNG), cur_<id>.cur (monochrome), README.md (generated table),
preview-sheet.png (contact sheet for review).
"""
import os
import struct
import io
from PIL import Image, ImageDraw, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
SS = 4  # supersampling factor

BLUE = (28, 64, 140)
BLUE_DARK = (16, 38, 92)
BLUE_HOT = (46, 98, 196)
BLUE_LIGHT = (120, 156, 220)
WHITE = (250, 250, 252)
PAPER = (255, 255, 255)
GOLD = (232, 178, 44)
GOLD_DARK = (150, 104, 16)
GOLD_LIGHT = (255, 214, 110)
GREEN = (0, 160, 90)
RED = (200, 40, 40)
GREY_TILE = (218, 220, 226)
GREY_EDGE = (190, 193, 200)
GREY_GLYPH = (246, 246, 248)
GREY_MARK = (176, 178, 186)
SHADOW = (198, 204, 216)

FONT_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"

CATALOGUE = []  # (id, file, what it shows, size) for README.md
SHEET = []      # (label, image) for the contact sheet


# ---------------------------------------------------------------- drawing surface

class Pic:
    """A w x h picture in pixel coordinates, drawn SS times larger."""

    def __init__(self, w, h, bg=PAPER, mode="RGB"):
        self.w, self.h = w, h
        fill = bg if mode == "RGB" else (bg + (255,) if bg is not None else (0, 0, 0, 0))
        self.img = Image.new(mode, (w * SS, h * SS), fill)
        self.d = ImageDraw.Draw(self.img)

    @staticmethod
    def p(pts):
        return [(x * SS, y * SS) for x, y in pts]

    def rect(self, x0, y0, x1, y1, fill=None, outline=None, width=1, r=0):
        """Covers pixels x0..x1-1, y0..y1-1; an outline is width pixels inside."""
        box = (x0 * SS, y0 * SS, x1 * SS - 1, y1 * SS - 1)
        if r:
            self.d.rounded_rectangle(box, radius=r * SS, fill=fill, outline=outline, width=width * SS)
        else:
            self.d.rectangle(box, fill=fill, outline=outline, width=width * SS)

    def poly(self, pts, fill):
        self.d.polygon(self.p(pts), fill=fill)

    def line(self, pts, fill, width):
        self.d.line(self.p(pts), fill=fill, width=int(width * SS), joint="curve")

    def ellipse(self, x0, y0, x1, y1, fill=None, outline=None, width=1):
        self.d.ellipse((x0 * SS, y0 * SS, x1 * SS - 1, y1 * SS - 1), fill=fill, outline=outline,
                       width=int(width * SS))

    def arc(self, x0, y0, x1, y1, start, end, fill, width):
        self.d.arc((x0 * SS, y0 * SS, x1 * SS - 1, y1 * SS - 1), start, end, fill=fill,
                   width=int(width * SS))

    def done(self):
        return self.img.resize((self.w, self.h), Image.BOX)


# A 5 x 7 pixel font for the letters the small buttons need.
GLYPHS = {
    "D": ["XXXX.", "X...X", "X...X", "X...X", "X...X", "X...X", "XXXX."],
    "E": ["XXXXX", "X....", "X....", "XXXX.", "X....", "X....", "XXXXX"],
    "S": [".XXXX", "X....", "X....", ".XXX.", "....X", "....X", "XXXX."],
    "A": [".XXX.", "X...X", "X...X", "XXXXX", "X...X", "X...X", "X...X"],
}


def pixel_text(img, x, y, text, colour):
    px = img.load()
    for ch in text:
        for row, bits in enumerate(GLYPHS[ch]):
            for col, b in enumerate(bits):
                if b == "X":
                    px[x + col, y + row] = colour
        x += 6


def pixel_art(img, x, y, rows, colours):
    """Paints rows of characters; each character maps to a colour, '.' is left alone."""
    px = img.load()
    for j, row in enumerate(rows):
        for i, c in enumerate(row):
            if c in colours:
                px[x + i, y + j] = colours[c]


def text_size(font, text):
    box = font.getbbox(text)
    return box[2] - box[0], box[3] - box[1], box[0], box[1]


# ---------------------------------------------------------------- glyphs
# Each glyph is drawn into the square box (x, y, s) of a Pic with the colours of
# a palette: fg (the white of the motif), acc / acc_d (gold and its shade),
# ink (the dark blue used for lines on white).

def g_quill(p, x, y, s, c):
    vane = [(0.86, 0.10), (0.70, 0.14), (0.52, 0.28), (0.38, 0.46), (0.30, 0.62),
            (0.36, 0.66), (0.50, 0.58), (0.66, 0.44), (0.80, 0.28)]
    p.poly([(x + u * s, y + v * s) for u, v in vane], c["fg"])
    p.line([(x + 0.86 * s, y + 0.10 * s), (x + 0.24 * s, y + 0.78 * s)], c["ink"], max(1, s / 40))
    p.poly([(x + 0.30 * s, y + 0.64 * s), (x + 0.35 * s, y + 0.69 * s), (x + 0.16 * s, y + 0.88 * s)],
           c["fg"])


def g_padlock(p, x, y, w, c, open_=False):
    """A padlock whose body is w pixels wide, top left at (x, y); the shackle rises above."""
    w = int(round(w))
    h = max(3, int(round(w * 0.78)))
    t = max(1.0, w / 6)
    sx0, sx1 = x + w * 0.2, x + w * 0.8
    rise = w * 0.55
    if open_:
        sx0, sx1 = sx0 + w * 0.45, sx1 + w * 0.45
        rise = w * 0.62
    p.arc(sx0, y - rise, sx1, y + rise * 0.9, 180, 360, c["acc_d"], t)
    p.line([(sx0 + t / 2, y - rise * 0.05), (sx0 + t / 2, y + 1)], c["acc_d"], t) if not open_ else None
    p.line([(sx1 - t / 2, y - rise * 0.05), (sx1 - t / 2, y + 1)], c["acc_d"], t)
    p.rect(x, y, x + w, y + h, fill=c["acc"], outline=c["acc_d"], width=1, r=max(1, w // 8))
    kw = max(1, w // 6)
    kx = x + (w - kw) // 2
    p.rect(kx, y + h // 3, kx + kw, y + h - max(1, h // 4), fill=c["acc_d"])


def g_envelope(p, x, y, s, c):
    x0, y0, x1, y1 = x + round(s * 0.04), y + round(s * 0.2), x + s - round(s * 0.04), y + s - round(s * 0.2)
    p.rect(x0, y0, x1, y1, fill=c["fg"])
    t = max(1, s / 16)
    p.line([(x0 + 0.5, y0 + 0.5), ((x0 + x1) / 2, (y0 + y1) / 2 + s * 0.06), (x1 - 0.5, y0 + 0.5)], c["ink"], t)


def g_reply(p, x, y, s, c):
    """An envelope at the lower right with a gold arrow turning back to the left above it."""
    g_envelope(p, x + s * 0.22, y + s * 0.26, round(s * 0.78), c)
    t = max(2, round(s / 7))
    # the arrow: a head pointing left, a short shaft, then a quarter turn down to the envelope
    ty = y + s * 0.12
    box = (x + s * 0.16, ty, x + s * 0.86, ty + s * 0.70)
    hx = x + s * 0.34
    cx = x + s * 0.51
    p.line([(hx, ty + t / 2), (cx, ty + t / 2)], c["acc_d"], t + 2)
    p.arc(*box, 270, 360, c["acc_d"], t + 2)
    p.line([(hx, ty + t / 2), (cx, ty + t / 2)], c["acc"], t)
    p.arc(*box, 270, 360, c["acc"], t)
    hy = ty + t / 2
    p.poly([(x + s * 0.02, hy), (hx + 1, hy - s * 0.19), (hx + 1, hy + s * 0.19)], c["acc_d"])
    p.poly([(x + s * 0.07, hy), (hx, hy - s * 0.15), (hx, hy + s * 0.15)], c["acc"])


def g_send(p, x, y, s, c):
    g_envelope(p, x, y + s * 0.02, round(s * 0.86), c)
    g_padlock(p, x + s * 0.58, y + s * 0.58, s * 0.40, c)


def g_page(p, x, y, s, c, lines=True):
    x0, y0, x1, y1 = x + round(s * 0.16), y + round(s * 0.04), x + s - round(s * 0.16), y + s - round(s * 0.04)
    f = round(s * 0.26)
    p.poly([(x0, y0), (x1 - f, y0), (x1, y0 + f), (x1, y1), (x0, y1)], c["fg"])
    p.poly([(x1 - f, y0), (x1 - f, y0 + f), (x1, y0 + f)], c["fold"])
    if lines:
        lw = max(1, round(s / 20))
        for k in range(3):
            ly = y0 + f + round(s * 0.12) + k * round(s * 0.14)
            p.rect(x0 + round(s * 0.1), ly, x1 - round(s * 0.1) - (round(s * 0.18) if k == 2 else 0), ly + lw,
                   fill=c["ink"])


def g_open_file(p, x, y, s, c):
    g_page(p, x - s * 0.08, y, s, c)
    g_padlock(p, x + s * 0.5, y + s * 0.6, s * 0.38, c, open_=True)


def g_disk(p, x, y, s, c):
    x0, y0, x1, y1 = x + round(s * 0.08), y + round(s * 0.08), x + s - round(s * 0.08), y + s - round(s * 0.08)
    cut = round(s * 0.16)
    p.poly([(x0, y0), (x1 - cut, y0), (x1, y0 + cut), (x1, y1), (x0, y1)], c["fg"])
    # shutter at the top, label at the bottom
    p.rect(x0 + round(s * 0.2), y0, x1 - round(s * 0.26), y0 + round(s * 0.3), fill=c["ink"])
    p.rect(x0 + round(s * 0.46), y0 + round(s * 0.05), x0 + round(s * 0.46) + max(1, round(s * 0.1)),
           y0 + round(s * 0.25), fill=c["fg"])
    p.rect(x0 + round(s * 0.12), y1 - round(s * 0.38), x1 - round(s * 0.12), y1 - round(s * 0.06),
           fill=c["acc"], outline=c["acc_d"])


def g_power(p, x, y, s, c):
    t = max(2, round(s / 7))
    m = round(s * 0.12)
    p.arc(x + m, y + m, x + s - m, y + s - m, 300, 240 + 360, c["fg"], t)
    cx = x + s // 2
    p.rect(cx - t // 2 - (t % 2 and 0), y + round(s * 0.02), cx - t // 2 + t, y + s // 2, fill=c["fg"])


def g_folder(p, x, y, s, c):
    x0, y0, x1, y1 = x + round(s * 0.04), y + round(s * 0.16), x + s - round(s * 0.04), y + s - round(s * 0.14)
    tab = round(s * 0.36)
    p.poly([(x0, y0), (x0 + tab, y0), (x0 + tab + round(s * 0.1), y0 + round(s * 0.1)), (x1 - round(s * 0.08),
            y0 + round(s * 0.1)), (x1 - round(s * 0.08), y1), (x0, y1)], c["fold"])
    p.poly([(x0 + round(s * 0.16), y0 + round(s * 0.32)), (x1 + round(s * 0.02), y0 + round(s * 0.32)),
            (x1 - round(s * 0.12), y1), (x0, y1)], c["fg"])


def g_new(p, x, y, s, c):
    g_page(p, x - s * 0.06, y, s, c, lines=False)
    # a four-pointed gold spark at the lower right
    cx, cy, r, q = x + s * 0.70, y + s * 0.66, s * 0.30, s * 0.08
    p.poly([(cx, cy - r), (cx + q, cy - q), (cx + r, cy), (cx + q, cy + q), (cx, cy + r), (cx - q, cy + q),
            (cx - r, cy), (cx - q, cy - q)], c["acc"])


def g_key(p, x, y, s, c):
    """A gold key lying flat: the ring at the left, the bit's two teeth hanging from the shaft."""
    t = max(2, round(s * 0.16))
    cy = y + round(s * 0.42)
    rr = round(s * 0.25)
    cx = x + rr + max(1, round(s * 0.02))
    sx0, sx1 = cx + rr - 1, x + s
    p.rect(sx0, cy - t // 2, sx1, cy - t // 2 + t, fill=c["acc"], outline=c["acc_d"])
    tw = max(2, round(s * 0.12))
    for tx in (x + s - tw - max(1, round(s * 0.04)), x + s - 2 * tw - max(2, round(s * 0.14))):
        p.rect(tx, cy - t // 2 + t - 1, tx + tw, cy - t // 2 + t + round(s * 0.2), fill=c["acc"], outline=c["acc_d"])
    p.rect(sx0, cy - t // 2 + 1, sx0 + 2, cy - t // 2 + t - 1, fill=c["acc"])
    p.ellipse(cx - rr, cy - rr, cx + rr + 1, cy + rr + 1, fill=c["acc"], outline=c["acc_d"], width=1)
    h = max(1, round(rr * 0.7))
    p.ellipse(cx - h // 2 - rr * 0.25, cy - h // 2, cx - h // 2 - rr * 0.25 + h, cy - h // 2 + h, fill=c["hole"],
              outline=c["acc_d"], width=1 if s >= 24 else 0.5)


def g_window(p, x, y, s, c):
    """A program window (the self-extracting package) with a padlock."""
    x0, y0, x1, y1 = x + round(s * 0.02), y + round(s * 0.1), x + s - round(s * 0.14), y + s - round(s * 0.2)
    p.rect(x0, y0, x1, y1, fill=c["fg"], outline=c["ink"], width=1)
    p.rect(x0, y0, x1, y0 + max(2, round(s * 0.18)), fill=c["ink"])
    g_padlock(p, x + s * 0.54, y + s * 0.58, s * 0.42, c)


# ---------------------------------------------------------------- palettes and states

def palette(kind):
    base = {"fg": WHITE, "acc": GOLD, "acc_d": GOLD_DARK, "ink": BLUE_DARK, "fold": BLUE_LIGHT,
            "hole": BLUE}
    if kind == "hot":
        base["hole"] = BLUE_HOT
    elif kind == "pressed":
        base.update(acc=GOLD_LIGHT, hole=BLUE_DARK)
    elif kind == "disabled":
        base.update(fg=GREY_GLYPH, acc=GREY_MARK, acc_d=(150, 152, 160), ink=GREY_MARK, fold=(200, 202, 208),
                    hole=GREY_TILE)
    elif kind == "off":  # a toggle switched off: light tile, muted glyph
        base.update(fg=(255, 255, 255), acc=(196, 198, 206), acc_d=(150, 154, 166), ink=(120, 136, 170),
                    fold=(200, 210, 228), hole=(236, 240, 248))
    return base


def tile_button(size, glyph, state, style="on", bg=PAPER):
    """A button picture: a rounded tile with a drop shadow that the pressed look sinks into.

    normal   blue tile, white glyph, shadow below right
    hot      brighter blue tile with a gold rim
    pressed  dark tile moved onto its shadow, glyph moved with it
    disabled flat grey tile and grey glyph, no shadow
    A toggle that is off ("off" style) uses a light tile with a blue rim instead of the blue tile.
    """
    sh = 2 if size >= 32 else 1
    t = size - sh
    r = max(2, size // 7)
    p = Pic(size, size, bg)
    ox = oy = 0
    if state == "pressed":
        ox = oy = sh
    if state in ("normal", "hot"):
        p.rect(sh, sh, size, size, fill=SHADOW, r=r)
    if style == "off" and state != "disabled":
        fill = {"normal": (236, 240, 248), "hot": (246, 248, 252), "pressed": (214, 222, 238)}[state]
        rim = GOLD if state == "hot" else BLUE
        p.rect(ox, oy, ox + t, oy + t, fill=fill, outline=rim, width=2 if state == "hot" else 1, r=r)
        pal = palette("off")
    else:
        fill = {"normal": BLUE, "hot": BLUE_HOT, "pressed": BLUE_DARK, "disabled": GREY_TILE}[state]
        rim = {"normal": BLUE_DARK, "hot": GOLD, "pressed": BLUE_DARK, "disabled": GREY_EDGE}[state]
        p.rect(ox, oy, ox + t, oy + t, fill=fill, outline=rim, width=2 if (state == "hot" and size >= 32) else 1,
               r=r)
        pal = palette({"normal": "normal", "hot": "hot", "pressed": "pressed", "disabled": "disabled"}[state])
    m = round(t * 0.2)
    glyph(p, ox + m, oy + m, t - 2 * m, pal)
    return p.done()


def algo_button(text, state):
    """24 x 11 pill naming the algorithm in pixel letters."""
    w, h = 24, 11
    p = Pic(w, h, PAPER)
    fill = {"normal": BLUE, "hot": BLUE_HOT, "pressed": BLUE_DARK}[state]
    rim = {"normal": BLUE_DARK, "hot": GOLD, "pressed": GOLD_DARK}[state]
    p.rect(0, 0, w, h, fill=fill, outline=rim, r=3)
    img = p.done()
    ink = GOLD_LIGHT if state == "pressed" else (255, 255, 255)
    pixel_text(img, (w - 17) // 2, 2, text, ink)
    return img


# ---------------------------------------------------------------- banner band

BAND_H = 29


def band_row_colour(y):
    """Colour of row y of the 29-pixel band behind the banner, its filler and the help button."""
    if y == 0:
        return BLUE_HOT
    if y == BAND_H - 2:
        return BLUE_DARK
    if y == BAND_H - 1:
        return GOLD
    # a gentle darkening from top to bottom
    f = (y - 1) / (BAND_H - 3)
    return tuple(round(a + (b - a) * f) for a, b in zip((40, 86, 176), BLUE))


def band(w):
    img = Image.new("RGB", (w, BAND_H))
    px = img.load()
    for y in range(BAND_H):
        col = band_row_colour(y)
        for x in range(w):
            px[x, y] = col
    return img


def quill_mark(img, x, y, s):
    """The quill and padlock without their tile, pasted onto img at (x, y), s pixels square."""
    p = Pic(s, s, None, mode="RGBA")
    c = palette("normal")
    c["ink"] = BLUE_DARK
    g_quill(p, 0, 0, s, c)
    g_padlock(p, round(s * 0.58), round(s * 0.60), s * 0.34, c)
    mark = p.done()
    img.paste(mark, (x, y), mark)


def banner(w, title, subtitle):
    img = band(w)
    quill_mark(img, 6, 2, 24)
    d = ImageDraw.Draw(img)
    f1 = ImageFont.truetype(FONT_BOLD, 16)
    tw, th, bx, by = text_size(f1, title)
    d.text((36 - bx, 5 - by), title, font=f1, fill=(255, 255, 255))
    if subtitle:
        f2 = ImageFont.truetype(FONT, 10)
        sw, sh_, sbx, sby = text_size(f2, subtitle)
        d.text((36 + tw + 8 - sbx, 5 + th - sh_ - sby), subtitle, font=f2, fill=(190, 208, 240))
    return img


def help_button(state):
    """The "?" button lies on the band at its rows 4..25 (y 14 in the window, band at y 10)."""
    s = 22
    img = Image.new("RGB", (s, s))
    px = img.load()
    for y in range(s):
        col = band_row_colour(y + 4)
        for x in range(s):
            px[x, y] = col
    p = Pic(s, s, None, mode="RGBA")
    o = 1 if state == "pressed" else 0
    fill = (214, 224, 244) if state == "pressed" else (255, 255, 255)
    p.ellipse(1 + o, 1 + o, 21 + o, 21 + o, fill=fill, outline=GOLD, width=1)
    disk = p.done()
    img.paste(disk, (0, 0), disk)
    d = ImageDraw.Draw(img)
    f = ImageFont.truetype(FONT_BOLD, 15)
    tw, th, bx, by = text_size(f, "?")
    d.text((1 + o + (20 - tw) // 2 - bx, 1 + o + (20 - th) // 2 - by), "?", font=f, fill=BLUE)
    return img


# ---------------------------------------------------------------- small menu pictures (13 x 13)
# Menu check images are SM_CXMENUCHECK x SM_CYMENUCHECK, 13 x 13 at 96 DPI.

def menu_about():
    img = Image.new("RGB", (13, 13), PAPER)
    p = Pic(13, 13, PAPER)
    p.rect(0, 0, 13, 13, fill=BLUE, outline=BLUE_DARK, r=2)
    img = p.done()
    pixel_art(img, 0, 0, [
        ".............",
        ".............",
        "......G......",
        ".............",
        ".....WW......",
        "......W......",
        "......W......",
        "......W......",
        "......W......",
        ".....WWW.....",
        ".............",
        ".............",
        ".............",
    ], {"W": (255, 255, 255), "G": GOLD})
    return img


def menu_list():
    img = Image.new("RGB", (13, 13), PAPER)
    pixel_art(img, 0, 0, [
        ".............",
        "BBBBBBBBBBBB.",
        "BWWWWWWWWWWB.",
        "BWGGWbbbbbWB.",
        "BWGGWWWWWWWB.",
        "BWWWWWWWWWWB.",
        "BWGGWbbbbbWB.",
        "BWGGWWWWWWWB.",
        "BWWWWWWWWWWB.",
        "BWGGWbbbbbWB.",
        "BWGGWWWWWWWB.",
        "BWWWWWWWWWWB.",
        "BBBBBBBBBBBB.",
    ], {"B": BLUE_DARK, "W": (255, 255, 255), "G": GOLD, "b": BLUE_LIGHT})
    return img


def menu_manual():
    img = Image.new("RGB", (13, 13), PAPER)
    pixel_art(img, 0, 0, [
        ".........DD..",
        "........DGGD.",
        ".......DGGGD.",
        "......DGGGD..",
        ".....DGGGD...",
        "....DGGGD....",
        "...DGGGD.....",
        "..DGGGD......",
        "..DWGD.......",
        "..DWD........",
        "..DD.........",
        ".............",
        "BBBBBBBBBB...",
    ], {"D": GOLD_DARK, "G": GOLD, "W": (255, 255, 255), "B": BLUE})
    return img


# ---------------------------------------------------------------- cursor

HAND = [
    "......XX..........",
    ".....XooX.........",
    ".....XooX.........",
    ".....XooX.........",
    ".....XooX.........",
    ".....XooXXX.......",
    ".....XooXooXXX....",
    ".....XooXooXooXX..",
    ".XX..XooXooXooXoX.",
    "XooX.XooooooooXooX",
    "XoooXXoooooooooooX",
    ".XooXXoooooooooooX",
    "..XoXooooooooooooX",
    "..XooooooooooooooX",
    "...XoooooooooooooX",
    "...XooooooooooooX.",
    "....XoooooooooooX.",
    "....XooooooooooX..",
    ".....XoooooooooX..",
    ".....XoooooooooX..",
    ".....XXXXXXXXXXX..",
]
HAND_HOTSPOT = (6, 0)


# ---------------------------------------------------------------- icons

def icon_tile(p, s, c_fill=BLUE, c_edge=BLUE_DARK):
    r = max(2, s // 6)
    p.rect(0, 0, s, s, fill=c_fill + (255,), outline=c_edge + (255,), width=max(1, s // 32), r=r)


def rgba(c):
    return {k: v + (255,) for k, v in c.items()}


def icon_program(s):
    p = Pic(s, s, None, mode="RGBA")
    icon_tile(p, s)
    c = rgba(palette("normal"))
    g_quill(p, 0, 0, s, c)
    g_padlock(p, round(s * 0.56), round(s * 0.60), max(5, round(s * 0.32)), c)
    return p.done()


def icon_key(s):
    p = Pic(s, s, None, mode="RGBA")
    icon_tile(p, s)
    c = rgba(palette("normal"))
    m = round(s * 0.12)
    g_key(p, m, m, s - 2 * m, c)
    return p.done()


def icon_lock(s):
    p = Pic(s, s, None, mode="RGBA")
    icon_tile(p, s)
    c = rgba(palette("normal"))
    w = round(s * 0.56)
    g_padlock(p, (s - w) // 2, round(s * 0.42), w, c)
    return p.done()


def icon_mail(s):
    p = Pic(s, s, None, mode="RGBA")
    icon_tile(p, s)
    c = rgba(palette("normal"))
    m = round(s * 0.08)
    g_send(p, m, m + round(s * 0.02), s - 2 * m, c)
    return p.done()


def icon_document(s):
    """The .vek container: a white page with a folded corner, the blue quill and a gold padlock."""
    p = Pic(s, s, None, mode="RGBA")
    x0, x1 = round(s * 0.12), s - round(s * 0.12)
    y0, y1 = 0, s
    f = round(s * 0.28)
    edge = BLUE_DARK + (255,)
    p.poly([(x0, y0), (x1 - f, y0), (x1, y0 + f), (x1, y1), (x0, y1)], edge)
    b = max(1, s // 32)
    p.poly([(x0 + b, y0 + b), (x1 - f - b * 0.4, y0 + b), (x1 - b, y0 + f + b * 0.4), (x1 - b, y1 - b),
            (x0 + b, y1 - b)], PAPER + (255,))
    p.poly([(x1 - f, y0), (x1 - f, y0 + f), (x1, y0 + f)], BLUE_LIGHT + (255,))
    c = rgba(palette("normal"))
    c["fg"] = BLUE + (255,)
    c["ink"] = BLUE_DARK + (255,)
    q = round(s * 0.66)
    g_quill(p, x0 + max(1, s // 16), round(s * 0.18), q, c)
    g_padlock(p, round(s * 0.50), round(s * 0.62), max(5, round(s * 0.30)), c)
    return p.done()


ICON_SIZES = (16, 24, 32, 48, 256)


def ico_bytes(images, hotspots=None):
    """An .ico (or, with hotspots, a .cur) holding the given RGBA or 1-bit pictures."""
    entries, blobs = [], []
    for img in images:
        w, h = img.size
        if img.mode == "1":
            blob = mono_dib(img)
            bits = 1
        elif w >= 256:
            buf = io.BytesIO()
            img.save(buf, format="PNG")
            blob = buf.getvalue()
            bits = 32
        else:
            blob = rgba_dib(img)
            bits = 32
        entries.append((w, h, bits))
        blobs.append(blob)
    kind = 2 if hotspots else 1
    out = bytearray(struct.pack("<HHH", 0, kind, len(images)))
    offset = 6 + 16 * len(images)
    for i, ((w, h, bits), blob) in enumerate(zip(entries, blobs)):
        if hotspots:
            a, b = hotspots[i]
        else:
            a, b = 1, bits
        colours = 2 if bits == 1 else 0
        out += struct.pack("<BBBBHHII", w % 256, h % 256, colours, 0, a, b, len(blob), offset)
        offset += len(blob)
    for blob in blobs:
        out += blob
    return bytes(out)


def and_mask(img, transparent):
    w, h = img.size
    stride = ((w + 31) // 32) * 4
    rows = []
    for y in range(h - 1, -1, -1):
        row = bytearray(stride)
        for x in range(w):
            if transparent(x, y):
                row[x // 8] |= 0x80 >> (x % 8)
        rows.append(bytes(row))
    return b"".join(rows)


def rgba_dib(img):
    w, h = img.size
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    raw = img.tobytes("raw", "BGRA")
    rows = [raw[y * w * 4:(y + 1) * w * 4] for y in range(h - 1, -1, -1)]
    px = img.load()
    mask = and_mask(img, lambda x, y: px[x, y][3] == 0)
    return header + b"".join(rows) + mask


def mono_dib(img):
    """img: mode '1' picture of the white parts plus img.info['mask'] (a set of opaque pixels)."""
    w, h = img.size
    opaque = img.info["opaque"]
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 1, 0, 0, 0, 0, 2, 0)
    pal = struct.pack("<BBBB", 0, 0, 0, 0) + struct.pack("<BBBB", 255, 255, 255, 0)
    px = img.load()
    xor = and_mask(img, lambda x, y: px[x, y] != 0)
    mask = and_mask(img, lambda x, y: (x, y) not in opaque)
    return header + pal + xor + mask


def hand_cursor():
    img = Image.new("1", (32, 32), 0)
    px = img.load()
    opaque = set()
    for y, row in enumerate(HAND):
        for x, ch in enumerate(row):
            if ch in "Xo":
                opaque.add((x, y))
                px[x, y] = 1 if ch == "o" else 0
    img.info["opaque"] = opaque
    return img


# ---------------------------------------------------------------- output

def save_bmp(num, img, what):
    name = "bmp_%d.bmp" % num
    img.convert("RGB").save(os.path.join(HERE, name), format="BMP")
    CATALOGUE.append((num, name, what, "%d x %d" % img.size))
    SHEET.append((str(num), img.convert("RGB")))


def save_ico(num, draw, what):
    name = "ico_%d.ico" % num
    images = [draw(s) for s in ICON_SIZES]
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(ico_bytes(images))
    CATALOGUE.append((num, name, what, "/".join(str(s) for s in ICON_SIZES)))
    for img in images[:4]:
        flat = Image.new("RGB", img.size, (236, 236, 236))
        flat.paste(img, (0, 0), img)
        SHEET.append(("i%d@%d" % (num, img.size[0]), flat))


def save_cur(num, img, hotspot, what):
    name = "cur_%d.cur" % num
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(ico_bytes([img], hotspots=[hotspot]))
    CATALOGUE.append((num, name, what, "32 x 32, hot spot %d,%d" % hotspot))
    view = Image.new("RGB", (32, 32), (236, 236, 236))
    vpx = view.load()
    for (x, y) in img.info["opaque"]:
        vpx[x, y] = (255, 255, 255) if img.getpixel((x, y)) else (0, 0, 0)
    SHEET.append(("c%d" % num, view))


# The main window's image buttons. Sizes come from the window's layout rules:
#   Reply 1118, Send 1112 / Open 1117, Encrypt-Decrypt 1114, Quit 1116 : 40 x 40
#   Open file 1106, New document 1125, key 1102                        : 27 x 27
#   self-extracting toggle 1244 (on) / 1245 (off)                      : 27 x 27
#   access password 1242 (set) / 1243 (not set)                        : 24 x 24
#   algorithm 1240 (DES) / 1241 (AES)                                   : 24 x 11
#   help 1281                                                          : 22 x 22
# Each row: control, glyph, size, style, then the bitmap numbers for normal,
# hover, pressed and disabled. A state whose number repeats an earlier one of
# the row is the same picture, so it is drawn once.
BUTTONS = [
    (1118, "reply", g_reply, 40, "on", (448, 446, 447, 449)),
    (1112, "encrypt and mail", g_send, 40, "on", (418, 419, 417, 418)),
    (1117, "decrypt and open", g_open_file, 40, "on", (428, 427, 429, 462)),
    (1114, "encrypt / decrypt locally", g_disk, 40, "on", (415, 416, 422, 415)),
    (1116, "quit", g_power, 40, "on", (421, 414, 423, 421)),
    (1106, "browse files to encrypt", g_folder, 27, "on", (409, 410, 411, 409)),
    (1102, "key menu", g_key, 27, "on", (412, 413, 408, 412)),
    (1242, "access password set", lambda p, x, y, s, c: g_padlock(p, x + round(s * 0.12), y + round(s * 0.4),
                                                                   round(s * 0.76), c), 24, "on",
     (432, 431, 433, 432)),
    (1243, "no access password", lambda p, x, y, s, c: g_padlock(p, x - round(s * 0.1), y + round(s * 0.4),
                                                                  round(s * 0.76), c, open_=True), 24, "off",
     (443, 442, 444, 443)),
    (1125, "new document", g_new, 27, "on", (452, 450, 451, 453)),
    (1244, "self-extracting on", g_window, 27, "on", (496, 495, 500, 501)),
    (1245, "self-extracting off", g_window, 27, "off", (498, 499, 497, 501)),
]
STATES = ("normal", "hot", "pressed", "disabled")


def main_window_art():
    seen = set()
    for ctl, what, glyph, size, style, ids in BUTTONS:
        for state, num in zip(STATES, ids):
            if num in seen:
                continue
            seen.add(num)
            save_bmp(num, tile_button(size, glyph, state, style), "%d %s, %s" % (ctl, what, state.replace("hot", "hover")))
    for ctl, text, ids in ((1240, "DES", (437, 438, 441)), (1241, "AES", (440, 436, 439))):
        for state, num in zip(STATES, ids):
            seen.add(num)
            save_bmp(num, algo_button(text, state), "%d algorithm %s, %s (disabled = normal)" % (ctl, text, state.replace("hot", "hover")))
    for state, num in (("normal", 488), ("pressed", 489)):
        seen.add(num)
        save_bmp(num, help_button(state), "1281 help, %s" % ("normal, hover and disabled" if num == 488
                                                                else "pressed"))
    assert len(seen) == 48, len(seen)

    # Banner 472 lies at the left of the window's top band (x 0, y 10); the filler
    # 430 is picture 1265, stretched over the rest: (b, 10), (W - b) x 29. Every
    # column of the filler is the same, so stretching or clipping it is invisible.
    # b = 240 leaves the help button (W - 23, 14) on the filler down to the
    # smallest window (client width about 324 for a 340-pixel frame).
    save_bmp(472, banner(240, "Quillnox", "secure mail"), "main window banner (picture 1266)")
    save_bmp(430, band(1024), "band filler right of the banner (picture 1265), uniform columns")
    save_bmp(307, menu_about(), "system menu \"About...\" check image (13 x 13 = menu check size)")
    save_bmp(355, menu_list(), "key menu \"List...\" (13 x 13 = menu check size)")
    save_bmp(356, menu_manual(), "key menu \"Manual\" (13 x 13 = menu check size)")
    save_cur(424, hand_cursor(), HAND_HOTSPOT, "hand cursor over link captions")
    # Icons of the program, in resource order: the file association names
    # "Quillnox.exe,4", so the fifth (ico_124) is the container's document icon.
    save_ico(120, icon_program, "program icon (index 0)")
    save_ico(121, icon_key, "passphrases (index 1)")
    save_ico(122, icon_lock, "access password (index 2)")
    save_ico(123, icon_mail, "encrypted mail (index 3)")
    save_ico(124, icon_document, ".vek document (index 4, \"Quillnox.exe,4\")")


# ---------------------------------------------------------------- progress dialog, About box

def status_image(kind):
    """Status of a progress row. Its control is 10 x 9 dialog units, 15 x 15 pixels in
    MS Sans Serif 8 (10 * 6 / 4 and 9 * 13 / 8), beside a bar 16 pixels high. The badge
    fills the whole square, so no background shows whatever the dialog's colour."""
    s = 15
    fill, edge = {
        "pending": ((220, 224, 232), (150, 156, 172)),
        "done": ((0, 160, 90), (0, 100, 56)),
        "failed": ((204, 44, 44), (124, 20, 20)),
    }[kind]
    p = Pic(s, s, fill)
    p.rect(0, 0, s, s, fill=fill, outline=edge)
    white = (255, 255, 255)
    if kind == "done":
        p.line([(3.5, 7.5), (6, 10.5), (11.5, 4)], white, 2)
    elif kind == "failed":
        p.line([(4.5, 4.5), (10.5, 10.5)], white, 2)
        p.line([(10.5, 4.5), (4.5, 10.5)], white, 2)
    else:
        for cx in (4, 7, 10):
            p.rect(cx, 7, cx + 1, 8, fill=(110, 118, 140))
    return p.done()


def about_bullet():
    """9 x 9 bullet of the About box's feature lines: a blue square with a gold heart, no background."""
    img = Image.new("RGB", (9, 9), BLUE)
    d = ImageDraw.Draw(img)
    d.rectangle((0, 0, 8, 8), fill=BLUE, outline=BLUE_DARK)
    d.rectangle((3, 3, 5, 5), fill=GOLD)
    return img


def progress_art():
    # The progress dialog is 196 x 98 dialog units in MS Sans Serif 8 (base units
    # 6 x 13 pixels at 96 DPI): the banner's 18 units are 18 * 13 / 8 = 29 pixels,
    # the width 196 * 6 / 4 = 294 pixels. The picture is 320 wide with a plain
    # right end, so a slightly wider dialog still shows no gap and a narrower one
    # clips only band.
    save_bmp(487, banner(320, "Quillnox", None), "progress dialog banner (top 18 units)")
    save_bmp(288, status_image("failed"), "progress row failed (its control is 10 x 9 units)")
    save_bmp(289, status_image("done"), "progress row done")
    save_bmp(290, status_image("pending"), "progress row pending")
    save_bmp(491, about_bullet(), "About box bullet before each feature line")


# ---------------------------------------------------------------- setup and extractor

def g_install(p, x, y, s, c):
    """A gold arrow down into a white tray."""
    t = max(1, round(s * 0.12))
    p.rect(x + round(s * 0.08), y + s - round(s * 0.3), x + s - round(s * 0.08), y + s - round(s * 0.08),
           fill=c["fg"], outline=c["ink"], width=1)
    cx = x + s / 2
    p.rect(round(cx - s * 0.1), y, round(cx + s * 0.1), y + round(s * 0.42), fill=c["acc"])
    p.poly([(cx - s * 0.32, y + s * 0.36), (cx + s * 0.32, y + s * 0.36), (cx, y + s * 0.74)], c["acc"])
    p.line([(cx - s * 0.32, y + s * 0.36), (cx, y + s * 0.74), (cx + s * 0.32, y + s * 0.36)], c["acc_d"],
           max(1, t / 2))


def icon_setup(s):
    p = Pic(s, s, None, mode="RGBA")
    icon_tile(p, s)
    c = rgba(palette("normal"))
    g_quill(p, -round(s * 0.06), 0, round(s * 0.9), c)
    m = round(s * 0.46)
    g_install(p, s - m - max(1, s // 12), s - m - max(1, s // 12), m, c)
    return p.done()


def icon_extractor(s):
    p = Pic(s, s, None, mode="RGBA")
    icon_tile(p, s)
    c = rgba(palette("normal"))
    m = round(s * 0.12)
    g_open_file(p, m, m, s - 2 * m, c)
    return p.done()


def install_picture():
    """19 x 19: a square blue tile (no corners to show a background) with the install arrow."""
    p = Pic(19, 19, BLUE)
    p.rect(0, 0, 19, 19, fill=BLUE, outline=BLUE_DARK)
    g_install(p, 3, 2, 13, palette("normal"))
    return p.done()


def header_picture():
    """49 x 49 picture at the right of the white header band of the wizard's pages."""
    p = Pic(49, 49, PAPER)
    p.rect(2, 2, 47, 47, fill=BLUE, outline=BLUE_DARK, r=7)
    c = palette("normal")
    g_quill(p, 2, 2, 45, c)
    g_install(p, 25, 23, 19, c)
    return p.done()


def side_picture():
    """164 x 314 panel at the left of the finish page (the page is 330 x 193 units: 495 x 314 pixels)."""
    w, h = 164, 314
    img = Image.new("RGB", (w, h))
    px = img.load()
    for y in range(h):
        f = y / (h - 1)
        col = tuple(round(a + (b - a) * f) for a, b in zip((40, 86, 176), BLUE_DARK))
        for x in range(w):
            px[x, y] = col
    for y in range(h):
        px[w - 1, y] = GOLD
    quill_mark(img, 26, 40, 112)
    d = ImageDraw.Draw(img)
    f = ImageFont.truetype(FONT_BOLD, 20)
    tw, th, bx, by = text_size(f, "Quillnox")
    d.text(((w - tw) // 2 - bx, 180 - by), "Quillnox", font=f, fill=(255, 255, 255))
    f2 = ImageFont.truetype(FONT, 11)
    for i, line in enumerate(("Passphrase protection", "for text, files and mail")):
        lw, lh, lbx, lby = text_size(f2, line)
        d.text(((w - lw) // 2 - lbx, 212 + i * 16 - lby), line, font=f2, fill=(190, 208, 240))
    return img


def setup_art():
    save_ico(129, icon_setup, "setup: wizard frame and program icon")
    save_bmp(227, install_picture(), "setup: installation page picture (first 19 x 19 painted)")
    save_bmp(228, header_picture(), "setup: header picture of the folder and installation pages")
    save_bmp(229, side_picture(), "setup: finish page side panel")


def extractor_art():
    save_ico(102, icon_extractor, "self-extractor program icon")


# ---------------------------------------------------------------- review sheet and table

def contact_sheet(path):
    zoom = 3
    cells = []
    for label, img in SHEET:
        w, h = img.size
        z = zoom if max(w, h) <= 64 else 1
        if w > 600:
            img = img.crop((0, 0, 300, h))
            w = 300
        cells.append((label, img.resize((w * z, h * z), Image.NEAREST), img if z > 1 else Image.new("RGB", (0, 0))))
    font = ImageFont.truetype(FONT, 11)
    width = 1200
    x = y = 8
    row_h = 0
    placed = []
    for label, big, small in cells:
        cw = max(big.size[0] + small.size[0] + 6, 60)
        if x + cw > width - 8:
            x = 8
            y += row_h + 8
            row_h = 0
        placed.append((x, y, label, big, small))
        x += cw + 12
        row_h = max(row_h, big.size[1] + 16)
    sheet = Image.new("RGB", (width, y + row_h + 8), (255, 255, 255))
    d = ImageDraw.Draw(sheet)
    for x, y, label, big, small in placed:
        sheet.paste(big, (x, y))
        sheet.paste(small, (x + big.size[0] + 6, y))
        d.text((x, y + big.size[1] + 2), label, font=font, fill=(0, 0, 0))
    sheet.save(path)


def write_rc(path, program, entries):
    """An .rc fragment that a program's resource script includes for its artwork."""
    kinds = {"bmp": "BITMAP", "ico": "ICON", "cur": "CURSOR"}
    lines = ["// Artwork of %s, written by resources/art/make_art.py (do not edit)." % program,
             "// Icons are listed by ascending number; that is their index order in the program.", ""]
    for num, name, what, size in sorted(entries, key=lambda e: (e[1][:3], e[0])):
        lines.append("%-5d %-6s \"resources/art/%s\"" % (num, kinds[name[:3]], name))
    with open(path, "w") as f:
        f.write("\n".join(lines) + "\n")


def mock_main_window(path, W=324, H=401):
    """The main window's client area laid out by its rules, for judging the pictures together."""
    def bmp(num):
        return Image.open(os.path.join(HERE, "bmp_%d.bmp" % num)).convert("RGB")
    img = Image.new("RGB", (W, H), PAPER)
    d = ImageDraw.Draw(img)
    img.paste(bmp(472), (0, 10))
    img.paste(bmp(430).crop((0, 0, W - 240, 29)), (240, 10))
    img.paste(bmp(488), (W - 23, 14))
    img.paste(bmp(409), (6, 51))
    img.paste(bmp(452), (6, 88))
    L = 17
    light = (248, 248, 248)
    d.rectangle((42, 55, W - 5, 55 + L + 4 - 1), fill=PAPER, outline=(128, 128, 128))
    d.rectangle((42, L + 64, W - 5, L + 64 + H - L - 153 - 1), fill=PAPER, outline=(128, 128, 128))
    d.rectangle((42, H - 84, W - 5, H - 84 + 19), fill=light, outline=(128, 128, 128))
    f = ImageFont.truetype(FONT, 11)
    d.text((46, H - 82), "Password", font=f, fill=(0, 0, 0))
    d.text((46, L + 68), "Dear Ann, the report is attached.", font=f, fill=(0, 0, 0))
    img.paste(bmp(412), (7, H - 89))
    c = (W - 42) // 2
    for (num, cap), off in zip(((448, "Reply"), (419, "Send"), (415, "Encrypt"), (421, "Quit")), (-114, -48, 18, 84)):
        img.paste(bmp(num), (c + off + 42, H - 60))
        tw = d.textlength(cap, font=f)
        d.text((c + off + 62 - tw / 2, H - 18), cap, font=f, fill=(0, 0, 255) if num == 419 else (0, 0, 0))
    img.paste(bmp(437), (8, H - 109))
    img.paste(bmp(498), (8, H - 140))
    img.paste(bmp(443), (8, H - 170))
    img.save(path)


def mock_progress(path):
    """The progress dialog (196 x 98 units: 294 x 159 pixels) with one row of each status."""
    def bmp(num):
        return Image.open(os.path.join(HERE, "bmp_%d.bmp" % num)).convert("RGB")
    img = Image.new("RGB", (294, 159), (240, 240, 240))
    d = ImageDraw.Draw(img)
    img.paste(bmp(487).crop((0, 0, 294, 29)), (0, 0))
    f = ImageFont.truetype(FONT, 11)
    for (label, num, fill), y in zip((("Decryption", 289, 150), ("Signature", 288, 90), ("Decompression", 290, 0)),
                                     (27, 41, 55)):
        py = y * 13 // 8
        d.text((15, py), label, font=f, fill=(0, 0, 0))
        d.rectangle((105, py, 105 + 149, py + 15), fill=(255, 255, 255), outline=(160, 160, 160))
        if fill:
            d.rectangle((106, py + 1, 105 + fill - 1, py + 14), fill=(0, 192, 112))
        img.paste(bmp(num), (262, py))
    d.line((4, 73 * 13 // 8, 289, 73 * 13 // 8), fill=(160, 160, 160))
    d.rectangle((214, 128, 288, 150), fill=(225, 225, 225), outline=(120, 120, 120))
    d.text((232, 132), "Cancel", font=f, fill=(0, 0, 0))
    img.save(path)


def write_readme():
    lines = [
        "# Artwork",
        "",
        "Drawn by `make_art.py` (Debian's `/usr/bin/python3` with `python3-pil`); the",
        "files here are its committed outputs, so builds never need Pillow. Run",
        "`/usr/bin/python3 resources/art/make_art.py` after changing a picture and",
        "look at `preview-sheet.png` (each picture three times enlarged, then at 1:1).",
        "",
        "Bitmaps are 24-bit. The main window paints its own white background, and the",
        "button pictures carry that white (the help button carries the band behind it),",
        "so transparent loading leaves them as drawn.",
        "",
        "Each program's resource script includes its generated fragment",
        "(`#include \"resources/art/vek_art.rc\"` for Quillnox.exe) and lists none of",
        "these numbers itself. Icons go in by ascending number, which is their index",
        "order in the program: ico_120 is index 0 (the program icon, also copied to",
        "quillnox.ico for older scripts) and ico_124 is index 4, the `.vek` document",
        "icon that the file association names as \"Quillnox.exe,4\". A new icon of",
        "Quillnox.exe must take a number above 124.",
        "",
        "Main window placement the pictures are sized for: banner 472 (240 x 29) at",
        "client (0, 10); filler 430 as picture 1265 at (240, 10), (W - 240) x 29, every",
        "column alike so it may be stretched or clipped; help button 1281 (22 x 22) at",
        "(W - 23, 14) lies on the band, whose rows 4 to 25 its picture repeats.",
        "",
        "Other programs: `extractor_art.rc` (icon 102 and the progress dialog's 487 and",
        "288 to 290; the extractor has no icon 120, so its progress dialog takes 102) and",
        "`setup_art.rc` (icon 129, bitmap 227 and the page pictures 228 and 229).",
        "Numbers the programs' descriptions leave open were chosen here: 491 (About",
        "bullet), 121 to 123 (the icons between the program's and the document's),",
        "228 and 229 (setup's header picture, 49 x 49, and finish-page panel, 164 x 314).",
        "",
        "Why 24-bit and not a colour key: transparent loading swaps the key colour for",
        "the window colour, which is not what lies behind the help button (the band), the",
        "progress images (button face) or a menu. The pictures instead carry their exact",
        "background or fill their whole square.",
        "",
        "`preview-main-window.png` and `preview-progress.png` put the pictures where the",
        "layout rules place them, for judging them together.",
        "",
        "| id | file | shows | size |",
        "|---|---|---|---|",
    ]
    for num, name, what, size in CATALOGUE:
        lines.append("| %d | %s | %s | %s |" % (num, name, what, size))
    lines += [
        "",
        "## Main window buttons by state",
        "",
        "| control | normal | hover | pressed | disabled |",
        "|---|---|---|---|---|",
    ]
    for ctl, what, glyph, size, style, ids in BUTTONS:
        lines.append("| %d %s | %d | %d | %d | %d |" % ((ctl, what) + ids))
    lines += [
        "| 1240 algorithm DES | 437 | 438 | 441 | 437 |",
        "| 1241 algorithm AES | 440 | 436 | 439 | 440 |",
        "| 1281 help | 488 | 488 | 489 | 488 |",
        "",
        "Looks: normal = blue tile with a shadow; hover = brighter tile with a gold rim;",
        "pressed = dark tile sunk onto its shadow (one or two pixels down and right);",
        "disabled = flat grey tile. Toggles that are off (1243 no password, 1245 not",
        "self-extracting) use a light tile with a blue rim and a muted glyph.",
        "",
    ]
    with open(os.path.join(HERE, "README.md"), "w") as f:
        f.write("\n".join(lines))


if __name__ == "__main__":
    main_window_art()
    # Earlier resource scripts name the program icon by this file.
    with open(os.path.join(HERE, "ico_120.ico"), "rb") as f, open(os.path.join(HERE, "quillnox.ico"), "wb") as g:
        g.write(f.read())
    progress_art()
    vek = list(CATALOGUE)
    write_rc(os.path.join(HERE, "vek_art.rc"), "Quillnox.exe", vek)
    n = len(CATALOGUE)
    extractor_art()
    # The extractor shows the same progress dialog: banner and row images.
    write_rc(os.path.join(HERE, "extractor_art.rc"), "the self-extractor",
             CATALOGUE[n:] + [e for e in vek if e[0] in (487, 288, 289, 290)])
    n = len(CATALOGUE)
    setup_art()
    write_rc(os.path.join(HERE, "setup_art.rc"), "setup", CATALOGUE[n:])
    contact_sheet(os.path.join(HERE, "preview-sheet.png"))
    mock_main_window(os.path.join(HERE, "preview-main-window.png"))
    mock_progress(os.path.join(HERE, "preview-progress.png"))
    write_readme()
    print("written to", HERE)
