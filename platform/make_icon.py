#!/usr/bin/env python3
"""Draws the Quorvane icon and writes it as platform/quorvane.ico.

One 16x16 image, 32 bits per pixel with alpha: a dark rounded square crossed by one green period
of a sine wave. The .ico is committed; rerun this only to change the design:

    python3 platform/make_icon.py platform/quorvane.ico
"""

import math
import struct
import sys

SIZE = 16
SAMPLES = 8  # per pixel side, for anti-aliased edges
CORNER = 3.0  # radius of the square's rounded corners, in pixels
BACKGROUND = (0x14, 0x18, 0x1E)
STROKE = (0x3C, 0xE8, 0x6E)
STROKE_HALF_WIDTH = 0.85
WAVE_MARGIN = 2.5  # the wave keeps this far from the square's left and right sides
WAVE_AMPLITUDE = 4.0


def inside_square(x, y):
    """Whether the point (pixel units, origin top left) lies on the rounded square."""
    cx = min(max(x, CORNER), SIZE - CORNER)
    cy = min(max(y, CORNER), SIZE - CORNER)
    return (x - cx) ** 2 + (y - cy) ** 2 <= CORNER**2


def wave_points(steps=400):
    span = SIZE - 2 * WAVE_MARGIN
    return [(WAVE_MARGIN + span * i / steps,
             SIZE / 2 - WAVE_AMPLITUDE * math.sin(2 * math.pi * i / steps))
            for i in range(steps + 1)]


def on_stroke(x, y, points):
    return min((x - px) ** 2 + (y - py) ** 2 for px, py in points) <= STROKE_HALF_WIDTH**2


def pixel(column, row, points):
    """(r, g, b, a) of one pixel: coverage of the square, the stroke painted over it."""
    square = stroke = 0
    for sy in range(SAMPLES):
        for sx in range(SAMPLES):
            x = column + (sx + 0.5) / SAMPLES
            y = row + (sy + 0.5) / SAMPLES
            if inside_square(x, y):
                square += 1
                stroke += on_stroke(x, y, points)
    if square == 0:
        return (0, 0, 0, 0)
    t = stroke / square
    rgb = tuple(round(b + (s - b) * t) for b, s in zip(BACKGROUND, STROKE))
    return rgb + (round(255 * square / SAMPLES**2),)


def ico_bytes(pixels):
    """An .ico holding one 32-bit BI_RGB image: bottom-up BGRA rows, then the 1-bit AND mask."""
    colour = b"".join(struct.pack("<4B", b, g, r, a)
                      for row in reversed(pixels) for r, g, b, a in row)
    mask_stride = (SIZE + 31) // 32 * 4
    mask = b""
    for row in reversed(pixels):
        bits = 0
        for column, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits |= 1 << (mask_stride * 8 - 1 - column)
        mask += bits.to_bytes(mask_stride, "big")
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, 2 * SIZE, 1, 32, 0, len(colour) + len(mask),
                         0, 0, 0, 0)
    image = header + colour + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, len(image), 6 + 16)
    return directory + entry + image


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    points = wave_points()
    pixels = [[pixel(column, row, points) for column in range(SIZE)] for row in range(SIZE)]
    with open(sys.argv[1], "wb") as out:
        out.write(ico_bytes(pixels))


if __name__ == "__main__":
    main()
