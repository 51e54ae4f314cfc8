#!/usr/bin/env python3
"""Regenerates the picture assets of the Zelvo screen saver and the installer.

Writes, next to this script:
  frame1.gif .. frame5.gif  the five poses of Zelvo the turtle's running cycle
  zelvosav.ico              the saver's program icon (32x32, 16 colours)
  blank.cur                 a wholly transparent 32x32 mouse pointer
  header.bmp                the setup dialog's header picture (320x224, 8 bpp)
and ../../installer/resources/decorama.ico, the installer's icon.

Only the standard library is used and nothing depends on time or chance, so two
runs give byte-identical files.  `generate.py --check` rebuilds everything in
memory and exits with status 1 if any committed file differs.
"""

import math
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
INSTALLER_RESOURCES = os.path.normpath(os.path.join(HERE, "..", "..", "installer", "resources"))

# ---------------------------------------------------------------------------
# Colours.  The sprite frames share one 256-entry table; entries 0..15 are the
# artwork's colours and the rest stay black.  Every frame uses the eleven body
# colours 0..10 plus exactly one colour of the fading dust trail (11..15), so
# each frame holds twelve distinct indices.

BLACK, OUTLINE, SHELL_DARK, SHELL_MID, SHELL_LIGHT, SKIN, SKIN_SHADE, WHITE, \
    BELLY, BELLY_SHADE, RED = range(11)
DUST = [11, 12, 13, 14, 15]

SPRITE_COLOURS = [
    (0, 0, 0),        # 0 background
    (40, 28, 16),     # 1 outline, pupil, mouth
    (104, 60, 24),    # 2 shell, dark
    (168, 104, 40),   # 3 shell, middle
    (224, 164, 80),   # 4 shell, highlight
    (112, 196, 72),   # 5 skin
    (56, 132, 48),    # 6 skin in shade, far limbs
    (255, 255, 255),  # 7 eye, soles
    (244, 220, 124),  # 8 belly plates
    (196, 160, 72),   # 9 belly shade
    (220, 44, 40),    # 10 bandana and sneakers
    (216, 196, 160),  # 11 dust, fresh
    (188, 168, 136),  # 12 dust
    (160, 142, 116),  # 13 dust
    (132, 118, 98),   # 14 dust
    (106, 96, 82),    # 15 dust, fading
]

SPRITE_SIZE = 100
FIGURE_BOX = (24, 25, 75, 74)  # first and last column, first and last row

# ---------------------------------------------------------------------------
# Shapes in continuous coordinates; a pixel belongs to a shape when its centre
# does.


class Ellipse:
    def __init__(self, cx, cy, rx, ry, angle=0.0):
        self.cx, self.cy, self.rx, self.ry = cx, cy, rx, ry
        self.c, self.s = math.cos(math.radians(angle)), math.sin(math.radians(angle))

    def local(self, x, y):
        dx, dy = x - self.cx, y - self.cy
        return (dx * self.c + dy * self.s) / self.rx, (-dx * self.s + dy * self.c) / self.ry

    def contains(self, x, y):
        u, v = self.local(x, y)
        return u * u + v * v <= 1.0

    def bbox(self):
        r = max(self.rx, self.ry)
        return self.cx - r, self.cy - r, self.cx + r, self.cy + r


class Capsule:
    """All points within r of the segment (x1, y1)-(x2, y2)."""

    def __init__(self, x1, y1, x2, y2, r):
        self.a, self.b, self.r = (x1, y1), (x2, y2), r

    def contains(self, x, y):
        return seg_dist(x, y, self.a, self.b) <= self.r

    def bbox(self):
        return (min(self.a[0], self.b[0]) - self.r, min(self.a[1], self.b[1]) - self.r,
                max(self.a[0], self.b[0]) + self.r, max(self.a[1], self.b[1]) + self.r)


