#!/usr/bin/env python3
"""Draws Corvanta's artwork and writes it into resources/.

    resources/corvanta.ico  - the application icon, 16, 32 and 48 pixels, 32 bpp
    resources/splash.bmp    - the splash picture, 396 x 200, 24 bpp

Only the standard library is used, and the output is the same byte for byte
on every run, so the committed files can be checked against this script:

    python3 tools/make_artwork.py          # writes the files
    python3 tools/make_artwork.py --check  # fails if a committed file differs

Shapes are drawn as strokes along centre lines; a pixel's coverage comes from
its distance to the nearest stroke, which gives smooth edges without
supersampling. The small notice text uses a 5x7 bitmap font.
"""
import math
import struct
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
RESOURCES = ROOT / "resources"

TEAL = (14, 124, 134)
NAVY = (27, 58, 107)
ORANGE = (242, 140, 40)
WHITE = (255, 255, 255)
INK = (60, 64, 72)


def clamp01(v):
    return 0.0 if v < 0.0 else 1.0 if v > 1.0 else v


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def seg_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else clamp01(((px - ax) * dx + (py - ay) * dy) / length2)
    ex, ey = px - (ax + t * dx), py - (ay + t * dy)
    return math.sqrt(ex * ex + ey * ey)


def arc(cx, cy, rx, ry, a0, a1, steps=24):
    """Points along an elliptic arc, angles in degrees, y up."""
    pts = []
    for i in range(steps + 1):
        a = math.radians(a0 + (a1 - a0) * i / steps)
        pts.append((cx + rx * math.cos(a), cy + ry * math.sin(a)))
    return pts


class Canvas:
    """An RGB(A) picture, row 0 at the top."""

    def __init__(self, width, height, fill, alpha=255):
        self.width, self.height = width, height
        self.rgb = [[fill] * width for _ in range(height)]
        self.alpha = [[alpha] * width for _ in range(height)]

    def blend(self, x, y, colour, coverage):
        if coverage <= 0.0 or not (0 <= x < self.width and 0 <= y < self.height):
            return
        self.rgb[y][x] = mix(self.rgb[y][x], colour, coverage)

    def strokes(self, polylines, width, colour):
        """Draws polylines (pixel coordinates, y down) as round-capped strokes."""
        half = width / 2.0
        best = {}
        for line in polylines:
            for (ax, ay), (bx, by) in zip(line, line[1:]):
                x0 = max(0, int(math.floor(min(ax, bx) - half - 1)))
                x1 = min(self.width - 1, int(math.ceil(max(ax, bx) + half + 1)))
                y0 = max(0, int(math.floor(min(ay, by) - half - 1)))
                y1 = min(self.height - 1, int(math.ceil(max(ay, by) + half + 1)))
                for y in range(y0, y1 + 1):
                    for x in range(x0, x1 + 1):
                        d = seg_distance(x + 0.5, y + 0.5, ax, ay, bx, by)
                        if d < best.get((x, y), 1e9):
                            best[(x, y)] = d
        for (x, y), d in best.items():
            self.blend(x, y, colour, clamp01(half - d + 0.5))


# --- The large title: a stroke font --------------------------------------
# Glyph units: baseline at y = 0, x-height 1, cap height 1.4, y up. Each glyph
# is (advance, [polyline, ...]) with its strokes' centre lines.
def title_glyphs():
    g = {}
    g["C"] = (1.30, [arc(0.70, 0.70, 0.62, 0.70, 50, 310, 40)])
    g["o"] = (1.08, [arc(0.50, 0.50, 0.44, 0.50, 0, 360, 40)])
    g["r"] = (0.78, [[(0.06, 0.0), (0.06, 1.0)], arc(0.50, 0.46, 0.44, 0.50, 180, 70, 16)])
    g["v"] = (0.98, [[(0.02, 1.0), (0.46, 0.0), (0.90, 1.0)]])
    g["a"] = (1.08, [arc(0.46, 0.50, 0.42, 0.50, 0, 360, 40), [(0.92, 0.0), (0.92, 1.0)]])
    g["n"] = (1.06, [[(0.06, 0.0), (0.06, 1.0)],
                     arc(0.48, 0.56, 0.42, 0.44, 180, 0, 20) + [(0.90, 0.0)]])
    g["t"] = (0.72, [[(0.22, 1.30)] + arc(0.46, 0.24, 0.24, 0.24, 180, 270, 10),
                     [(0.0, 1.0), (0.56, 1.0)]])
    return g


