#!/usr/bin/env python3
"""Draws Zelmora's own pictures (tray icons, tray menu marks, program icon)
into res/ as PNG files, and the program icon once more as SVG for the
desktop's scalable icons. Run it again after changing a picture here; the
files are kept in the repository so that a build needs no Python."""

import math
import os
import struct
import sys
import zlib

RED = (220, 30, 30, 255)
DARK_RED = (130, 0, 0, 255)
BLUE = (30, 60, 230, 255)
DARK_BLUE = (0, 20, 120, 255)
BLACK = (0, 0, 0, 255)
WHITE = (255, 255, 255, 255)
YELLOW = (255, 220, 0, 255)
DARK_YELLOW = (150, 110, 0, 255)
NAVY = (20, 40, 90, 255)
GREEN = (0, 120, 40, 255)

SAMPLES = 4  # per pixel and axis


class Polygon:
    def __init__(self, points, colour):
        self.points = points
        self.colour = colour

    def contains(self, x, y):
        inside = False
        pts = self.points
        j = len(pts) - 1
        for i in range(len(pts)):
            xi, yi = pts[i]
            xj, yj = pts[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                inside = not inside
            j = i
        return inside


class Circle:
    def __init__(self, cx, cy, r, colour):
        self.cx, self.cy, self.r, self.colour = cx, cy, r, colour

    def contains(self, x, y):
        return (x - self.cx) ** 2 + (y - self.cy) ** 2 <= self.r ** 2


def line(a, b, width, colour):
    """A stroke from a to b with round ends, as shapes."""
    (x0, y0), (x1, y1) = a, b
    length = math.hypot(x1 - x0, y1 - y0) or 1.0
    nx, ny = -(y1 - y0) / length * width / 2, (x1 - x0) / length * width / 2
    quad = Polygon([(x0 + nx, y0 + ny), (x1 + nx, y1 + ny), (x1 - nx, y1 - ny), (x0 - nx, y0 - ny)], colour)
    return [quad, Circle(x0, y0, width / 2, colour), Circle(x1, y1, width / 2, colour)]


def polyline(points, width, colour):
    shapes = []
    for a, b in zip(points, points[1:]):
        shapes += line(a, b, width, colour)
    return shapes


def outlined(points, fill, edge, width):
    """A filled polygon with a drawn edge around it."""
    return polyline(points + [points[0]], width, edge) + [Polygon(points, fill)]


def render(shapes, size):
    """Renders shapes given in a 0..1 square into size x size RGBA pixels."""
    pixels = bytearray()
    for py in range(size):
        pixels.append(0)  # PNG filter byte of the row
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = (px + (sx + 0.5) / SAMPLES) / size
                    y = (py + (sy + 0.5) / SAMPLES) / size
                    colour = None
                    for shape in shapes:
                        if shape.contains(x, y):
                            colour = shape.colour
                    if colour:
                        alpha = colour[3] / 255
                        for c in range(3):
                            acc[c] += colour[c] * alpha
                        acc[3] += alpha
            n = SAMPLES * SAMPLES
            a = acc[3] / n
            if a > 0:
                pixels += bytes(round(acc[c] / acc[3]) for c in range(3)) + bytes([round(a * 255)])
            else:
                pixels += bytes(4)
    return bytes(pixels)


def write_png(path, size, rgba_rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    data = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rgba_rows, 9)) + chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(data)


def write_svg(path, shapes, size):
    """The shapes as an SVG of size x size, later shapes over earlier ones."""
    def colour(rgba):
        return 'fill="#%02x%02x%02x"%s' % (rgba[:3] + ((' fill-opacity="%.3f"' % (rgba[3] / 255)) if rgba[3] < 255 else "",))

    def number(v):
        return ("%.2f" % (v * size)).rstrip("0").rstrip(".")

    body = []
    for shape in shapes:
        if isinstance(shape, Circle):
            body.append('<circle cx="%s" cy="%s" r="%s" %s/>'
                        % (number(shape.cx), number(shape.cy), number(shape.r), colour(shape.colour)))
        else:
            points = " ".join("%s,%s" % (number(x), number(y)) for x, y in shape.points)
            body.append('<polygon points="%s" %s/>' % (points, colour(shape.colour)))
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write('<?xml version="1.0" encoding="UTF-8"?>\n'
                '<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" viewBox="0 0 %d %d">\n'
                % (size, size, size, size))
        f.write("".join("  %s\n" % element for element in body))
        f.write("</svg>\n")


# Tray pictures: an arrow by the day's change, yellow marks for disclosures.