class Polygon:
    def __init__(self, points):
        self.p = points

    def contains(self, x, y):
        inside = False
        n = len(self.p)
        for i in range(n):
            (x1, y1), (x2, y2) = self.p[i], self.p[(i + 1) % n]
            if (y1 > y) != (y2 > y) and x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
                inside = not inside
        return inside

    def bbox(self):
        xs = [q[0] for q in self.p]
        ys = [q[1] for q in self.p]
        return min(xs), min(ys), max(xs), max(ys)


class Union:
    def __init__(self, *parts):
        self.parts = parts

    def contains(self, x, y):
        return any(p.contains(x, y) for p in self.parts)

    def bbox(self):
        boxes = [p.bbox() for p in self.parts]
        return (min(b[0] for b in boxes), min(b[1] for b in boxes),
                max(b[2] for b in boxes), max(b[3] for b in boxes))


class Clip:
    """The part of `shape` that also lies in `within`."""

    def __init__(self, shape, within):
        self.shape, self.within = shape, within

    def contains(self, x, y):
        return self.shape.contains(x, y) and self.within.contains(x, y)

    def bbox(self):
        return self.shape.bbox()


def seg_dist(x, y, a, b):
    ax, ay = a
    bx, by = b
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / length2))
    px, py = ax + t * dx - x, ay + t * dy - y
    return math.sqrt(px * px + py * py)


# ---------------------------------------------------------------------------
# A canvas of palette indices with a view transform: world point (x, y) lands
# on pixel (ox + x * scale, oy + y * scale).


class Canvas:
    def __init__(self, width, height, fill=0, scale=1.0, ox=0.0, oy=0.0):
        self.w, self.h = width, height
        self.px = [[fill] * width for _ in range(height)]
        self.scale, self.ox, self.oy = scale, ox, oy

    def view(self, scale, ox, oy):
        self.scale, self.ox, self.oy = scale, ox, oy

    def to_world(self, i, j):
        return (i + 0.5 - self.ox) / self.scale, (j + 0.5 - self.oy) / self.scale

    def pixel_range(self, shape, pad):
        x0, y0, x1, y1 = shape.bbox()
        s = self.scale
        i0 = max(0, int(math.floor(self.ox + x0 * s)) - pad - 1)
        j0 = max(0, int(math.floor(self.oy + y0 * s)) - pad - 1)
        i1 = min(self.w - 1, int(math.ceil(self.ox + x1 * s)) + pad + 1)
        j1 = min(self.h - 1, int(math.ceil(self.oy + y1 * s)) + pad + 1)
        return i0, j0, i1, j1

    def mask(self, shape, pad=0):
        i0, j0, i1, j1 = self.pixel_range(shape, pad)
        inside = set()
        for j in range(j0, j1 + 1):
            for i in range(i0, i1 + 1):
                x, y = self.to_world(i, j)
                if shape.contains(x, y):
                    inside.add((i, j))
        return inside

    def fill(self, shape, colour, outline=None):
        """Paints the shape; `colour` is an index or a function of the world
        point.  With an outline colour, a ring about one world unit wide is
        drawn around the shape over whatever lies beneath."""
        ring = max(1, int(round(self.scale))) if outline is not None else 0
        inside = self.mask(shape, ring)
        if outline is not None:
            r2 = ring * ring + ring  # a rounded square brush
            for (i, j) in inside:
                for dj in range(-ring, ring + 1):
                    for di in range(-ring, ring + 1):
                        q = (i + di, j + dj)
                        if di * di + dj * dj <= r2 and q not in inside \
                                and 0 <= q[0] < self.w and 0 <= q[1] < self.h:
                            self.px[q[1]][q[0]] = outline
        for (i, j) in inside:
            self.px[j][i] = colour(*self.to_world(i, j)) if callable(colour) else colour

    def line(self, x1, y1, x2, y2, colour, width=0.55):
        self.fill(Capsule(x1, y1, x2, y2, width), colour)

    def indices(self):
        return [v for row in self.px for v in row]


# ---------------------------------------------------------------------------
# Zelvo, standing upright and running to the right.  Coordinates are sprite
# pixels; angles are in degrees from straight down, positive towards the front.