def draw_title(canvas, text, cx, baseline, x_height, width, colour):
    glyphs = title_glyphs()
    spacing = 0.24
    total = sum(glyphs[ch][0] for ch in text) + spacing * (len(text) - 1)
    scale = x_height
    x = cx - total * scale / 2.0
    lines = []
    for ch in text:
        advance, strokes = glyphs[ch]
        for line in strokes:
            lines.append([(x + px * scale, baseline - py * scale) for px, py in line])
        x += (advance + spacing) * scale
    canvas.strokes(lines, width, colour)


# --- The notice: a 5x7 bitmap font ----------------------------------------
# Each glyph: rows of '#' and '.', top row first; the cell is 9 rows, rows
# 0-6 above the baseline and 7-8 for descenders. Lower-case letters start at
# row 2 (their first row is given by the leading number).
SMALL_FONT = {
    " ": (0, ["...", ]),
    ".": (5, ["##", "##"]),
    "(": (0, ["..#", ".#.", "#..", "#..", "#..", ".#.", "..#"]),
    ")": (0, ["#..", ".#.", "..#", "..#", "..#", ".#.", "#.."]),
    "0": (0, [".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###."]),
    "2": (0, [".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"]),
    "6": (0, ["..##.", ".#...", "#....", "####.", "#...#", "#...#", ".###."]),
    "A": (0, [".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"]),
    "D": (0, ["####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."]),
    "a": (2, [".###.", "....#", ".####", "#...#", ".####"]),
    "c": (2, [".###.", "#....", "#....", "#...#", ".###."]),
    "d": (0, ["....#", "....#", ".##.#", "#..##", "#...#", "#...#", ".####"]),
    "e": (2, [".###.", "#...#", "#####", "#....", ".###."]),
    "g": (2, [".####", "#...#", "#...#", "#...#", ".####", "....#", ".###."]),
    "h": (0, ["#....", "#....", "#.##.", "##..#", "#...#", "#...#", "#...#"]),
    "i": (0, [".#.", "...", "##.", ".#.", ".#.", ".#.", "###"]),
    "l": (0, ["##.", ".#.", ".#.", ".#.", ".#.", ".#.", "###"]),
    "n": (2, ["#.##.", "##..#", "#...#", "#...#", "#...#"]),
    "o": (2, [".###.", "#...#", "#...#", "#...#", ".###."]),
    "r": (2, ["#.##.", "##..#", "#....", "#....", "#...."]),
    "s": (2, [".####", "#....", ".###.", "....#", "####."]),
    "t": (0, [".#...", ".#...", "####.", ".#...", ".#...", ".#..#", "..##."]),
    "v": (2, ["#...#", "#...#", "#...#", ".#.#.", "..#.."]),
}


def small_text_width(text):
    return sum(len(SMALL_FONT[ch][1][0]) + 1 for ch in text) - 1


def draw_small_text(canvas, text, left, top, colour):
    x = left
    for ch in text:
        first, rows = SMALL_FONT[ch]
        for r, row in enumerate(rows):
            for c, cell in enumerate(row):
                if cell == "#":
                    canvas.blend(x + c, top + first + r, colour, 1.0)
        x += len(rows[0]) + 1


# --- The splash picture ----------------------------------------------------
SPLASH_W, SPLASH_H = 396, 200
# The window shows the picture at (2, 2) in a 392 x 196 control, so its
# right-most 4 columns and bottom 4 rows are never seen: keep content out.
VISIBLE_W, VISIBLE_H = SPLASH_W - 4, SPLASH_H - 4
NOTICE = "(c) 2026 Dravenholt. All rights reserved."


