#!/usr/bin/env python3
"""Wraps the window icon (a 48 x 48 RGBA PNG) as a Windows icon file holding that one image.

Run once and commit the result: python3 make_app_icon_ico.py ../../qt/resources/app_icon.png app_icon.ico
An icon file may hold PNG images as they are; only the directory entry in front is written.
"""
import struct
import sys

SIZE = 48


def main(source, target):
    with open(source, "rb") as png:
        image = png.read()
    if image[:8] != b"\x89PNG\r\n\x1a\n":
        sys.exit(f"{source} is not a PNG image")
    width, height = struct.unpack(">II", image[16:24])
    if (width, height) != (SIZE, SIZE):
        sys.exit(f"{source} is {width} x {height}, not {SIZE} x {SIZE}")
    header = struct.pack("<HHH", 0, 1, 1)  # reserved, type icon, one image
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, len(image), 6 + 16)
    with open(target, "wb") as icon:
        icon.write(header + entry + image)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
