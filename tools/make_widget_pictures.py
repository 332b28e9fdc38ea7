#!/usr/bin/env python3
"""Draws every picture the widgets use and packs them into an image library with slitool.

    make_widget_pictures.py SLITOOL OUTPUT.sli

Magenta (255, 0, 255) is the see-through colour of every picture. The pictures are plain 24-bit
bottom-up BMP files, drawn from rectangles so that a test can tell them apart by a few pixels.
"""
import os
import shutil
import subprocess
import sys
import tempfile

MAGENTA = (255, 0, 255)
BLACK = (0, 0, 0)
WHITE = (255, 255, 255)
FACE = (200, 200, 200)
PRESSED = (100, 100, 100)
DARK = (60, 60, 60)
RED = (153, 0, 0)


class Picture:
    def __init__(self, width, height, colour=MAGENTA):
        self.width, self.height = width, height
        self.rows = [[colour] * width for _ in range(height)]  # top row first

    def rect(self, x, y, w, h, colour):
        for row in range(max(y, 0), min(y + h, self.height)):
            for col in range(max(x, 0), min(x + w, self.width)):
                self.rows[row][col] = colour
        return self

    def bmp(self):
        row_bytes = (self.width * 3 + 3) // 4 * 4
        pixels = bytearray()
        for row in reversed(self.rows):
            line = bytearray()
            for r, g, b in row:
                line += bytes((b, g, r))
            pixels += line + bytes(row_bytes - len(line))
        header = b"BM" + (54 + len(pixels)).to_bytes(4, "little") + bytes(4) + (54).to_bytes(4, "little")
        info = (40).to_bytes(4, "little") + self.width.to_bytes(4, "little") + self.height.to_bytes(4, "little")
        info += (1).to_bytes(2, "little") + (24).to_bytes(2, "little") + bytes(4) + len(pixels).to_bytes(4, "little")
        info += bytes(16)
        return header + info + bytes(pixels)


def button(face):
    # A bordered face with its corners cut off.
    p = Picture(60, 24).rect(1, 0, 58, 24, DARK).rect(0, 1, 60, 22, DARK).rect(2, 2, 56, 20, face)
    return p.rect(22, 8, 16, 8, BLACK if face == FACE else WHITE)


def check(on):
    p = Picture(16, 16).rect(0, 0, 16, 16, DARK).rect(2, 2, 12, 12, WHITE)
    return p.rect(5, 5, 6, 6, BLACK) if on else p


# Seven segments a to g: top, upper right, lower right, bottom, lower left, upper left, middle.
SEGMENTS = {"0": "abcdef", "1": "bc", "2": "abdeg", "3": "abcdg", "4": "bcfg", "5": "acdfg", "6": "acdefg",
            "7": "abc", "8": "abcdefg", "9": "abcdfg", "_": ""}


def digit(name):
    p = Picture(10, 16, WHITE)
    places = {"a": (2, 1, 6, 2), "b": (7, 2, 2, 6), "c": (7, 8, 2, 6), "d": (2, 13, 6, 2), "e": (1, 8, 2, 6),
              "f": (1, 2, 2, 6), "g": (2, 7, 6, 2)}
    for segment in SEGMENTS[name]:
        p.rect(*places[segment], BLACK)
    return p


def arrow(up, pressed):
    p = Picture(14, 18).rect(0, 0, 14, 18, DARK).rect(1, 1, 12, 16, PRESSED if pressed else FACE)
    for i in range(5):
        y = 6 + i if up else 11 - i
        p.rect(7 - i, y, 2 * i + 1, 1, BLACK)
    return p


def pictures():
    yield "ok", "ok1.bmp", button(FACE)
    yield "ok", "ok2.bmp", button(PRESSED)
    yield "check", "trig1.bmp", check(False)
    yield "check", "trig2.bmp", check(True)
    for name in "0123456789_":
        yield "spin", "spin%s.bmp" % name, digit(name)
    yield "spin", "spin_l.bmp", Picture(4, 18, DARK).rect(2, 1, 2, 16, FACE)
    yield "spin", "spin_m.bmp", Picture(8, 18, DARK).rect(0, 1, 8, 16, WHITE)
    yield "spin", "spin_r.bmp", Picture(4, 18, DARK).rect(0, 1, 2, 16, FACE)
    yield "spin", "spinup1.bmp", arrow(True, False)
    yield "spin", "spinup2.bmp", arrow(True, True)
    yield "spin", "spindn1.bmp", arrow(False, False)
    yield "spin", "spindn2.bmp", arrow(False, True)
    yield "slider", "left.bmp", Picture(6, 20).rect(2, 8, 4, 4, DARK)
    yield "slider", "middle.bmp", Picture(8, 20).rect(0, 8, 8, 4, DARK)
    yield "slider", "right.bmp", Picture(6, 20).rect(0, 8, 4, 4, DARK)
    yield "slider", "arm.bmp", Picture(10, 20).rect(1, 0, 8, 20, DARK).rect(3, 2, 4, 16, FACE)
    yield "list", "tick.bmp", Picture(12, 12).rect(2, 5, 3, 4, RED).rect(5, 2, 3, 7, RED)
    frame = {"top.bmp": (16, 6), "tople.bmp": (6, 6), "topri.bmp": (6, 6), "left.bmp": (6, 16),
             "right.bmp": (6, 16), "bottom.bmp": (16, 6), "bole.bmp": (6, 6), "bori.bmp": (6, 6)}
    for name, (w, h) in frame.items():
        yield "frame", name, Picture(w, h, DARK).rect(1, 1, w - 2, h - 2, FACE)
    yield "frame", "back.bmp", Picture(16, 16, FACE)


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: make_widget_pictures.py SLITOOL OUTPUT.sli")
    slitool, output = sys.argv[1], sys.argv[2]
    work = tempfile.mkdtemp()
    try:
        items = []
        for group, name, picture in pictures():
            os.makedirs(os.path.join(work, group), exist_ok=True)
            path = os.path.join(work, group, name)
            with open(path, "wb") as out:
                out.write(picture.bmp())
            items.append("%s:%s" % (group, path))
        packed = os.path.join(work, "controls.sli")
        subprocess.run([slitool, "pack", packed] + items, check=True)
        shutil.copyfile(packed, output + ".new")
        os.replace(output + ".new", output)
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()
