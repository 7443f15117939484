#!/usr/bin/env python3
"""Draws the window icon, a small panel meter, as a 48 x 48 RGBA PNG.

Run once and commit the result: python3 make_app_icon.py app_icon.png
Only the standard library is used; edges are smoothed by 4 x 4 supersampling.
"""
import math
import struct
import sys
import zlib

SIZE = 48
SAMPLES = 4

CASE = (52, 64, 82)
CASE_EDGE = (28, 34, 44)
DIAL = (236, 240, 232)
SCALE = (40, 40, 40)
NEEDLE = (208, 36, 28)
DISPLAY = (24, 60, 30)
DIGITS = (110, 230, 120)

DIAL_CENTRE = (24.0, 29.0)
DIAL_RADIUS = 17.0
NEEDLE_ANGLE = math.radians(50)  # from the vertical, towards the right


def inside_rounded_square(x, y, inset, radius):
    low, high = inset, SIZE - inset
    cx = min(max(x, low + radius), high - radius)
    cy = min(max(y, low + radius), high - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2 and low <= x <= high and low <= y <= high


def near_segment(x, y, a, b, half_width):
    ax, ay = a
    bx, by = b
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
    px, py = ax + t * dx, ay + t * dy
    return (x - px) ** 2 + (y - py) ** 2 <= half_width ** 2


def polar(angle, radius):
    return (DIAL_CENTRE[0] + radius * math.sin(angle), DIAL_CENTRE[1] - radius * math.cos(angle))


def on_scale_tick(x, y):
    for step in range(-4, 5):
        angle = math.radians(step * 18)
        if near_segment(x, y, polar(angle, DIAL_RADIUS - 5), polar(angle, DIAL_RADIUS - 1.5), 0.7):
            return True
    return False


def in_display_digit(x, y):
    # Three segments of bars standing for the numeric read-out under the dial.
    for left in (15.0, 22.0, 29.0):
        if left <= x <= left + 4.5 and 35.5 <= y <= 40.5:
            edge = x - left < 1.0 or left + 4.5 - x < 1.0 or y - 35.5 < 1.0 or 40.5 - y < 1.0
            middle = abs(y - 38.0) < 0.5
            if edge or middle:
                return True
    return False


def colour_at(x, y):
    """The colour of one sample point, or None outside the icon."""
    if not inside_rounded_square(x, y, 1.0, 7.0):
        return None
    if not inside_rounded_square(x, y, 2.5, 5.5):
        return CASE_EDGE
    if in_display_digit(x, y):
        return DIGITS
    if 12.0 <= x <= 36.0 and 34.0 <= y <= 42.0:
        return DISPLAY
    dx, dy = x - DIAL_CENTRE[0], y - DIAL_CENTRE[1]
    in_dial = dx * dx + dy * dy <= DIAL_RADIUS ** 2 and dy <= 1.0
    if in_dial:
        if near_segment(x, y, DIAL_CENTRE, polar(NEEDLE_ANGLE, DIAL_RADIUS - 3), 1.0):
            return NEEDLE
        if dx * dx + dy * dy <= 2.2 ** 2:
            return SCALE
        if on_scale_tick(x, y):
            return SCALE
        return DIAL
    return CASE


def render():
    rows = []
    for py in range(SIZE):
        row = bytearray()
        for px in range(SIZE):
            totals = [0, 0, 0]
            covered = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    colour = colour_at(px + (sx + 0.5) / SAMPLES, py + (sy + 0.5) / SAMPLES)
                    if colour is not None:
                        covered += 1
                        for channel in range(3):
                            totals[channel] += colour[channel]
            if covered:
                row += bytes(round(total / covered) for total in totals)
            else:
                row += bytes(3)
            row.append(round(255 * covered / (SAMPLES * SAMPLES)))
        rows.append(bytes(row))
    return rows


def png(rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)  # 8-bit RGBA
    raw = b"".join(b"\x00" + row for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


if __name__ == "__main__":
    with open(sys.argv[1], "wb") as out:
        out.write(png(render()))