def up_arrow(fill, edge):
    return outlined([(0.5, 0.06), (0.92, 0.5), (0.66, 0.5), (0.66, 0.94), (0.34, 0.94), (0.34, 0.5), (0.08, 0.5)],
                    fill, edge, 0.08)


def down_arrow(fill, edge):
    return outlined([(0.5, 0.94), (0.92, 0.5), (0.66, 0.5), (0.66, 0.06), (0.34, 0.06), (0.34, 0.5), (0.08, 0.5)],
                    fill, edge, 0.08)


def flat_bar(fill, edge):
    return outlined([(0.06, 0.5), (0.36, 0.2), (0.36, 0.36), (0.94, 0.36), (0.94, 0.64), (0.36, 0.64), (0.36, 0.8)],
                    fill, edge, 0.08)


def sparkle(cx, cy, r):
    points = []
    for k in range(8):
        angle = math.pi / 4 * k - math.pi / 2
        radius = r if k % 2 == 0 else r * 0.38
        points.append((cx + radius * math.cos(angle), cy + radius * math.sin(angle)))
    return outlined(points, YELLOW, DARK_YELLOW, 0.05)


def news_marks():
    return sparkle(0.2, 0.2, 0.2) + sparkle(0.82, 0.8, 0.17)


def program_icon():
    frame = [(0.04, 0.04), (0.96, 0.04), (0.96, 0.96), (0.04, 0.96)]
    shapes = outlined(frame, NAVY, (70, 110, 190, 255), 0.06)
    shapes += polyline([(0.14, 0.8), (0.38, 0.52), (0.56, 0.66), (0.84, 0.26)], 0.11, RED)
    shapes += [Polygon([(0.92, 0.14), (0.9, 0.42), (0.68, 0.2)], RED)]
    shapes += polyline([(0.14, 0.88), (0.88, 0.88)], 0.04, WHITE)
    shapes += sparkle(0.24, 0.24, 0.14)
    return shapes


TRAY = {
    "app": program_icon(),
    "up": up_arrow(RED, DARK_RED),
    "down": down_arrow(BLUE, DARK_BLUE),
    "flat": flat_bar(BLACK, (150, 150, 150, 255)),
    "up_news": up_arrow(RED, DARK_RED) + news_marks(),
    "down_news": down_arrow(BLUE, DARK_BLUE) + news_marks(),
    "flat_news": flat_bar(BLACK, (150, 150, 150, 255)) + news_marks(),
}


# Tray menu marks: up, down and flat, each unchecked and with a tick.

def small_up(x0):
    return [Polygon([(x0 + 0.25, 0.12), (x0 + 0.5, 0.55), (x0, 0.55)], RED),
            Polygon([(x0 + 0.16, 0.5), (x0 + 0.34, 0.5), (x0 + 0.34, 0.9), (x0 + 0.16, 0.9)], RED)]


def small_down(x0):
    return [Polygon([(x0 + 0.25, 0.88), (x0 + 0.5, 0.45), (x0, 0.45)], BLUE),
            Polygon([(x0 + 0.16, 0.5), (x0 + 0.34, 0.5), (x0 + 0.34, 0.1), (x0 + 0.16, 0.1)], BLUE)]


def small_diamond(x0):
    return [Polygon([(x0, 0.5), (x0 + 0.25, 0.12), (x0 + 0.5, 0.5)], RED),
            Polygon([(x0, 0.5), (x0 + 0.5, 0.5), (x0 + 0.25, 0.88)], BLUE)]


def tick():
    return polyline([(0.06, 0.52), (0.2, 0.72), (0.46, 0.22)], 0.13, GREEN)


MARKS = {
    "up": small_up(0.25),
    "down": small_down(0.25),
    "flat": small_diamond(0.25),
    "up_checked": tick() + small_up(0.5),
    "down_checked": tick() + small_down(0.5),
    "flat_checked": tick() + small_diamond(0.5),
}


def main():
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "res")
    os.makedirs(out, exist_ok=True)
    jobs = [("tray_%s_%d.png" % (name, size), shapes, size) for name, shapes in TRAY.items() for size in (16, 32, 64)]
    jobs += [("mark_%s_%d.png" % (name, size), shapes, size) for name, shapes in MARKS.items() for size in (11, 22)]
    # The program icon at the desktop's icon sizes.
    jobs += [("zelmora_%d.png" % size, program_icon(), size) for size in (16, 32, 48, 64, 128, 256)]
    for name, shapes, size in jobs:
        write_png(os.path.join(out, name), size, render(shapes, size))
        sys.stdout.write(name + "\n")
    write_svg(os.path.join(out, "zelmora.svg"), program_icon(), 256)
    sys.stdout.write("zelmora.svg\n")


if __name__ == "__main__":
    main()