# (near thigh, near shin, far thigh, far shin, body bob) for each pose: the near
# leg lands in front (1), carries the body (2), pushes off (3), kicks up behind
# (4) and swings forward again (5); the far leg runs half a cycle behind.
POSES = [
    (42, 16, -40, -95, 0.0),
    (16, -16, 18, -72, 0.0),
    (-38, -22, 62, 8, -1.0),
    (-30, -100, 40, 14, 0.0),
    (22, -75, 12, -18, 0.0),
]

# The dust kicked up by the last footfall, as (x, y, radius) puffs; each pose
# shows it at another stage, in the next, paler colour of the trail.
DUST_PUFFS = [
    [(33.0, 71.0, 2.6), (29.0, 69.5, 1.8)],
    [(30.5, 70.0, 2.8), (34.5, 72.0, 1.6), (27.0, 67.5, 1.5)],
    [(28.5, 69.0, 3.0), (32.5, 71.5, 1.6)],
    [(27.5, 68.0, 2.6), (31.0, 70.5, 2.0)],
    [(27.0, 67.5, 2.0), (30.0, 70.5, 1.4)],
]


def limb_end(x, y, length, angle):
    a = math.radians(angle)
    return x + length * math.sin(a), y + length * math.cos(a)


def shell_colour(shell):
    def colour(x, y):
        u, v = shell.local(x, y)
        r2 = u * u + v * v
        light = -0.55 * u - 0.83 * v  # light from the upper left
        if r2 > 0.80 or light < -0.55:
            return SHELL_DARK
        if light > 0.30 and r2 < 0.60:
            return SHELL_LIGHT
        return SHELL_MID
    return colour


def belly_colour(belly):
    def colour(x, y):
        u, v = belly.local(x, y)
        return BELLY_SHADE if u < -0.55 or v > 0.78 else BELLY
    return colour


def draw_leg(cv, hip, thigh, shin, skin, sole=True):
    knee = limb_end(hip[0], hip[1], 6.0, thigh)
    ankle = limb_end(knee[0], knee[1], 5.5, shin)
    cv.fill(Union(Capsule(hip[0], hip[1], knee[0], knee[1], 2.7),
                  Capsule(knee[0], knee[1], ankle[0], ankle[1], 2.4)), skin, OUTLINE)
    # A sneaker pointing forward, its toe tipped up or down with the shin.
    tilt = max(-40.0, min(40.0, shin * 0.6))
    t = math.radians(tilt)
    cx, cy = ankle[0] + 2.2 * math.cos(t), ankle[1] + 0.6 - 2.2 * math.sin(t)
    shoe = Ellipse(cx, cy, 4.2, 2.5, -tilt)
    cv.fill(shoe, RED, OUTLINE)
    if sole:
        cv.fill(Clip(shoe, Ellipse(cx + 1.9 * math.sin(t), cy + 1.9 * math.cos(t), 5.0, 1.2, -tilt)), WHITE)


def draw_arm(cv, shoulder, upper, skin):
    elbow = limb_end(shoulder[0], shoulder[1], 5.0, upper)
    hand = limb_end(elbow[0], elbow[1], 4.5, upper + 95)
    cv.fill(Union(Capsule(shoulder[0], shoulder[1], elbow[0], elbow[1], 2.2),
                  Capsule(elbow[0], elbow[1], hand[0], hand[1], 2.0),
                  Ellipse(hand[0], hand[1], 2.6, 2.6)), skin, OUTLINE)


