"""Pictures: the screenshots and bitmaps that the tests look at, as plain RGB data."""

import struct
import zlib


class Image:
    """An RGB picture with the few queries the tests need."""

    def __init__(self, width, height, data):
        self.width = width
        self.height = height
        self.data = data

    @staticmethod
    def from_ppm(raw):
        # P6\n<w> <h>\n<max>\n<bytes>, comments allowed in the header
        tokens = []
        pos = 0
        while len(tokens) < 4:
            while raw[pos:pos + 1].isspace():
                pos += 1
            if raw[pos:pos + 1] == b"#":
                pos = raw.index(b"\n", pos) + 1
                continue
            start = pos
            while not raw[pos:pos + 1].isspace():
                pos += 1
            tokens.append(raw[start:pos])
        pos += 1
        if tokens[0] != b"P6" or int(tokens[3]) != 255:
            raise ValueError("unexpected picture format")
        w, h = int(tokens[1]), int(tokens[2])
        return Image(w, h, raw[pos:pos + w * h * 3])

    @staticmethod
    def from_bmp8(path):
        """An 8-bit uncompressed BMP file."""
        with open(path, "rb") as f:
            data = f.read()
        off = struct.unpack_from("<I", data, 10)[0]
        hsize, w, h = struct.unpack_from("<Iii", data, 14)
        bpp = struct.unpack_from("<H", data, 28)[0]
        if bpp != 8:
            raise ValueError("not an 8-bit bitmap")
        colours = struct.unpack_from("<I", data, 46)[0] or 256
        pal = []
        for i in range(colours):
            b, g, r, _ = data[14 + hsize + 4 * i:14 + hsize + 4 * i + 4]
            pal.append(bytes((r, g, b)))
        stride = (w + 3) & ~3
        rows = []
        bottom_up = h > 0
        h = abs(h)
        for y in range(h):
            src_y = h - 1 - y if bottom_up else y
            row = data[off + src_y * stride:off + src_y * stride + w]
            rows.append(b"".join(pal[i] for i in row))
        return Image(w, h, b"".join(rows))

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.data[i:i + 3])

    def crop(self, x0, y0, w, h):
        rows = [self.data[((y0 + y) * self.width + x0) * 3:((y0 + y) * self.width + x0 + w) * 3] for y in range(h)]
        return Image(w, h, b"".join(rows))

    def matching_fraction(self, other):
        """The share of pixels that are the same in a picture of the same size."""
        same = 0
        total = self.width * self.height
        for i in range(0, total * 3, 3):
            if self.data[i:i + 3] == other.data[i:i + 3]:
                same += 1
        return same / total

    def non_black_bbox(self, region=None):
        """Box (x0, y0, x1, y1), ends exclusive, of the pixels that are not pure black, or None."""
        x0, y0, x1, y1 = region or (0, 0, self.width, self.height)
        minx = miny = None
        maxx = maxy = -1
        d = self.data
        zero = bytes((x1 - x0) * 3)
        for y in range(y0, y1):
            row = d[(y * self.width + x0) * 3:(y * self.width + x1) * 3]
            if row == zero:
                continue
            stripped_l = len(row) - len(row.lstrip(b"\0"))
            stripped_r = len(row) - len(row.rstrip(b"\0"))
            lx = x0 + stripped_l // 3
            rx = x1 - 1 - stripped_r // 3
            minx = lx if minx is None else min(minx, lx)
            maxx = max(maxx, rx)
            if miny is None:
                miny = y
            maxy = y
        if minx is None:
            return None
        return (minx, miny, maxx + 1, maxy + 1)

    def count(self, rgb, region=None):
        x0, y0, x1, y1 = region or (0, 0, self.width, self.height)
        n = 0
        want = bytes(rgb)
        for y in range(y0, y1):
            row = self.data[(y * self.width + x0) * 3:(y * self.width + x1) * 3]
            for i in range(0, len(row), 3):
                if row[i:i + 3] == want:
                    n += 1
        return n

    def save_png(self, path):
        raw = b"".join(b"\0" + self.data[y * self.width * 3:(y + 1) * self.width * 3] for y in range(self.height))

        def chunk(tag, body):
            return struct.pack(">I", len(body)) + tag + body + struct.pack(">I", zlib.crc32(tag + body) & 0xffffffff)

        with open(path, "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n")
            f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)))
            f.write(chunk(b"IDAT", zlib.compress(raw, 6)))
            f.write(chunk(b"IEND", b""))
