#!/usr/bin/env python3
"""Writes the WAV seeds of the wav fuzz target (tests/fuzz/corpus/wav): tiny files in the formats
the player reads, and a few with chunks in unusual orders or sizes that do not match the file."""
import os
import struct
import sys


def chunk(tag, body, size=None):
    return tag + struct.pack("<I", len(body) if size is None else size) + body


def fmt(channels, rate, bits):
    align = channels * bits // 8
    return chunk(b"fmt ", struct.pack("<HHIIHH", 1, channels, rate, rate * align, align, bits))


def riff(*chunks, form=b"WAVE"):
    body = form + b"".join(chunks)
    return b"RIFF" + struct.pack("<I", len(body)) + body


def samples(count, bits, channels):
    if bits == 8:
        return bytes((i * 37) & 0xFF for i in range(count * channels))
    return b"".join(struct.pack("<h", (i * 977) % 65536 - 32768) for i in range(count * channels))


def main(folder):
    os.makedirs(folder, exist_ok=True)
    seeds = {
        "mono8": riff(fmt(1, 11025, 8), chunk(b"data", samples(160, 8, 1))),
        "stereo16": riff(fmt(2, 44100, 16), chunk(b"data", samples(150, 16, 2))),
        "list-first": riff(chunk(b"LIST", b"INFOxxxx"), fmt(1, 22050, 16), chunk(b"data", samples(120, 16, 1))),
        "data-too-long": riff(fmt(1, 44100, 16), chunk(b"data", samples(110, 16, 1), size=0x7FFFFFF0)),
        "data-before-fmt": riff(chunk(b"data", samples(130, 8, 1)), fmt(1, 11025, 8)),
        "not-wave": riff(fmt(1, 11025, 8), form=b"AVI "),
    }
    for name, data in seeds.items():
        with open(os.path.join(folder, name + ".wav"), "wb") as out:
            out.write(data)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "tests/fuzz/corpus/wav")
