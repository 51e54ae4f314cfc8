#!/usr/bin/env python3
"""Builds the Zelvo desktop theme folder: Zelvo.the and every file it names.

    theme/generate.py [OUTDIR] [--saver PATH]

OUTDIR defaults to build/theme/Zelvo under the repository.  The folder gets,
flat beside the theme file (as the installer expects its sources):

  Zelvo.the                 the theme file, copied byte for byte from theme/
  Zelvo Wallpaper.bmp       640x480 desert wallpaper, 8 bits per pixel
  Zelvo Computer.ico        desktop icons, 32x32 in 16 colours: My Computer,
  Zelvo Network.ico           Network Neighborhood, and the Recycle Bin
  Zelvo Bin Empty.ico         empty and full
  Zelvo Bin Full.ico
  Zelvo Start.wav           sounds for start-up, exit and the asterisk
  Zelvo Exit.wav              event, 16-bit mono PCM at 22050 Hz
  Zelvo Ding.wav
  Zelvo Logo.sys            start-up screen and the two shut-down screens
  Zelvo Wait.sys              ("please wait" and "safe to turn off"),
  Zelvo Safe.sys              320x400 8-bit BMPs
  DejaVuSansMono.ttf        a free font, copied from Debian's fonts-dejavu-core,
  DejaVu Font License.txt     with its licence
  ZelvoSav.scr              the screen saver, copied from --saver, or from
                              build/win32 when it has been built

The pictures reuse the turtle and the shape painter of saver/assets/generate.py.
Only the standard library is used and nothing depends on time or chance, so two
runs give the same files.
"""

import math
import os
import shutil
import struct
import sys
import wave

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(ROOT, "saver", "assets"))

from generate import (BELLY, BLACK, Canvas, Capsule, Clip, Ellipse, OUTLINE,  # noqa: E402
                      Polygon, RED, SHELL_DARK, SHELL_LIGHT, SHELL_MID, SKIN,
                      SKIN_SHADE, SPRITE_COLOURS, Union, WHITE, bmp_file, draw_text,
                      draw_turtle, icon_file, text_width)

THEME_FILE = os.path.join(HERE, "Zelvo.the")
DEFAULT_OUT = os.path.join(ROOT, "build", "theme", "Zelvo")
DEFAULT_SAVER = os.path.join(ROOT, "build", "win32", "ZelvoSav.scr")
SAVER_NAME = "ZelvoSav.scr"

FONT_FILE = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf"
FONT_LICENCE = "/usr/share/doc/fonts-dejavu-core/copyright"
FONT_PACKAGE = "fonts-dejavu-core"

# ---------------------------------------------------------------------------
# Small helpers shared by the pictures.

# 4x4 ordered-dither thresholds, so gradients step smoothly in few colours.
BAYER4 = [[0, 8, 2, 10], [12, 4, 14, 6], [3, 11, 1, 9], [15, 7, 13, 5]]


def blend(a, b, t):
    return tuple(int(round(x + (y - x) * t)) for x, y in zip(a, b))


def gradient(cv, first, steps, y0, y1, x_range=None):
    """Fills rows y0..y1-1 with palette entries first..first+steps-1, dithered."""
    xs = range(cv.w) if x_range is None else x_range
    span = max(1, y1 - y0 - 1)
    for j in range(y0, y1):
        level = (j - y0) / span * (steps - 1)
        base = int(level)
        frac = level - base
        row = cv.px[j]
        for i in xs:
            step = base + (1 if frac * 16 > BAYER4[j & 3][i & 3] + 0.5 else 0)
            row[i] = first + min(steps - 1, step)


def cactus(x, base, height, arms):
    """A saguaro: a trunk from (x, base) up `height`, and arms given as
    (height on the trunk, side -1 or 1, reach, rise)."""
    w = height * 0.11
    parts = [Capsule(x, base, x, base - height, w)]
    for at, side, reach, rise in arms:
        y = base - at
        ex = x + side * reach
        parts.append(Capsule(x, y, ex, y, w * 0.75))
        parts.append(Capsule(ex, y, ex, y - rise, w * 0.75))
    return Union(*parts)


