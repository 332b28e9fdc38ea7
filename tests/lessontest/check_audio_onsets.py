#!/usr/bin/env python3
"""Runs lessontest --audio on a lesson and checks the WAV it writes: 44100 Hz, 16-bit stereo PCM,
and the sound of each sample start heard 60 to 80 ms after it, with silence before.

usage: check_audio_onsets.py LESSONTEST WORKDIR LESSON STEPS OUT.wav START_MS...
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


def main():
    lessontest, workdir, lesson, steps, out = sys.argv[1:6]
    starts = [int(ms) for ms in sys.argv[6:]]
    run = subprocess.run([lessontest, "--audio", out, lesson, steps], cwd=workdir, capture_output=True, text=True)
    if run.returncode != 0:
        sys.exit(f"lessontest ended with {run.returncode}: {run.stderr}")
    sounding = frames_of(f"{workdir}/{out}")
    failures = []
    for start in starts:
        onset = onset_ms(sounding, start)
        if onset is None:
            failures.append(f"no sound after {start} ms")
            continue
        delay = onset - start
        print(f"sample started at {start} ms: heard from {onset:.2f} ms, {delay:.2f} ms later")
        if not EARLIEST_MS <= delay <= LATEST_MS:
            failures.append(f"the sample started at {start} ms is heard {delay:.2f} ms later, not 60 to 80 ms")
    if failures:
        sys.exit("\n".join(failures))


if __name__ == "__main__":
    main()
