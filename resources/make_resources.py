#!/usr/bin/python3
"""Draws the stub's pictures: the dialog bitmap VND_L and the icon G_ICON.

    /usr/bin/python3 resources/make_resources.py [OUTDIR]
    /usr/bin/python3 resources/make_resources.py --check

Writes vnd_l.bmp (229 x 113, 8 bits per pixel, BI_RGB, 256-colour palette) and
g_icon.ico (16, 32 and 48 pixels, 32 bits with alpha) into OUTDIR (default: the
folder of this script). Pure Python, deterministic: the same bytes every run,
so the committed files can be checked against a fresh run (--check draws
them in a temporary folder and compares them with the files beside the script).
"""
import math
import os
import struct
import sys
import tempfile

SS = 4  # supersampling per axis, for smooth edges


def lerp(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def inside(poly, x, y):
    """Even-odd rule point-in-polygon test."""
    c = False
    n = len(poly)
    j = n - 1
    for i in range(n):
        xi, yi = poly[i]
        xj, yj = poly[j]
        if (yi > y) != (yj > y):
            if x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                c = not c
        j = i
    return c


class Box:
    """An open-lid carton seen from above-left, with a down arrow going in:
    the picture of "something being installed". Coordinates are in a unit
    square scaled to the target size."""

    BROWN_TOP = (222, 178, 112)
    BROWN_LEFT = (196, 140, 70)
    BROWN_RIGHT = (150, 100, 46)
    TAPE = (238, 214, 160)
    ARROW = (255, 214, 40)
    ARROW_EDGE = (160, 110, 0)

    def __init__(self, ox, oy, s):
        self.ox, self.oy, self.s = ox, oy, s

        def P(x, y):
            return (ox + x * s, oy + y * s)

        # Isometric-ish carton: top rhombus and two side faces.
        self.top = [P(0.50, 0.30), P(0.95, 0.45), P(0.50, 0.60), P(0.05, 0.45)]
        self.left = [P(0.05, 0.45), P(0.50, 0.60), P(0.50, 0.98), P(0.05, 0.83)]
        self.right = [P(0.50, 0.60), P(0.95, 0.45), P(0.95, 0.83), P(0.50, 0.98)]
        self.tape = [P(0.27, 0.375), P(0.32, 0.357), P(0.77, 0.507), P(0.72, 0.525)]
        # Arrow pointing down into the box.
        self.arrow = [P(0.41, 0.00), P(0.59, 0.00), P(0.59, 0.22), P(0.72, 0.22),
                      P(0.50, 0.47), P(0.28, 0.22), P(0.41, 0.22)]
        grow = 0.025 * s
        cx, cy = ox + 0.5 * s, oy + 0.23 * s
        self.arrow_edge = [(cx + (x - cx) * (1 + grow / (0.25 * s)),
                            cy + (y - cy) * (1 + grow / (0.25 * s))) for x, y in self.arrow]

    def colour(self, x, y):
        """Colour at a point, or None where the box does not cover it."""
        if inside(self.arrow, x, y):
            t = (y - self.oy) / (0.47 * self.s)
            return lerp((255, 236, 120), self.ARROW, max(0.0, min(1.0, t)))
        if inside(self.arrow_edge, x, y):
            return self.ARROW_EDGE
        if inside(self.tape, x, y):
            return self.TAPE
        if inside(self.top, x, y):
            return self.BROWN_TOP
        if inside(self.left, x, y):
            t = (y - self.oy - 0.45 * self.s) / (0.53 * self.s)
            return lerp(self.BROWN_LEFT, (170, 116, 56), max(0.0, min(1.0, t)))
        if inside(self.right, x, y):
            return self.BROWN_RIGHT
        return None


def render(w, h, background, box):
    """RGB rows (top first), supersampled."""
    rows = []
    for py in range(h):
        row = []
        for px in range(w):
            acc = [0.0, 0.0, 0.0]
            for sy in range(SS):
                for sx in range(SS):
                    x = px + (sx + 0.5) / SS
                    y = py + (sy + 0.5) / SS
                    c = box.colour(x, y) if box else None
                    if c is None:
                        c = background(x, y)
                    acc[0] += c[0]
                    acc[1] += c[1]
                    acc[2] += c[2]
            n = SS * SS
            row.append(tuple(int(round(v / n)) for v in acc))
        rows.append(row)
    return rows


def median_cut(pixels, count):
    """A palette of `count` colours for the given pixel colours."""
    boxes = [sorted(set(pixels))]
    while len(boxes) < count:
        # Split the box with the widest channel range.
        best, best_range, best_ch = None, -1, 0
        for i, b in enumerate(boxes):
            if len(b) < 2:
                continue
            for ch in range(3):
                lo = min(c[ch] for c in b)
                hi = max(c[ch] for c in b)
                if hi - lo > best_range:
                    best, best_range, best_ch = i, hi - lo, ch
        if best is None:
            break
        b = sorted(boxes.pop(best), key=lambda c: (c[best_ch], c))
        mid = len(b) // 2
        boxes.append(b[:mid])
        boxes.append(b[mid:])
    pal = []
    for b in boxes:
        pal.append(tuple(int(round(sum(c[ch] for c in b) / len(b))) for ch in range(3)))
    pal = sorted(set(pal))
    while len(pal) < count:
        pal.append((0, 0, 0))
    return pal


def write_bmp8(path, rows):
    h = len(rows)
    w = len(rows[0])
    pixels = [c for r in rows for c in r]
    pal = median_cut(pixels, 256)
    cache = {}

    def nearest(c):
        i = cache.get(c)
        if i is None:
            i = min(range(256), key=lambda k: (pal[k][0] - c[0]) ** 2 * 3
                    + (pal[k][1] - c[1]) ** 2 * 4 + (pal[k][2] - c[2]) ** 2 * 2)
            cache[c] = i
        return i

    stride = (w + 3) & ~3
    bits = bytearray()
    for r in reversed(rows):  # bottom-up DIB
        line = bytes(nearest(c) for c in r)
        bits += line + b"\0" * (stride - w)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in pal)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 8, 0, len(bits), 2835, 2835, 256, 0)
    off = 14 + len(info) + len(palette)
    head = struct.pack("<2sIHHI", b"BM", off + len(bits), 0, 0, off)
    with open(path, "wb") as f:
        f.write(head + info + palette + bits)


