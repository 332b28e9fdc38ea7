#!/usr/bin/env python3
"""Runs lessontest --audio on a lesson and checks the WAV it writes: 44100 Hz, 16-bit stereo PCM,
and the sound of each start heard within its window after it (60 to 80 ms unless the start says
otherwise), with silence before; a start may also name when its sound must have ended.

usage: check_audio_onsets.py LESSONTEST WORKDIR LESSON STEPS OUT.wav START...
  START is START_MS, or START_MS:EARLIEST-LATEST (the window in ms), optionally followed by
  /SILENT_MS: silence from then until the next start (or the end).
"""
import subprocess
import sys
import wave

RATE = 44100
EARLIEST_MS = 60
LATEST_MS = 80


def frames_of(path):
    with wave.open(path, "rb") as wav:
        form = (wav.getframerate(), wav.getnchannels(), wav.getsampwidth(), wav.getcomptype())
        if form != (RATE, 2, 2, "NONE"):
            sys.exit(f"{path}: {form}, expected 44100 Hz, 2 channels, 16-bit PCM")
        data = wav.readframes(wav.getnframes())
    # Only whether a frame is silent matters: any non-zero byte makes it sound.
    return [data[i:i + 4] != b"\0\0\0\0" for i in range(0, len(data), 4)]


def onset_ms(sounding, start_ms):
    """The first sounding frame at or after start_ms, in ms; None if none follows."""
    first = start_ms * RATE // 1000
    for frame in range(first, len(sounding)):
        if sounding[frame]:
            return frame * 1000.0 / RATE
    return None


def parse_start(text):
    """(start ms, earliest ms, latest ms, silent from ms or None) of a START argument."""
    text, _, silent = text.partition("/")
    start, _, window = text.partition(":")
    earliest, latest = (EARLIEST_MS, LATEST_MS) if not window else map(int, window.split("-"))
    return int(start), earliest, latest, int(silent) if silent else None


def main():
    lessontest, workdir, lesson, steps, out = sys.argv[1:6]
    starts = [parse_start(arg) for arg in sys.argv[6:]]
    run = subprocess.run([lessontest, "--audio", out, lesson, steps], cwd=workdir, capture_output=True, text=True)
    if run.returncode != 0:
        sys.exit(f"lessontest ended with {run.returncode}: {run.stderr}")
    sounding = frames_of(f"{workdir}/{out}")
    failures = []
    for index, (start, earliest, latest, silent) in enumerate(starts):
        onset = onset_ms(sounding, start)
        if onset is None:
            failures.append(f"no sound after {start} ms")
            continue
        delay = onset - start
        print(f"started at {start} ms: heard from {onset:.2f} ms, {delay:.2f} ms later")
        if not earliest <= delay <= latest:
            failures.append(f"the start at {start} ms is heard {delay:.2f} ms later, not {earliest} to {latest} ms")
        if silent is not None:
            until = starts[index + 1][0] if index + 1 < len(starts) else len(sounding) * 1000 // RATE
            late = onset_ms(sounding, silent)
            if late is not None and late < until:
                failures.append(f"the start at {start} ms still sounds at {late:.2f} ms, after {silent} ms")
    if failures:
        sys.exit("\n".join(failures))


if __name__ == "__main__":
    main()