def cactus_colour(x0, dark, mid, light):
    def colour(x, y):
        # Ribs: light and shade stripes across the trunk, lit from the left.
        d = (x - x0) % 6.0
        if d < 1.2:
            return dark
        if x < x0 - 2 and d > 3.5:
            return light
        return mid
    return colour


# ---------------------------------------------------------------------------
# The wallpaper: Zelvo running across a warm desert at sunrise, saguaros and
# tufts of grass, footprints behind him.  The left side stays calm for the
# desktop icons.

WALL_W, WALL_H = 640, 480
SKY_STEPS = 32
SKY_TOP = (190, 214, 196)     # sage
SKY_LOW = (252, 230, 190)     # warm peach at the horizon


def full_palette(pal, named):
    """pal with the named colours added and black up to 256 entries; and the index of
    each named colour."""
    index = {}
    for name, rgb in named:
        index[name] = len(pal)
        pal.append(rgb)
    pal += [(0, 0, 0)] * (256 - len(pal))
    return pal, index


def wallpaper_palette():
    pal = list(SPRITE_COLOURS)  # 0..15: the turtle's own colours
    for k in range(SKY_STEPS):
        pal.append(blend(SKY_TOP, SKY_LOW, k / (SKY_STEPS - 1)))
    named = [
        ("sun", (255, 246, 208)), ("sun_rim", (253, 220, 150)),
        ("mesa_far", (206, 168, 148)), ("mesa", (184, 134, 108)), ("mesa_shade", (158, 110, 88)),
        ("dune_far", (222, 186, 140)), ("dune", (214, 174, 128)), ("sand", (230, 200, 160)),
        ("sand_light", (240, 216, 180)), ("sand_dark", (205, 154, 103)),
        ("shadow", (176, 132, 92)), ("print", (190, 146, 104)), ("pebble", (160, 120, 84)),
        ("cactus_dark", (40, 96, 44)), ("cactus", (72, 140, 60)), ("cactus_light", (128, 184, 92)),
        ("cactus_line", (28, 64, 32)), ("grass", (104, 150, 60)), ("grass_dark", (70, 112, 46)),
        ("flower", (236, 80, 96)), ("cloud", (255, 250, 236)), ("cloud_shade", (236, 222, 206)),
    ]
    return full_palette(pal, named)