def make_splash():
    c = Canvas(SPLASH_W, SPLASH_H, WHITE)
    band_top, band_bottom = 34, 134
    for y in range(band_top, band_bottom):
        for x in range(SPLASH_W):
            t = (x / (SPLASH_W - 1)) * 0.7 + ((y - band_top) / (band_bottom - band_top)) * 0.3
            c.rgb[y][x] = mix(TEAL, NAVY, t)
    for y in range(band_bottom, band_bottom + 4):
        for x in range(SPLASH_W):
            c.rgb[y][x] = ORANGE
    draw_title(c, "Corvanta", VISIBLE_W / 2.0, 104, 31.0, 6.5, WHITE)
    left = (VISIBLE_W - small_text_width(NOTICE)) // 2
    draw_small_text(c, NOTICE, left, 164, INK)
    return c


def bmp_bytes(canvas):
    row_size = (canvas.width * 3 + 3) & ~3
    pixels = bytearray()
    for y in range(canvas.height - 1, -1, -1):  # bottom-up
        row = bytearray()
        for r, g, b in canvas.rgb[y]:
            row += bytes((b, g, r))
        row += b"\0" * (row_size - len(row))
        pixels += row
    header_size = 14 + 40
    file_header = struct.pack("<2sIHHI", b"BM", header_size + len(pixels), 0, 0, header_size)
    info = struct.pack("<IiiHHIIiiII", 40, canvas.width, canvas.height, 1, 24, 0,
                       len(pixels), 3780, 3780, 0, 0)
    return file_header + info + bytes(pixels)


# --- The application icon --------------------------------------------------
def rounded_box_distance(px, py, half, radius):
    """Signed distance from the centre-origin point to a rounded square."""
    qx, qy = abs(px) - (half - radius), abs(py) - (half - radius)
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - radius


def make_icon_image(size):
    c = Canvas(size, size, (0, 0, 0), alpha=0)
    half = size / 2.0 - 0.5 if size > 16 else size / 2.0
    radius = size * 0.2
    for y in range(size):
        for x in range(size):
            d = rounded_box_distance(x + 0.5 - size / 2.0, y + 0.5 - size / 2.0, half, radius)
            cover = clamp01(0.5 - d)
            if cover > 0.0:
                c.rgb[y][x] = mix(TEAL, NAVY, (x + y) / (2.0 * (size - 1)))
                c.alpha[y][x] = int(round(255 * cover))
    s = size
    ring = [(s * 0.5 + s * 0.27 * math.cos(math.radians(a)), s * 0.5 - s * 0.27 * math.sin(math.radians(a)))
            for a in [50 + i * 260 / 32 for i in range(33)]]
    c.strokes([ring], max(2.0, s * 0.15), WHITE)
    dot = arc(s * 0.74, s * 0.5, 0.0, 0.0, 0, 0, 1)
    c.strokes([dot], max(2.0, s * 0.16), ORANGE)
    return c


def icon_entry_bytes(canvas):
    """One icon image: a BITMAPINFOHEADER with doubled height, 32-bpp BGRA
    rows bottom-up, then the 1-bpp AND mask (set where fully transparent)."""
    size = canvas.width
    xor = bytearray()
    for y in range(size - 1, -1, -1):
        for x in range(size):
            r, g, b = canvas.rgb[y][x]
            xor += bytes((b, g, r, canvas.alpha[y][x]))
    mask_row = ((size + 31) // 32) * 4
    mask = bytearray()
    for y in range(size - 1, -1, -1):
        row = bytearray(mask_row)
        for x in range(size):
            if canvas.alpha[y][x] == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return info + bytes(xor) + bytes(mask)


def ico_bytes(sizes):
    images = [icon_entry_bytes(make_icon_image(s)) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


def main(argv):
    outputs = {
        RESOURCES / "corvanta.ico": ico_bytes([16, 32, 48]),
        RESOURCES / "splash.bmp": bmp_bytes(make_splash()),
    }
    check = "--check" in argv
    stale = []
    for path, data in outputs.items():
        if check:
            if not path.exists() or path.read_bytes() != data:
                stale.append(path)
        else:
            path.write_bytes(data)
            print(f"wrote {path.relative_to(ROOT)} ({len(data)} bytes)")
    if stale:
        for path in stale:
            print(f"make_artwork: {path.relative_to(ROOT)} differs from what the script draws",
                  file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
