#!/usr/bin/env python3
"""Generates the pictures and sounds of the demo lesson (24-bit BMP files and 16-bit WAV files)."""
import math
import os
import struct
import sys

MAGENTA = (255, 0, 255)


def write_bmp(path, width, height, pixel):
    """pixel(x, y) -> (r, g, b) with y = 0 at the top; rows are stored bottom-up, padded to 4 bytes."""
    row_size = (width * 3 + 3) & ~3
    data = bytearray()
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += b"\0" * (row_size - len(row))
        data += row
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


def write_wav(path, frames, rate=44100):
    data = b"".join(struct.pack("<h", max(-32767, min(32767, int(s)))) for s in frames)
    fmt = struct.pack("<HHIIHH", 1, 1, rate, rate * 2, 2, 16)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(data)) + data
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", len(body)) + body)


def tile(x, y):
    """A 100 x 80 background tile: soft stripes like a stave."""
    base = (236, 241, 248)
    if y % 16 == 8:
        return (196, 208, 228)
    return base


def note_picture(x, y):
    """A 120 x 160 quaver on a magenta (transparent) ground."""
    head = ((x - 45) / 30.0) ** 2 + ((y - 125) / 21.0) ** 2 <= 1.0
    stem = 68 <= x <= 76 and 20 <= y <= 125
    flag = 76 <= x <= 112 and 20 <= y <= 80 and (y - 20) >= (x - 76) * 1.2 and (y - 20) <= (x - 76) * 1.2 + 22
    return (40, 40, 90) if head or stem or flag else MAGENTA


def button_picture(label_colour):
    def pixel(x, y):
        inside = ((x - 60) / 60.0) ** 2 + ((y - 30) / 30.0) ** 2 <= 1.0
        return label_colour if inside else MAGENTA
    return pixel


def tone(frequency, seconds, rate=44100):
    count = int(seconds * rate) + 100  # the player leaves out the last 100 frames of a sample
    return [12000 * math.sin(2 * math.pi * frequency * i / rate) * min(1.0, (count - i) / 2000.0)
            for i in range(count)]


def main():
    lesson = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "lessons", "demo")
    pictures = os.path.join(lesson, "pictures")
    sounds = os.path.join(lesson, "sounds")
    os.makedirs(pictures, exist_ok=True)
    os.makedirs(sounds, exist_ok=True)
    write_bmp(os.path.join(pictures, "stave.bmp"), 100, 80, tile)
    write_bmp(os.path.join(pictures, "note.bmp"), 120, 160, note_picture)
    write_bmp(os.path.join(pictures, "yes.bmp"), 120, 60, button_picture((70, 160, 90)))
    write_bmp(os.path.join(pictures, "no.bmp"), 120, 60, button_picture((190, 80, 70)))
    write_wav(os.path.join(sounds, "a441.wav"), tone(441.0, 0.6))
    # The lesson counts its runs in a store file; the first run finds it at 0.
    visits = os.path.join(lesson, "visits.sto")
    if not os.path.exists(visits):
        with open(visits, "wb") as f:
            f.write(b"$visits=0\r\r\n")


if __name__ == "__main__":
    main()