def draw_turtle(cv, pose_index, dust=True):
    nthigh, nshin, fthigh, fshin, bob = POSES[pose_index]
    phase = 2 * math.pi * pose_index / 5
    arm_swing = 62 * math.cos(phase)
    wave = math.sin(phase * 2)
    dy = bob

    if dust:
        puffs = DUST_PUFFS[pose_index]
        cv.fill(Union(*[Ellipse(x, y, r, r * 0.85) for x, y, r in puffs]), DUST[pose_index])

    hip = (47.0, 59.5 + dy)
    shoulder = (53.0, 47.0 + dy)
    head_c = (59.0, 36.5 + dy)

    # Bandana tails fluttering behind the head.
    knot = (51.0, 31.5 + dy)
    cv.fill(Union(Polygon([knot, (36.0, 29.0 + dy + 1.2 * wave), (35.5, 33.0 + dy + 1.2 * wave)]),
                  Polygon([knot, (38.0, 33.5 + dy - 1.0 * wave), (39.0, 37.0 + dy - 1.0 * wave)])),
            RED, OUTLINE)

    # Far limbs, in shade.
    draw_arm(cv, (shoulder[0] + 2.0, shoulder[1] - 0.5), arm_swing, SKIN_SHADE)
    draw_leg(cv, (hip[0] + 2.5, hip[1]), fthigh, fshin, SKIN_SHADE, sole=False)

    # Neck, then the shell on the back and the belly plates in front.
    cv.fill(Capsule(52.0, 45.0 + dy, 57.0, 38.0 + dy, 4.0), SKIN, OUTLINE)
    shell = Ellipse(44.0, 50.5 + dy, 11.5, 14.5, 14)
    belly = Ellipse(51.5, 52.5 + dy, 6.8, 12.0, 12)
    cv.fill(shell, shell_colour(shell), OUTLINE)
    cv.fill(belly, belly_colour(belly), OUTLINE)
    for k in (-0.45, 0.0, 0.45):
        # Seams between the belly plates, across the plastron.
        cx, cy = belly.cx - 12.0 * k * belly.s, belly.cy + 12.0 * k * belly.c
        cv.fill(Clip(Capsule(cx - 8 * belly.c, cy - 8 * belly.s, cx + 8 * belly.c, cy + 8 * belly.s, 0.5),
                     Ellipse(belly.cx, belly.cy, belly.rx - 0.9, belly.ry - 0.9, 12)), BELLY_SHADE)
    # Scutes: a middle plate with seams running out to the rim.
    inner = Ellipse(shell.cx + 0.3, shell.cy - 0.5, 5.2, 7.0, 14)
    rim = Ellipse(shell.cx, shell.cy, shell.rx - 0.8, shell.ry - 0.8, 14)
    seams = []
    for ang in (200, 250, 300, 20, 115, 160):
        a = math.radians(ang + 14)
        x0 = inner.cx + 5.2 * math.cos(a) * 0.95
        y0 = inner.cy + 7.0 * math.sin(a) * 0.95
        seams.append(Capsule(x0, y0, inner.cx + 14 * math.cos(a), inner.cy + 16 * math.sin(a), 0.5))
    ring = Clip(Union(*seams), rim)
    cv.fill(ring, SHELL_DARK)
    cv.fill(Clip(Union(inner), rim), SHELL_DARK)
    cv.fill(Ellipse(inner.cx, inner.cy, 4.2, 6.0, 14), shell_colour(Ellipse(inner.cx - 1.5, inner.cy - 2, 6, 8, 14)))

    # Head with its snout, the bandana across the crown, eye and grin.
    head = Union(Ellipse(head_c[0], head_c[1], 9.5, 9.5), Ellipse(head_c[0] + 5.0, head_c[1] + 2.0, 6.0, 5.5))

    def head_colour(x, y):
        return SKIN_SHADE if (y - head_c[1]) > 5.2 - 0.25 * (x - head_c[0]) else SKIN
    cv.fill(head, head_colour, OUTLINE)
    band = Clip(head, Polygon([(40, 20 + dy), (72, 20 + dy), (72, 29.5 + dy), (40, 32.0 + dy)]))
    cv.fill(band, RED)
    cv.fill(Ellipse(61.8, 34.6 + dy, 2.9, 3.4), WHITE, OUTLINE)
    cv.fill(Ellipse(62.9, 35.0 + dy, 1.3, 2.0), OUTLINE)
    cv.fill(Union(Capsule(61.0, 41.6 + dy, 64.8, 42.3 + dy, 0.5),
                  Capsule(64.8, 42.3 + dy, 68.0, 40.2 + dy, 0.5)), OUTLINE)

    # Near limbs in front of everything.
    draw_leg(cv, hip, nthigh, nshin, SKIN)
    draw_arm(cv, shoulder, -arm_swing, SKIN)


