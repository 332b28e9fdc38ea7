#!/usr/bin/env python3
"""Runs lessontest --audio on a lesson whose samples add up past the 16-bit range and checks that the
WAV it writes holds them at the rails: both rails are reached, and no peak changes sign.

A peak is a run of frames of one channel whose value stays at least PEAK_LEVEL away from zero. Two
tones can move a channel by only a few thousand per frame, so a sum that wraps round (40000 stored
as -25536) shows as a peak that turns to the other sign, or as a jump of more than MOST_STEP
between neighbouring frames.

usage: check_audio_clamps.py LESSONTEST WORKDIR LESSON STEPS OUT.wav
"""
import array
import subprocess
import sys
import wave

RATE = 44100
PEAK_LEVEL = 8192
MOST_STEP = 16384
# The two fixture tones reach the rails in most of their common peaks; a few hundred frames on
# each rail is far below what they give and far above nothing.
LEAST_RAIL_FRAMES = 100


def channels_of(path):
    with wave.open(path, "rb") as wav:
        form = (wav.getframerate(), wav.getnchannels(), wav.getsampwidth(), wav.getcomptype())
        if form != (RATE, 2, 2, "NONE"):
            sys.exit(f"{path}: {form}, expected 44100 Hz, 2 channels, 16-bit PCM")
        samples = array.array("h", wav.readframes(wav.getnframes()))
    if sys.byteorder == "big":
        samples.byteswap()
    return samples[0::2], samples[1::2]


def peaks(samples):
    """(first frame, last frame, signs seen) of every run of frames at least PEAK_LEVEL from zero."""
    found = []
    start = None
    signs = set()
    for frame, value in enumerate(samples):
        if abs(value) >= PEAK_LEVEL:
            if start is None:
                start, signs = frame, set()
            signs.add(value > 0)
        elif start is not None:
            found.append((start, frame - 1, signs))
            start = None
    if start is not None:
        found.append((start, len(samples) - 1, signs))
    return found


def check_channel(name, samples):
    failures = []
    high = sum(1 for value in samples if value == 32767)
    low = sum(1 for value in samples if value == -32768)
    runs = peaks(samples)
    turned = [(first, last) for first, last, signs in runs if len(signs) > 1]
    steps = [abs(samples[i + 1] - samples[i]) for i in range(len(samples) - 1)]
    largest = max(steps) if steps else 0
    print(f"{name}: {high} frames at 32767, {low} at -32768, {len(runs)} peaks, {len(turned)} change sign, "
          f"largest step between frames {largest}")
    if high < LEAST_RAIL_FRAMES or low < LEAST_RAIL_FRAMES:
        failures.append(f"{name}: the sum reaches the rails in {high} and {low} frames, not at least {LEAST_RAIL_FRAMES}")
    for first, last in turned[:5]:
        failures.append(f"{name}: the peak from {first * 1000.0 / RATE:.2f} to {last * 1000.0 / RATE:.2f} ms changes sign")
    if largest > MOST_STEP:
        frame = steps.index(largest)
        failures.append(f"{name}: a step of {largest} at {frame * 1000.0 / RATE:.2f} ms: the sum wrapped round")
    return failures


def main():
    lessontest, workdir, lesson, steps, out = sys.argv[1:6]
    run = subprocess.run([lessontest, "--audio", out, lesson, steps], cwd=workdir, capture_output=True, text=True)
    if run.returncode != 0:
        sys.exit(f"lessontest ended with {run.returncode}: {run.stderr}")
    left, right = channels_of(f"{workdir}/{out}")
    failures = check_channel("left", left) + check_channel("right", right)
    if failures:
        sys.exit("\n".join(failures))


if __name__ == "__main__":
    main()
