#!/usr/bin/env python3
"""Writes the seeds of the listener fuzz target (tests/fuzz/corpus/listener): three bytes that choose
the rate, the mode and the chunk size, then 16-bit samples: a sung A4, a clap and a slow glide."""
import math
import os
import random
import struct
import sys

RATES = [8000, 11025, 16000, 22050, 44100, 48000, 96000, 192000]


def seed(rate, claps, chunk_step, values):
    head = bytes([RATES.index(rate), 1 if claps else 0, chunk_step])
    return head + b"".join(struct.pack("<h", max(-32768, min(32767, round(v)))) for v in values)


def main(folder):
    os.makedirs(folder, exist_ok=True)
    n = 2000
    a4 = [9000 * (math.sin(2 * math.pi * 440 * i / 44100) + 0.5 * math.sin(2 * math.pi * 880 * i / 44100))
          for i in range(n)]
    noise = random.Random(1)
    clap = [noise.randint(-20000, 20000) if i < 200 else 0 for i in range(n)]
    phase, glide = 0.0, []
    for i in range(n):
        phase += 2 * math.pi * 220 * 2 ** (i / n) / 48000
        glide.append(12000 * math.sin(phase))
    seeds = {"a4_notes": seed(44100, False, 55, a4), "burst_claps": seed(8000, True, 10, clap),
             "glide_notes": seed(48000, False, 0, glide)}
    for name, data in seeds.items():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "corpus", "listener"))