# ---------------------------------------------------------------------------
# File writers.


def lzw_encode(indices, min_code_size):
    """GIF's variable-length LZW: codes packed least significant bit first."""
    clear = 1 << min_code_size
    end = clear + 1
    out = bytearray()
    acc = 0
    nbits = 0

    def emit(code, size):
        nonlocal acc, nbits
        acc |= code << nbits
        nbits += size
        while nbits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            nbits -= 8

    size = min_code_size + 1
    table = {}
    next_code = end + 1
    emit(clear, size)
    prefix = indices[0]
    for k in indices[1:]:
        key = (prefix, k)
        if key in table:
            prefix = table[key]
            continue
        emit(prefix, size)
        if next_code < 4096:
            table[key] = next_code
            next_code += 1
            # The decoder adds its entries one code later, so it widens its
            # codes once the table holds one more than the current width allows.
            if next_code > (1 << size) and size < 12:
                size += 1
        else:
            emit(clear, size)
            table = {}
            next_code = end + 1
            size = min_code_size + 1
        prefix = k
    emit(prefix, size)
    emit(end, size)
    if nbits:
        out.append(acc & 0xFF)
    return bytes(out)


def gif_file(width, height, palette, indices):
    assert len(palette) == 256 and len(indices) == width * height
    data = bytearray(b"GIF89a")
    data += struct.pack("<HHBBB", width, height, 0xF7, 0, 0)  # global table, 256 entries
    for r, g, b in palette:
        data += bytes((r, g, b))
    data += b"\x2C" + struct.pack("<HHHHB", 0, 0, width, height, 0)
    data.append(8)
    stream = lzw_encode(indices, 8)
    for i in range(0, len(stream), 255):
        chunk = stream[i:i + 255]
        data.append(len(chunk))
        data += chunk
    data += b"\x00\x3B"
    return bytes(data)


def bmp_info_header(width, height, bpp, image_size, colours):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, 0, image_size, 0, 0, colours, colours)


def bmp_file(width, height, palette, rows):
    """An 8 bpp BI_RGB bitmap; `rows` top to bottom, stored bottom-up."""
    stride = (width + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):
        pixels += bytes(row) + b"\x00" * (stride - width)
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    offset = 14 + 40 + len(table)
    head = b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset)
    return head + bmp_info_header(width, height, 8, len(pixels), 256) + table + bytes(pixels)


def and_mask(rows):
    """1 bpp mask rows, bottom-up, each padded to four bytes; `rows` holds truth
    values with True for a transparent pixel."""
    out = bytearray()
    for row in reversed(rows):
        bits = bytearray((len(row) + 31) // 32 * 4)
        for i, transparent in enumerate(row):
            if transparent:
                bits[i >> 3] |= 0x80 >> (i & 7)
        out += bits
    return bytes(out)


def icon_file(palette16, rows):
    """An .ico with one 32x32 image in 16 colours; pixels of value None are
    transparent (AND mask set, colour 0 beneath)."""
    assert len(palette16) == 16 and len(rows) == 32
    xor = bytearray()
    for row in reversed(rows):
        for i in range(0, 32, 2):
            a, b = row[i] or 0, row[i + 1] or 0
            xor.append((a << 4) | b)
    mask = and_mask([[v is None for v in row] for row in rows])
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette16)
    image = bmp_info_header(32, 64, 4, len(xor) + len(mask), 0) + table + bytes(xor) + mask
    head = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", 32, 32, 16, 0, 1, 4, len(image), 6 + 16)
    return head + entry + image


def blank_cursor_file():
    """A .cur with one monochrome 32x32 image that shows nothing: AND mask all
    ones, XOR mask all zeros, hot spot at (0, 0)."""
    xor = bytes(32 * 4)
    mask = b"\xFF" * (32 * 4)
    table = bytes((0, 0, 0, 0, 255, 255, 255, 0))
    image = bmp_info_header(32, 64, 1, len(xor) + len(mask), 0) + table + xor + mask
    head = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", 32, 32, 2, 0, 0, 0, len(image), 6 + 16)
    return head + entry + image


