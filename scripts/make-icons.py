#!/usr/bin/env python3
"""Draws tabloom's icons, the program's and the one of .tbm project files: the
scalable SVG and the PNG sizes of the hicolor theme under data/icons. Plain Python (zlib only), so it runs anywhere; the
PNGs are committed and only need redrawing when the design changes."""
import math
import os
import struct
import zlib

SIZES = [16, 22, 24, 32, 48, 64, 128, 256, 512]
ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "icons", "hicolor")

GREEN = (0x1F, 0x6F, 0x54)
WHITE = (0xFF, 0xFF, 0xFF)
HEADER = (0xCD, 0xE8, 0xDC)
PETAL = (0xF2, 0x8A, 0xB0)
HEART = (0xFF, 0xD3, 0x4D)
EDGE = (0x8A, 0x96, 0x90)

# Shapes on a 256-unit canvas, painted in order: (kind, geometry, colour).
PETALS = [(180 + 30 * math.cos(math.radians(a)), 80 + 30 * math.sin(math.radians(a)))
          for a in range(-90, 270, 72)]
SHAPES = (
    [("rrect", (16, 16, 240, 240, 44), GREEN),
     ("rrect", (44, 92, 188, 220, 10), WHITE),
     ("rect", (44, 92, 188, 124), HEADER)]
    + [("rect", (44, y - 3, 188, y + 3), GREEN) for y in (124, 156, 188)]
    + [("rect", (x - 3, 92, x + 3, 220), GREEN) for x in (92, 140)]
    + [("circle", (px, py, 24), PETAL) for px, py in PETALS]
    + [("circle", (180, 80, 15), HEART)]
)

# A project file: a sheet of paper with the program's table and flower.
DOC_PETALS = [(160 + 20 * math.cos(math.radians(a)), 62 + 20 * math.sin(math.radians(a)))
              for a in range(-90, 270, 72)]
DOC_SHAPES = (
    [("rrect", (36, 8, 220, 248, 14), EDGE),
     ("rrect", (44, 16, 212, 240, 8), WHITE),
     ("rect", (64, 116, 192, 220), WHITE),
     ("rect", (64, 116, 192, 140), HEADER)]
    + [("rect", (64, y - 3, 192, y + 3), GREEN) for y in (116, 140, 166, 192, 218)]
    + [("rect", (x - 3, 116, x + 3, 220), GREEN) for x in (64, 107, 150, 192)]
    + [("circle", (px, py, 16), PETAL) for px, py in DOC_PETALS]
    + [("circle", (160, 62, 10), HEART)]
)
ICONS = [("apps", "tabloom", SHAPES), ("mimetypes", "application-x-tabloom-project", DOC_SHAPES)]


def inside(kind, g, x, y):
    if kind == "rect":
        return g[0] <= x < g[2] and g[1] <= y < g[3]
    if kind == "circle":
        return (x - g[0]) ** 2 + (y - g[1]) ** 2 <= g[2] ** 2
    x0, y0, x1, y1, r = g
    if not (x0 <= x < x1 and y0 <= y < y1):
        return False
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def render(shapes, size, samples=4):
    scale = 256.0 / size
    rows = []
    for py in range(size):
        row = bytearray()
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(samples):
                for sx in range(samples):
                    x = (px + (sx + 0.5) / samples) * scale
                    y = (py + (sy + 0.5) / samples) * scale
                    colour = None
                    for kind, g, c in shapes:
                        if inside(kind, g, x, y):
                            colour = c
                    if colour:
                        acc[0] += colour[0]; acc[1] += colour[1]; acc[2] += colour[2]; acc[3] += 1
            n = samples * samples
            if acc[3]:
                row += bytes([round(acc[0] / acc[3]), round(acc[1] / acc[3]), round(acc[2] / acc[3]),
                              round(255 * acc[3] / n)])
            else:
                row += bytes(4)
        rows.append(bytes(row))
    return rows


def png(size, rows):
    def chunk(tag, data):
        return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data))
    raw = b"".join(b"\0" + r for r in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def svg(shapes):
    def hexc(c):
        return "#%02x%02x%02x" % c
    parts = ['<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">']
    for kind, g, c in shapes:
        if kind == "rect":
            parts.append('<rect x="%g" y="%g" width="%g" height="%g" fill="%s"/>'
                         % (g[0], g[1], g[2] - g[0], g[3] - g[1], hexc(c)))
        elif kind == "rrect":
            parts.append('<rect x="%g" y="%g" width="%g" height="%g" rx="%g" fill="%s"/>'
                         % (g[0], g[1], g[2] - g[0], g[3] - g[1], g[4], hexc(c)))
        else:
            parts.append('<circle cx="%.2f" cy="%.2f" r="%g" fill="%s"/>' % (g[0], g[1], g[2], hexc(c)))
    parts.append("</svg>")
    return "\n".join(parts) + "\n"


def main():
    for context, name, shapes in ICONS:
        for size in SIZES:
            folder = os.path.join(ROOT, "%dx%d" % (size, size), context)
            os.makedirs(folder, exist_ok=True)
            # Fewer samples where pixels are small against the shapes: same edges, less time.
            samples = 8 if size < 64 else 4 if size < 512 else 2
            with open(os.path.join(folder, name + ".png"), "wb") as f:
                f.write(png(size, render(shapes, size, samples)))
        folder = os.path.join(ROOT, "scalable", context)
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, name + ".svg"), "w") as f:
            f.write(svg(shapes))


if __name__ == "__main__":
    main()
