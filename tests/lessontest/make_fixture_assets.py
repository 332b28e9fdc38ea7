#!/usr/bin/env python3
"""Copies the lessontest fixture lessons to a folder and makes their pictures and sounds there."""
import math
import os
import shutil
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
from make_demo_assets import write_bmp, write_wav  # noqa: E402


def main():
    source = os.path.join(os.path.dirname(os.path.abspath(__file__)), "fixtures")
    target = sys.argv[1]
    shutil.rmtree(target, ignore_errors=True)
    shutil.copytree(source, target)
    for lesson in os.listdir(target):
        folder = os.path.join(target, lesson)
        os.makedirs(os.path.join(folder, "pictures"), exist_ok=True)
        os.makedirs(os.path.join(folder, "sounds"), exist_ok=True)
        # 40 x 30, a grey frame around white.
        write_bmp(os.path.join(folder, "pictures", "box.bmp"), 40, 30,
                  lambda x, y: (90, 90, 90) if x in (0, 39) or y in (0, 29) else (255, 255, 255))
        # 0.25 s at 22050 Hz plus the 100 frames the player leaves out: 250 ms at note 24.
        write_wav(os.path.join(folder, "sounds", "tone.wav"), [(i % 50) * 200 - 5000 for i in range(5612)], 22050)
    # Two tones normalised near full scale, A 440 Hz and C sharp 554.37 Hz, 0.4 s each with a 20 ms
    # fade at the end (a cut-off tone would drop from the rail to zero): together they pass the
    # 16-bit range at most of their peaks.
    chord = os.path.join(target, "chord", "sounds")
    for name, frequency in (("loud-a.wav", 440.0), ("loud-cis.wav", 554.37)):
        write_wav(os.path.join(chord, name),
                  [32000 * min(1.0, (17640 - i) / 882.0) * math.sin(2 * math.pi * frequency * i / 44100)
                   for i in range(17640 + 100)])
    write_sung(os.path.join(target, "heardlate", "recordings", "late.wav"),
               [(0.100, 0.150, 261.63), (0.470, 0.110, 392.0), (0.600, 0.100, 440.0)])


def write_sung(path, notes):
    """Sine notes (start s, length s, frequency) with 5 ms fades, in 0.9 s at 44100 Hz."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    frames = [0.0] * 39690
    for start, length, frequency in notes:
        count = int(length * 44100)
        for i in range(count):
            fade = min(1.0, i / 220.0, (count - i) / 220.0)
            frames[int(start * 44100) + i] += 12000 * fade * math.sin(2 * math.pi * frequency * i / 44100)
    write_wav(path, frames)


if __name__ == "__main__":
    main()