def icon_image(size):
    """One 32-bit icon image (BITMAPINFOHEADER, BGRA bits, AND mask)."""
    box = Box(size * 0.04, size * 0.02, size * 0.92)
    transparent = (0, 0, 0)
    rows = []
    alphas = []
    for py in range(size):
        row = []
        arow = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0]
            cover = 0
            for sy in range(SS):
                for sx in range(SS):
                    c = box.colour(px + (sx + 0.5) / SS, py + (sy + 0.5) / SS)
                    if c is not None:
                        cover += 1
                        acc[0] += c[0]
                        acc[1] += c[1]
                        acc[2] += c[2]
            if cover:
                row.append(tuple(int(round(v / cover)) for v in acc))
            else:
                row.append(transparent)
            arow.append(int(round(255 * cover / (SS * SS))))
        rows.append(row)
        alphas.append(arow)
    xor = bytearray()
    for r, a in zip(reversed(rows), reversed(alphas)):
        for (cr, cg, cb), ca in zip(r, a):
            xor += bytes((cb, cg, cr, ca))
    mask_stride = ((size + 31) // 32) * 4
    andm = bytearray()
    for a in reversed(alphas):
        line = bytearray(mask_stride)
        for x, ca in enumerate(a):
            if ca == 0:
                line[x // 8] |= 0x80 >> (x % 8)
        andm += line
    head = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                       len(xor) + len(andm), 0, 0, 0, 0)
    return head + xor + andm


def write_ico(path, sizes):
    images = [icon_image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    off = 6 + 16 * len(images)
    for s, img in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32, len(img), off)
        off += len(img)
    with open(path, "wb") as f:
        f.write(out + b"".join(images))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    if sys.argv[1:] == ["--check"]:
        with tempfile.TemporaryDirectory() as tmp:
            draw(tmp)
            stale = []
            for name in ("vnd_l.bmp", "g_icon.ico"):
                with open(os.path.join(tmp, name), "rb") as a, open(os.path.join(here, name), "rb") as b:
                    if a.read() != b.read():
                        stale.append(name)
        for name in stale:
            print("%s differs from what make_resources.py draws" % name)
        return 1 if stale else 0
    draw(sys.argv[1] if len(sys.argv) > 1 else here)
    return 0


def draw(outdir):
    w, h = 229, 113

    def sky(x, y):
        # Deep blue at the top-left to a pale blue at the bottom-right, with a
        # soft light behind the carton.
        t = (0.65 * y / h + 0.35 * x / w)
        base = lerp((16, 48, 120), (150, 196, 236), t)
        d = math.hypot((x - 0.5 * w) / w, (y - 0.55 * h) / h)
        glow = max(0.0, 1.0 - d * 2.2) ** 2 * 0.45
        return lerp(base, (255, 255, 255), glow)

    s = 100
    box = Box((w - s) / 2, (h - s) / 2 + 2, s)
    write_bmp8(os.path.join(outdir, "vnd_l.bmp"), render(w, h, sky, box))
    write_ico(os.path.join(outdir, "g_icon.ico"), [16, 32, 48])


if __name__ == "__main__":
    sys.exit(main())