# ---------------------------------------------------------------------------
# The assets.


def sprite_frames():
    palette = SPRITE_COLOURS + [(0, 0, 0)] * (256 - len(SPRITE_COLOURS))
    frames = []
    for k in range(5):
        cv = Canvas(SPRITE_SIZE, SPRITE_SIZE)
        draw_turtle(cv, k)
        x0, y0, x1, y1 = FIGURE_BOX
        for j in range(SPRITE_SIZE):
            for i in range(SPRITE_SIZE):
                if not (x0 <= i <= x1 and y0 <= j <= y1) and cv.px[j][i] != 0:
                    raise SystemExit("frame %d: pixel (%d, %d) outside the figure box" % (k + 1, i, j))
        used = set(cv.indices())
        if len(used) != 12 or 0 not in used:
            raise SystemExit("frame %d uses %d colours %s, not twelve" % (k + 1, len(used), sorted(used)))
        frames.append(gif_file(SPRITE_SIZE, SPRITE_SIZE, palette, cv.indices()))
    return frames


def saver_icon():
    cv = Canvas(32, 32, fill=None)
    cv.view(1.1, -47.3, -27.5)
    draw_turtle(cv, 0, dust=False)
    return icon_file(SPRITE_COLOURS, cv.px)


# A chunky 5x7 pixel font: the lettering of the setup dialog's header here, and of
# the sample theme's start-up and shut-down screens (theme/generate.py).
GLYPHS = {
    "Z": ["#####", "....#", "...#.", "..#..", ".#...", "#....", "#####"],
    "S": [".####", "#....", "#....", ".###.", "....#", "....#", "####."],
    "D": ["####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."],
    "T": ["#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."],
    "P": ["####.", "#...#", "#...#", "####.", "#....", "#....", "#...."],
    "I": [".###.", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."],
    "a": [".....", ".....", ".###.", "....#", ".####", "#...#", ".####"],
    "c": [".....", ".....", ".###.", "#....", "#....", "#...#", ".###."],
    "d": ["....#", "....#", ".####", "#...#", "#...#", "#...#", ".####"],
    "e": [".....", ".....", ".###.", "#...#", "#####", "#....", ".###."],
    "f": ["..##.", ".#...", "####.", ".#...", ".#...", ".#...", ".#..."],
    "h": ["#....", "#....", "#.##.", "##..#", "#...#", "#...#", "#...#"],
    "i": ["..#..", ".....", ".##..", "..#..", "..#..", "..#..", ".###."],
    "k": ["#....", "#....", "#..#.", "#.#..", "##...", "#.#..", "#..#."],
    "l": [".##..", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."],
    "m": [".....", ".....", "##.#.", "#.#.#", "#.#.#", "#...#", "#...#"],
    "n": [".....", ".....", "#.##.", "##..#", "#...#", "#...#", "#...#"],
    "o": [".....", ".....", ".###.", "#...#", "#...#", "#...#", ".###."],
    "p": [".....", ".....", "####.", "#...#", "####.", "#....", "#...."],
    "r": [".....", ".....", "#.##.", "##..#", "#....", "#....", "#...."],
    "s": [".....", ".....", ".####", "#....", ".###.", "....#", "####."],
    "t": [".#...", ".#...", "####.", ".#...", ".#...", ".#..#", "..##."],
    "u": [".....", ".....", "#...#", "#...#", "#...#", "#..##", ".##.#"],
    "v": [".....", ".....", "#...#", "#...#", "#...#", ".#.#.", "..#.."],
    "w": [".....", ".....", "#...#", "#...#", "#.#.#", "#.#.#", ".#.#."],
    "y": [".....", "#...#", "#...#", "#...#", ".####", "....#", ".###."],
    "z": [".....", ".....", "#####", "...#.", "..#..", ".#...", "#####"],
    ".": [".....", ".....", ".....", ".....", ".....", ".##..", ".##.."],
    " ": ["....."] * 7,
}


def draw_text(cv, s, x, y, sx, sy, colour, shadow=None, bold=False):
    """Letters of sx by sy pixels per dot (one pixel wider when bold), over a drop
    shadow a third of a dot down and to the right when shadow is given."""
    dots = []
    for n, ch in enumerate(s):
        for r, line in enumerate(GLYPHS[ch]):
            for c, bit in enumerate(line):
                if bit == "#":
                    dots.append((x + (n * 6 + c) * sx, y + r * sy))
    width = sx + (1 if bold else 0)
    if shadow is not None:
        ox, oy = max(1, sx // 3), max(1, sy // 3)
        for px, py in dots:
            for dy in range(sy):
                for dx in range(width):
                    cv.px[py + dy + oy][px + dx + ox] = shadow
    for px, py in dots:
        for dy in range(sy):
            for dx in range(width):
                cv.px[py + dy][px + dx] = colour


def text_width(s, sx):
    return (len(s) * 6 - 1) * sx


# The header's own colours start after the sprite's sixteen.
HEADER_SKY_TOP = (250, 232, 196)
HEADER_TAN = (224, 192, 160)      # the dialog's background
HEADER_BROWN = (205, 154, 103)    # the About labels' background
HEADER_DUNE = (214, 174, 128)
HEADER_SUN = (255, 244, 200)
HEADER_SUN_RIM = (252, 214, 140)
HEADER_INK = (92, 52, 24)
HEADER_INK_LIGHT = (150, 88, 40)
HEADER_SHADOW = (176, 132, 92)
HEADER_PEBBLE = (186, 148, 108)
SKY_STEPS = 24


def header_palette():
    pal = list(SPRITE_COLOURS)
    for k in range(SKY_STEPS):
        t = k / (SKY_STEPS - 1)
        pal.append(tuple(int(round(a + (b - a) * t)) for a, b in zip(HEADER_SKY_TOP, HEADER_TAN)))
    pal += [HEADER_TAN, HEADER_BROWN, HEADER_DUNE, HEADER_SUN, HEADER_SUN_RIM, HEADER_INK,
            HEADER_INK_LIGHT, HEADER_SHADOW, HEADER_PEBBLE]
    pal += [(0, 0, 0)] * (256 - len(pal))
    return pal


def header_bitmap():
    pal = header_palette()
    sky0 = 16
    tan, brown, dune, sun, sun_rim, ink, ink_light, shadow, pebble = range(sky0 + SKY_STEPS, sky0 + SKY_STEPS + 9)
    w, h = 320, 224
    cv = Canvas(w, h)
    horizon = 150
    for j in range(h):
        for i in range(w):
            if j < horizon:
                cv.px[j][i] = sky0 + min(SKY_STEPS - 1, j * SKY_STEPS // horizon)
            else:
                cv.px[j][i] = tan
    cv.fill(Ellipse(262, 48, 22, 22), sun)
    cv.fill(Clip(Ellipse(262, 48, 22, 22), Polygon([(230, 52), (300, 44), (300, 80), (230, 80)])), sun_rim)
    # Rolling dunes on the horizon and ripples in the sand.
    cv.fill(Union(Ellipse(60, 168, 110, 26), Ellipse(250, 172, 120, 30)), dune)
    cv.fill(Union(Ellipse(-10, 178, 90, 24), Ellipse(160, 182, 80, 22)), brown)
    cv.fill(Ellipse(150, 222, 230, 34), tan)
    for x, y, r in ((30, 205, 2.5), (92, 214, 1.8), (140, 200, 2.0), (300, 210, 2.2), (60, 192, 1.5)):
        cv.fill(Ellipse(x, y, r * 1.5, r), pebble)
    for x0, x1, y in ((20, 70, 200), (110, 150, 216), (250, 296, 218)):
        cv.line(x0, y, x1, y - 2, shadow, 0.8)
    # Zelvo running across the sand, with his shadow.
    cv.fill(Ellipse(250, 208, 38, 5), shadow)
    cv.view(2.3, 134.0, 40.0)
    draw_turtle(cv, 2, dust=True)
    cv.view(1.0, 0.0, 0.0)
    draw_text(cv, "Zelvo", 14, 14, 6, 6, ink, shadow)
    draw_text(cv, "Screen Saver", 16, 64, 3, 3, ink_light, shadow, bold=True)
    rows = cv.px
    return bmp_file(w, h, pal, rows)


# The installer's icon: a painter's palette with five blobs of paint and a
# brush dipped in red.
PALETTE_ICON_COLOURS = [
    (0, 0, 0),        # 0 outline
    (150, 98, 48),    # 1 wood, shaded
    (205, 154, 103),  # 2 wood
    (236, 200, 152),  # 3 wood, lit
    (224, 32, 32),    # 4 red paint
    (248, 216, 0),    # 5 yellow paint
    (32, 168, 48),    # 6 green paint
    (40, 72, 224),    # 7 blue paint
    (255, 255, 255),  # 8 white paint
    (112, 40, 24),    # 9 brush handle
    (176, 80, 48),    # 10 brush handle, lit
    (200, 200, 208),  # 11 ferrule
    (120, 120, 128),  # 12 ferrule, shaded
    (160, 16, 16),    # 13 red paint, shaded
    (128, 128, 128),  # 14 grey
    (192, 192, 192),  # 15 light grey
]


def installer_icon():
    cv = Canvas(32, 32, fill=None)
    board = Ellipse(15.5, 16.5, 14.8, 11.8, -18)
    thumb = Ellipse(13.5, 22.0, 2.6, 2.2)
    notch = Ellipse(30.5, 20.5, 4.8, 3.4, -18)

    class Board:
        def contains(self, x, y):
            return board.contains(x, y) and not thumb.contains(x, y) and not notch.contains(x, y)

        def bbox(self):
            return board.bbox()

    def wood(x, y):
        u, v = board.local(x, y)
        light = -0.6 * u - 0.8 * v
        return 3 if light > 0.55 else 1 if light < -0.55 else 2
    cv.fill(Board(), wood, 0)
    for (x, y, c) in ((8.5, 13.0, 8), (13.5, 8.5, 5), (20.0, 7.5, 6), (25.5, 11.0, 7), (7.0, 19.5, 4)):
        cv.fill(Ellipse(x, y, 2.5, 2.1), c, 0)
    # The brush lies across the palette: handle, ferrule and red bristles.
    def handle(x, y):
        return 10 if y - x < -0.4 else 9
    cv.fill(Capsule(30.5, 30.5, 20.5, 20.5, 1.6), handle, 0)
    cv.fill(Capsule(20.0, 20.0, 17.5, 17.5, 1.7), lambda x, y: 11 if y - x < 0 else 12, 0)
    cv.fill(Polygon([(18.2, 15.2), (15.2, 18.2), (11.0, 11.0)]), lambda x, y: 4 if y - x < 0 else 13, 0)
    return icon_file(PALETTE_ICON_COLOURS, cv.px)


def all_assets():
    files = {}
    for k, data in enumerate(sprite_frames()):
        files[os.path.join(HERE, "frame%d.gif" % (k + 1))] = data
    files[os.path.join(HERE, "zelvosav.ico")] = saver_icon()
    files[os.path.join(HERE, "blank.cur")] = blank_cursor_file()
    files[os.path.join(HERE, "header.bmp")] = header_bitmap()
    files[os.path.join(INSTALLER_RESOURCES, "decorama.ico")] = installer_icon()
    return files


def main(argv):
    files = all_assets()
    if argv[1:] == ["--check"]:
        stale = []
        for path, data in sorted(files.items()):
            try:
                with open(path, "rb") as f:
                    same = f.read() == data
            except OSError:
                same = False
            if not same:
                stale.append(path)
        for path in stale:
            print("out of date: %s" % path)
        return 1 if stale else 0
    if len(argv) > 1:
        print("usage: generate.py [--check]")
        return 2
    for path, data in sorted(files.items()):
        with open(path, "wb") as f:
            f.write(data)
        print("%6d  %s" % (len(data), os.path.relpath(path, os.getcwd())))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