def wallpaper():
    pal, c = wallpaper_palette()
    sky0 = len(SPRITE_COLOURS)
    cv = Canvas(WALL_W, WALL_H)
    horizon = 300
    gradient(cv, sky0, SKY_STEPS, 0, horizon + 20)
    for j in range(horizon + 20, WALL_H):
        cv.px[j] = [c["sand"]] * WALL_W

    # Sun low in the sky, and a few soft clouds.
    cv.fill(Ellipse(500, 118, 48, 48), c["sun"])
    cv.fill(Clip(Ellipse(500, 118, 48, 48), Polygon([(440, 128), (560, 116), (560, 170), (440, 170)])),
            c["sun_rim"])
    for cx, cy, s in ((170, 80, 1.0), (380, 52, 0.7), (600, 190, 0.6)):
        puffs = Union(Ellipse(cx, cy, 44 * s, 12 * s), Ellipse(cx - 18 * s, cy - 8 * s, 20 * s, 12 * s),
                      Ellipse(cx + 14 * s, cy - 11 * s, 22 * s, 14 * s))
        cv.fill(puffs, c["cloud"])
        cv.fill(Clip(puffs, Ellipse(cx, cy + 9 * s, 60 * s, 8 * s)), c["cloud_shade"])

    # Mesas on the horizon, the far ones paler.
    cv.fill(Polygon([(210, 301), (236, 262), (300, 258), (322, 301)]), c["mesa_far"])
    cv.fill(Polygon([(540, 301), (556, 276), (602, 273), (618, 301)]), c["mesa_far"])
    mesa = Polygon([(330, 302), (352, 236), (372, 230), (446, 232), (462, 240), (488, 302)])
    cv.fill(mesa, c["mesa"])
    cv.fill(Clip(mesa, Polygon([(420, 228), (470, 228), (492, 304), (440, 304)])), c["mesa_shade"])
    for y in (250, 266, 284):
        cv.line(346, y, 476, y + 1, c["mesa_shade"], 0.6)

    # Dunes, far to near.
    cv.fill(Union(Ellipse(100, 318, 190, 26), Ellipse(420, 322, 260, 30)), c["dune_far"])
    cv.fill(Union(Ellipse(-20, 340, 200, 34), Ellipse(300, 350, 190, 30), Ellipse(640, 338, 150, 30)),
            c["dune"])
    cv.fill(Ellipse(320, 500, 520, 140), c["sand"])
    cv.fill(Union(Ellipse(200, 530, 300, 110), Ellipse(620, 540, 170, 120)), c["sand_light"])
    for x0, x1, y in ((90, 190, 404), (240, 330, 452), (520, 610, 470), (130, 210, 468), (560, 630, 392)):
        cv.line(x0, y, x1, y - 3, c["sand_dark"], 0.7)

    # Saguaros: one far, one near on the right behind Zelvo, one near the left
    # edge below the icons' usual column.
    for x, base, h, arms in ((262, 326, 34, [(18, -1, 6, 8), (22, 1, 5, 6)]),
                             (598, 412, 120, [(60, -1, 18, 30), (78, 1, 14, 22)]),
                             (168, 372, 74, [(36, 1, 13, 20), (44, -1, 11, 14)])):
        shape = cactus(x, base, h, arms)
        cv.fill(shape, cactus_colour(x, c["cactus_dark"], c["cactus"], c["cactus_light"]), c["cactus_line"])
        cv.fill(Ellipse(x, base + 2, h * 0.22, h * 0.04), c["shadow"])

    # Tufts of grass with a few pink flowers.
    for x, y, s in ((120, 430, 1.0), (300, 392, 0.8), (470, 446, 1.1), (620, 455, 0.9), (230, 345, 0.6),
                    (420, 360, 0.6), (60, 470, 1.2)):
        for k in range(-3, 4):
            cv.line(x + k * 2.2 * s, y, x + k * 5 * s, y - (12 - abs(k) * 2) * s,
                    c["grass"] if k % 2 else c["grass_dark"], 0.9 * s)
        if s >= 0.9:
            cv.fill(Ellipse(x + 4 * s, y - 10 * s, 2.2 * s, 2.2 * s), c["flower"])
    for x, y, r in ((96, 396, 2.5), (252, 420, 3.0), (352, 470, 2.2), (540, 430, 2.8), (40, 436, 2.0)):
        cv.fill(Ellipse(x, y, r * 1.6, r), c["pebble"])

    # Footprints trailing back from Zelvo's feet, and his shadow.
    for k in range(8):
        fx = 350 - k * 30
        fy = 446 - k * 7 + (6 if k % 2 else 0)
        cv.fill(Ellipse(fx, fy, 5.5, 2.4, -8), c["print"])
    cv.fill(Ellipse(436, 456, 70, 9), c["shadow"])

    # Zelvo himself, big, mid-stride with his dust trail.
    cv.view(3.6, 260.0, 205.0)
    draw_turtle(cv, 2, dust=True)
    cv.view(1.0, 0.0, 0.0)
    return bmp_file(WALL_W, WALL_H, pal, cv.px)


# ---------------------------------------------------------------------------
# The start-up screen.  Windows shows the 320x400 picture at 640x400, each
# pixel twice as wide as it is tall, so it is painted at 640x400 and then every
# other column is kept.

LOGO_W, LOGO_H = 320, 400


LOGO_SKY_STEPS = 40  # the dusk colours of the screens' sky


def logo_palette():
    pal = list(SPRITE_COLOURS)
    for k in range(LOGO_SKY_STEPS):
        pal.append(blend((36, 70, 44), (232, 196, 140), k / (LOGO_SKY_STEPS - 1)))   # dusk sky
    names = [("sand", (214, 174, 128)), ("sand_dark", (176, 132, 92)), ("ink", (92, 52, 24)),
             ("cream", (255, 244, 210)), ("shadow", (150, 108, 72)), ("dune", (196, 150, 104)),
             ("star", (255, 250, 224))]
    # The boot screen's animation cycles the topmost palette entries; keeping
    # them black means no part of this picture flickers.
    return full_palette(pal, names)


def screen_canvas(sky_first, sky_count, ground):
    """A start-up or shut-down screen's palette, colour names and canvas, drawn at twice
    its width: sky_count dusk colours from the sky_first one down to the horizon, and
    the ground below in the named colour."""
    pal, c = logo_palette()
    w, h = LOGO_W * 2, LOGO_H
    cv = Canvas(w, h)
    horizon = 300
    gradient(cv, len(SPRITE_COLOURS) + sky_first, sky_count, 0, horizon)
    for j in range(horizon, h):
        cv.px[j] = [c[ground]] * w
    return pal, c, cv


def startup_screen():
    pal, c, cv = screen_canvas(0, LOGO_SKY_STEPS, "sand")
    w = cv.w
    for x, y in ((40, 30), (120, 70), (210, 22), (330, 54), (420, 26), (520, 80), (600, 40), (80, 120),
                 (470, 140), (270, 100)):
        cv.fill(Ellipse(x, y, 2.4, 1.6), c["star"])
    cv.fill(Union(Ellipse(120, 312, 220, 26), Ellipse(500, 316, 240, 30)), c["dune"])
    cv.fill(Ellipse(320, 420, 420, 90), c["sand"])
    cv.fill(Ellipse(364, 340, 86, 8), c["shadow"])

    cv.view(3.2, 200.0, 114.0)
    draw_turtle(cv, 0, dust=True)
    cv.view(1.0, 0.0, 0.0)

    title = "Zelvo"
    sx, sy = 14, 8
    draw_text(cv, title, (w - text_width(title, sx)) // 2, 40, sx, sy, c["cream"], c["ink"])
    sub = "Desktop Theme"
    sx, sy = 6, 3
    draw_text(cv, sub, (w - text_width(sub, sx)) // 2, 370, sx, sy, c["ink"])
    rows = [row[0::2] for row in cv.px]
    return bmp_file(LOGO_W, LOGO_H, pal, rows)


def centred_lines(cv, lines, y, sx, sy, colour, shadow=None, gap=None):
    for n, line in enumerate(lines):
        draw_text(cv, line, (cv.w - text_width(line, sx)) // 2, y + n * (gap or 10 * sy), sx, sy,
                  colour, shadow)


def shutdown_wait_screen():
    """Shown while Windows shuts down: Zelvo dashing off home at dusk."""
    pal, c, cv = screen_canvas(LOGO_SKY_STEPS // 4, LOGO_SKY_STEPS - LOGO_SKY_STEPS // 4, "sand")
    cv.fill(Union(Ellipse(80, 310, 220, 24), Ellipse(520, 314, 230, 28)), c["dune"])
    cv.fill(Ellipse(320, 420, 420, 90), c["sand"])
    cv.fill(Ellipse(444, 352, 70, 7), c["shadow"])
    for k in range(5):
        cv.fill(Ellipse(360 - k * 44, 356 + (5 if k % 2 else 0), 7, 3), c["sand_dark"])
    cv.view(2.6, 314.0, 166.0)
    draw_turtle(cv, 3, dust=True)
    cv.view(1.0, 0.0, 0.0)
    centred_lines(cv, ["Please wait while your", "computer shuts down."], 60, 4, 5, c["cream"], c["ink"], 50)
    return bmp_file(LOGO_W, LOGO_H, pal, [row[0::2] for row in cv.px])


class Outside:
    """Every point that is not in `shape`."""

    def __init__(self, shape):
        self.shape = shape

    def contains(self, x, y):
        return not self.shape.contains(x, y)

    def bbox(self):
        return self.shape.bbox()


def sleeping_turtle(cv, cx, base, s):
    """Zelvo asleep on the sand: shell dome, head resting in front, eye shut."""
    cv.fill(Union(Ellipse(cx - 14 * s, base - 1 * s, 5 * s, 3 * s), Ellipse(cx + 12 * s, base - 1 * s, 5 * s, 3 * s)),
            SKIN_SHADE, OUTLINE)
    above = Rect(cx - 30 * s, base - 30 * s, cx + 30 * s, base - 2 * s)
    dome = Clip(Ellipse(cx, base, 24 * s, 20 * s), above)
    cv.fill(dome, SHELL_DARK, OUTLINE)
    inner = Ellipse(cx - 1 * s, base - 4 * s, 10 * s, 9 * s)
    seams = [Capsule(cx - 1 * s + 10 * s * math.cos(t), base - 4 * s - 9 * s * math.sin(t),
                     cx + 26 * s * math.cos(t), base - 22 * s * math.sin(t), 0.5 * s)
             for t in (math.radians(d) for d in (20, 65, 115, 160))]
    plates = Clip(Clip(Ellipse(cx, base, 22.5 * s, 18.5 * s), above), Outside(Union(inner, *seams)))
    cv.fill(plates, lambda x, y: SHELL_LIGHT if (x - cx) < -5 * s and (y - base) < -9 * s else SHELL_MID)
    cv.fill(Clip(Ellipse(cx - 1 * s, base - 4 * s, 8.8 * s, 7.8 * s), above),
            lambda x, y: SHELL_LIGHT if (x - cx) < -2 * s and (y - base) < -6 * s else SHELL_MID)
    cv.fill(Rect(cx - 24 * s, base - 3 * s, cx + 24 * s, base - 0.5 * s), BELLY, OUTLINE)
    cv.fill(Polygon([(cx + 21 * s, base - 11 * s), (cx + 10 * s, base - 17 * s), (cx + 12 * s, base - 11 * s)]),
            RED, OUTLINE)
    head = Ellipse(cx + 28 * s, base - 6 * s, 8.5 * s, 6.5 * s)
    cv.fill(head, SKIN, OUTLINE)
    cv.fill(Clip(head, Rect(cx + 17 * s, base - 14 * s, cx + 38 * s, base - 9.5 * s)), RED)
    cv.line(cx + 29 * s, base - 6 * s, cx + 34 * s, base - 6.5 * s, OUTLINE, 0.5 * s)


def shutdown_safe_screen():
    """Shown when the computer may be switched off: Zelvo asleep under the moon."""
    pal, c, cv = screen_canvas(0, LOGO_SKY_STEPS // 2, "shadow")
    for x, y in ((40, 150), (120, 190), (210, 160), (330, 210), (420, 170), (520, 230), (600, 150),
                 (80, 250), (470, 260), (270, 240), (560, 200), (160, 220)):
        cv.fill(Ellipse(x, y, 2.4, 1.6), c["star"])
    moon = Ellipse(540, 250, 26, 26)
    bite = Ellipse(552, 244, 22, 22)
    cv.fill(Clip(moon, Outside(bite)), c["cream"])
    cv.fill(Union(Ellipse(80, 312, 220, 24), Ellipse(520, 316, 230, 28)), c["sand_dark"])
    cv.fill(Ellipse(320, 420, 420, 92), c["shadow"])
    cv.fill(Ellipse(300, 354, 100, 7), c["sand_dark"])
    sleeping_turtle(cv, 280, 352, 3.0)
    for n, (x, y, sx, sy) in enumerate(((392, 276, 3, 2), (414, 248, 4, 3), (444, 212, 5, 4))):
        draw_text(cv, "z", x, y, sx, sy, c["cream"])
    centred_lines(cv, ["It is now safe to turn", "off your computer."], 50, 4, 5, c["cream"], c["ink"], 50)
    return bmp_file(LOGO_W, LOGO_H, pal, [row[0::2] for row in cv.px])


# ---------------------------------------------------------------------------
# Desktop icons, 32x32 in 16 colours.  Entries 0..10 are the turtle's colours
# (so draw_turtle can paint into them); 11..15 are the icons' own.

TAN, TAN_SHADE, GREY, LIGHT_GREY, SCREEN = range(11, 16)
ICON_COLOURS = SPRITE_COLOURS[:11] + [
    (224, 192, 160),  # 11 tan case
    (160, 120, 80),   # 12 tan in shade
    (112, 112, 112),  # 13 grey
    (200, 200, 200),  # 14 light grey, paper
    (24, 60, 36),     # 15 the screen's dark green
]


class Rect:
    def __init__(self, x0, y0, x1, y1):
        self.x0, self.y0, self.x1, self.y1 = x0, y0, x1, y1

    def contains(self, x, y):
        return self.x0 <= x <= self.x1 and self.y0 <= y <= self.y1

    def bbox(self):
        return self.x0, self.y0, self.x1, self.y1


def lit_box(x0, y0, x1, y1):
    """Colour of a raised tan panel: lit top-left edge, shaded bottom-right."""
    def colour(x, y):
        if x > x1 - 1.0 or y > y1 - 1.0:
            return TAN_SHADE
        if x < x0 + 1.0 or y < y0 + 1.0:
            return WHITE
        return TAN
    return colour


def mini_turtle(cv, cx, cy, s):
    """Zelvo in a few pixels, walking right: domed shell, head with bandana,
    two feet; (cx, cy) is the middle of the shell's base."""
    cv.fill(Union(Ellipse(cx - 3.0 * s, cy + 0.6 * s, 1.3 * s, 1.3 * s),
                  Ellipse(cx + 3.0 * s, cy + 0.6 * s, 1.3 * s, 1.3 * s)), SKIN)
    cv.fill(Ellipse(cx + 5.2 * s, cy - 2.2 * s, 2.2 * s, 2.0 * s), SKIN)
    cv.fill(Rect(cx + 3.4 * s, cy - 3.9 * s, cx + 7.0 * s, cy - 3.2 * s), RED)
    cv.fill(Rect(cx + 5.8 * s, cy - 2.6 * s, cx + 6.4 * s, cy - 2.0 * s), OUTLINE)
    dome = Clip(Ellipse(cx, cy, 5.0 * s, 4.6 * s), Rect(cx - 6 * s, cy - 6 * s, cx + 6 * s, cy - 0.01))
    cv.fill(dome, lambda px, py: SHELL_LIGHT if px < cx - 0.5 * s and py < cy - 2.2 * s else SHELL_MID)
    cv.fill(Rect(cx - 5.0 * s, cy - 0.6 * s, cx + 5.0 * s, cy + 0.1 * s), SHELL_DARK)


def computer(cv, x, y, s, turtle=True):
    """A monitor on a desktop case; (x, y) is its top left, s its scale."""
    def r(a, b, c_, d):
        return Rect(x + a * s, y + b * s, x + c_ * s, y + d * s)
    mon = r(1, 0, 25, 18)
    cv.fill(mon, lit_box(mon.x0, mon.y0, mon.x1, mon.y1), OUTLINE)
    screen = r(4, 3, 22, 15)
    cv.fill(screen, SCREEN, OUTLINE)
    if turtle:
        mini_turtle(cv, x + 13 * s, y + 12.5 * s, s)
    cv.fill(r(10, 19, 16, 20), TAN_SHADE, OUTLINE)
    case = r(0, 21, 26, 26)
    cv.fill(case, lit_box(case.x0, case.y0, case.x1, case.y1), OUTLINE)
    cv.fill(r(17, 23, 23, 23.6), OUTLINE)   # floppy slot
    cv.fill(r(3, 23, 4, 24), RED)            # power light


def computer_icon():
    cv = Canvas(32, 32, fill=None)
    computer(cv, 2.5, 2.5, 1.0)
    return icon_file(ICON_COLOURS, cv.px)


def network_icon():
    cv = Canvas(32, 32, fill=None)
    # A cable from the back computer to the front one, over a green hill.
    cv.fill(Ellipse(16, 34, 20, 6), SKIN_SHADE)
    cv.line(8.5, 16.5, 8.5, 28.5, OUTLINE, 0.7)
    cv.line(8.5, 28.5, 22.5, 28.5, OUTLINE, 0.7)
    cv.line(22.5, 28.5, 22.5, 26.0, OUTLINE, 0.7)
    computer(cv, 1.0, 1.0, 0.6, turtle=False)
    computer(cv, 11.5, 10.5, 0.72)
    return icon_file(ICON_COLOURS, cv.px)


def bin_icon(full):
    """A waste basket patterned like Zelvo's shell; full, it overflows with
    crumpled paper."""
    cv = Canvas(32, 32, fill=None)
    body = Polygon([(6.5, 9.5), (25.5, 9.5), (22.5, 30.0), (9.5, 30.0)])

    def shell(x, y):
        # Hexagonal scutes: dark seams on a grid of offset cells, lit on the left.
        row = int((y - 9.5) // 6.0)
        off = 3.5 if row % 2 else 0.0
        cx = (x - 6.0 + off) % 7.0
        cy = (y - 9.5) % 6.0
        if cy < 0.9 or cx < 0.9:
            return SHELL_DARK
        return SHELL_LIGHT if x < 13 and cy < 3.5 else SHELL_MID
    cv.fill(body, shell, OUTLINE)
    rim = Ellipse(16.0, 9.5, 10.2, 2.6)
    cv.fill(rim, SKIN, OUTLINE)
    cv.fill(Ellipse(16.0, 9.6, 8.2, 1.5), BLACK)
    if full:
        for (x, y, rx, ry) in ((11.0, 7.0, 4.2, 3.4), (20.5, 6.8, 4.4, 3.6), (15.5, 4.0, 4.0, 3.4)):
            cv.fill(Ellipse(x, y, rx, ry), lambda px, py: WHITE if px + py < 20 else LIGHT_GREY, OUTLINE)
        cv.line(14.0, 3.0, 17.0, 5.5, GREY, 0.45)
        cv.line(19.0, 6.0, 22.5, 8.0, GREY, 0.45)
        cv.line(9.0, 6.0, 12.0, 8.5, GREY, 0.45)
    # A green band around the basket's middle, like Zelvo's skin.
    cv.fill(Clip(Rect(0, 17.6, 32, 19.4), body), SKIN_SHADE)
    return icon_file(ICON_COLOURS, cv.px)


# ---------------------------------------------------------------------------
# Sounds: short marimba-like phrases, made by adding decaying sine partials.

RATE = 22050


def note_freq(name):
    names = {"C": -9, "D": -7, "E": -5, "F": -4, "G": -2, "A": 0, "B": 2}
    return 440.0 * 2 ** ((names[name[0]] + 12 * (int(name[1:]) - 4)) / 12)


def render(notes, length, volume=0.55):
    """notes: (start seconds, note name or frequency, loudness, decay per second,
    timbre) where timbre is 'marimba' or 'wood'."""
    n = int(length * RATE)
    buf = [0.0] * n
    for start, pitch, loud, decay, timbre in notes:
        f = note_freq(pitch) if isinstance(pitch, str) else pitch
        partials = [(1.0, 1.0, 1.0), (3.9, 0.18, 3.0), (10.0, 0.05, 6.0)] if timbre == "marimba" \
            else [(1.0, 1.0, 1.0), (2.7, 0.45, 2.0), (5.4, 0.2, 3.5)]
        s0 = int(start * RATE)
        for k in range(s0, n):
            t = (k - s0) / RATE
            attack = min(1.0, t / 0.004)
            v = 0.0
            for mult, amp, dmul in partials:
                v += amp * math.exp(-decay * dmul * t) * math.sin(2 * math.pi * f * mult * t)
            buf[k] += loud * attack * v
    peak = max(abs(v) for v in buf) or 1.0
    # Fade the last 30 ms so the sound never ends in a click.
    fade = int(0.03 * RATE)
    out = bytearray()
    for k, v in enumerate(buf):
        g = min(1.0, (n - k) / fade)
        out += struct.pack("<h", int(round(v / peak * volume * g * 32767)))
    return bytes(out)


def wav_file(frames):
    import io
    bio = io.BytesIO()
    w = wave.open(bio, "wb")
    w.setnchannels(1)
    w.setsampwidth(2)
    w.setframerate(RATE)
    w.writeframes(frames)
    w.close()
    return bio.getvalue()


def sound_start():
    notes = [(0.00, "C5", 1.0, 7.0, "marimba"), (0.11, "E5", 0.9, 7.0, "marimba"),
             (0.22, "G5", 0.9, 7.0, "marimba"), (0.33, "C6", 1.0, 5.0, "marimba"),
             (0.33, "C5", 0.5, 5.0, "marimba")]
    return wav_file(render(notes, 0.90))


def sound_exit():
    notes = [(0.00, "G5", 0.9, 7.0, "marimba"), (0.12, "E5", 0.9, 7.0, "marimba"),
             (0.24, "D5", 0.8, 7.0, "marimba"), (0.36, "C5", 1.0, 5.0, "marimba"),
             (0.36, "C4", 0.5, 5.0, "marimba")]
    return wav_file(render(notes, 0.90))


def sound_ding():
    # Two knocks on a shell, then a bright note.
    notes = [(0.00, 620.0, 0.8, 30.0, "wood"), (0.07, 700.0, 0.8, 30.0, "wood"),
             (0.14, "A5", 1.0, 9.0, "marimba")]
    return wav_file(render(notes, 0.50))


# ---------------------------------------------------------------------------


def crlf_text(data):
    """Text with every line ended by CR LF (Windows' own text files)."""
    return data.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")


def theme_file():
    with open(THEME_FILE, "rb") as f:
        data = f.read()
    if not data.endswith(b"\r\n") or data.replace(b"\r\n", b"").find(b"\n") >= 0:
        raise SystemExit("%s: every line must end with CR LF" % THEME_FILE)
    try:
        data.decode("ascii")
    except UnicodeDecodeError:
        raise SystemExit("%s: must be plain ASCII" % THEME_FILE)
    return data


def read_file(path, package):
    try:
        with open(path, "rb") as f:
            return f.read()
    except OSError:
        raise SystemExit("%s is missing: install the Debian package %s (scripts/bootstrap does)"
                         % (path, package))


def theme_files():
    """Every file of the theme folder but the saver, by name."""
    return {
        "Zelvo.the": theme_file(),
        "Zelvo Wallpaper.bmp": wallpaper(),
        "Zelvo Logo.sys": startup_screen(),
        "Zelvo Wait.sys": shutdown_wait_screen(),
        "Zelvo Safe.sys": shutdown_safe_screen(),
        "Zelvo Computer.ico": computer_icon(),
        "Zelvo Network.ico": network_icon(),
        "Zelvo Bin Empty.ico": bin_icon(False),
        "Zelvo Bin Full.ico": bin_icon(True),
        "Zelvo Start.wav": sound_start(),
        "Zelvo Exit.wav": sound_exit(),
        "Zelvo Ding.wav": sound_ding(),
        "DejaVuSansMono.ttf": read_file(FONT_FILE, FONT_PACKAGE),
        "DejaVu Font License.txt": crlf_text(read_file(FONT_LICENCE, FONT_PACKAGE)),
    }


def main(argv):
    args = argv[1:]
    saver = None
    out = None
    while args:
        a = args.pop(0)
        if a == "--saver" and args:
            saver = args.pop(0)
        elif a.startswith("-") or out is not None:
            print("usage: generate.py [OUTDIR] [--saver PATH]", file=sys.stderr)
            return 2
        else:
            out = a
    out = out or DEFAULT_OUT
    if saver is None and os.path.exists(DEFAULT_SAVER):
        saver = DEFAULT_SAVER
    os.makedirs(out, exist_ok=True)
    for name, data in sorted(theme_files().items()):
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)
        print("%8d  %s" % (len(data), name))
    if saver:
        shutil.copyfile(saver, os.path.join(out, SAVER_NAME))
        print("%8d  %s (from %s)" % (os.path.getsize(saver), SAVER_NAME, saver))
    else:
        print("note: %s not built; the theme folder has no %s" % (DEFAULT_SAVER, SAVER_NAME))
    print(out)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
