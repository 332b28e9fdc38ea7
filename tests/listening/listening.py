#!/usr/bin/python3
"""Renders melodies and clap patterns, runs the listener (and aubionotes) on them, scores both.

    listening.py --listen BIN --work DIR [--quick] [--aubio] [--check]

Melodies are written with mido, rendered by FluidSynth with the FluidR3 General MIDI soundfont at
44100 Hz and mixed to mono; each is also heard with white noise 20 dB below the music. Notes are
scored the way transcription research does (mir_eval: onset within 50 ms, pitch within 50 cents,
offsets ignored, each note paired once); claps by mir_eval's onset F-measure (50 ms window).
Beside them, plain tunes (a scale, an arpeggio and a tune with repeated notes, legato and detached)
on every instrument. --quick renders a small set of melodies for the ctest (the plain tunes are the
same); --check exits 1 when a threshold is missed. --seed renders
another set of melodies (tune the detector on one of those, so that the measured set stays unseen).
"""
import argparse
import os
import random
import subprocess
import sys
import wave

import mido
import numpy as np
import mir_eval

SOUNDFONT = "/usr/share/sounds/sf2/FluidR3_GM.sf2"
RATE = 44100
TICKS = 480

# name, General MIDI program (0-based), lowest and highest MIDI pitch played
INSTRUMENTS = [
    ("flute", 73, 60, 93),
    ("recorder", 74, 72, 93),
    ("clarinet", 71, 52, 84),
    ("violin", 40, 55, 88),
    ("trumpet", 56, 55, 79),
    ("piano", 0, 40, 88),
    ("guitar", 24, 40, 76),
    ("choir", 52, 48, 74),
    ("voice", 53, 43, 72),
]
MAJOR = [0, 2, 4, 5, 7, 9, 11]
# Plain tunes a teacher would give, in steps from the tonic: a scale up and down, an arpeggio, and a
# nursery tune with repeated notes; each legato at 90 and detached at 120 beats per minute.
TUNES = {
    "scale": [0, 2, 4, 5, 7, 9, 11, 12, 11, 9, 7, 5, 4, 2, 0],
    "arpeggio": [0, 4, 7, 12, 7, 4, 0],
    "tune": [0, 0, 7, 7, 9, 9, 7, 5, 5, 4, 4, 2, 2, 0],
}
ARTICULATIONS = [("legato", 1.0, 90), ("detached", 0.8, 120)]
# The goals.
F_NOTES = 0.95
F_NOTES_NOISY = 0.90
F_CLAPS = 0.98
MEDIAN_ONSET_ERROR = 0.010
MAX_DELAY = 0.060
# Floors for the quick set where a goal is not met yet: just below (delays just above) what the
# detector measures on it now, so that --check catches a step back while the goal stays in view.
# Each is printed beside its goal. A group without a floor is held to the goal.
# Measured on the quick set (16 notes a group) on 10 December 2026, after the listener came to want a
# restrike's valley twice as deep as the sound's own and to hear a note struck again by its attack
# alone: F clean / F noisy / latest report.
#   flute 0.875 / 0.875 / 103 ms, recorder 1.000 / 1.000 / 122, clarinet 0.757 / 0.941 / 85,
#   violin 0.467 / 0.552 / 206, trumpet 0.968 / 0.867 / 155, piano 1.000 / 1.000 / 140,
#   guitar 0.933 / 0.857 / 69, choir 0.350 / 0.300 / 116, voice 0.938 / 0.903 / 204.
# A floor sits one note below (about 0.035 of F), a delay ceiling 10 ms above. The choir lost a note
# here to the deeper valley (it gained 0.04 to 0.10 on the full sets); its floors stay where they were,
# still held.
FLOORS_F = {"flute": 0.84, "clarinet": 0.72, "violin": 0.43, "guitar": 0.89, "choir": 0.34, "voice": 0.90}
# The choir's own pitch wobble passes for a vibrato now and then (a note lost on the noisy quick set
# when a wide vibrato stopped making strings of notes).
FLOORS_F_NOISY = {"flute": 0.84, "violin": 0.51, "trumpet": 0.83, "guitar": 0.82, "choir": 0.27}
# The plain tunes (72 notes a group, a note about 0.014 of F), measured on 11 December 2026 when
# they were added: flute 0.937, recorder 0.945, clarinet 0.986, violin 0.779, trumpet 0.971, piano
# 1.000, guitar 0.993, choir 0.420, voice 0.723.
FLOORS_F_PLAIN = {"flute": 0.92, "recorder": 0.93, "violin": 0.76, "choir": 0.40, "voice": 0.70}
FLOORS_MAX_DELAY = {"flute": 0.113, "recorder": 0.132, "clarinet": 0.095, "violin": 0.216,
                    "trumpet": 0.165, "piano": 0.150, "guitar": 0.079, "choir": 0.125, "voice": 0.214}
VERDICTS = []


def scale_pitches(low, high, tonic):
    return [p for p in range(low, high + 1) if (p - tonic) % 12 in MAJOR]


def melody(rng, low, high, count):
    """(pitch, beats, held share, velocity) for count notes: steps, leaps, repeated notes."""
    tonic = rng.randrange(12)
    pitches = scale_pitches(low, high, tonic)
    index = rng.randrange(len(pitches) // 4, 3 * len(pitches) // 4)
    notes = []
    while len(notes) < count:
        roll = rng.random()
        if roll < 0.18:  # a repeated note, struck again with no gap
            repeats = rng.choice([2, 3])
            beats = rng.choice([0.5, 1.0])
            for _ in range(repeats):
                notes.append((pitches[index], beats, 1.0, rng.randrange(60, 111)))
            continue
        if roll < 0.30:
            step = rng.choice([-7, -5, -4, 4, 5, 7])  # a leap, up to an octave
        else:
            step = rng.choice([-2, -1, -1, 1, 1, 2])
        index = min(max(index + step, 0), len(pitches) - 1)
        beats = rng.choice([0.5, 0.5, 1.0, 1.0, 1.0, 1.5, 2.0])
        held = rng.choice([1.0, 1.0, 0.9, 0.7])  # legato or detached
        notes.append((pitches[index], beats, held, rng.randrange(55, 116)))
    return notes[:count]


def write_midi(path, program, channel, notes, bpm):
    """Writes notes as a type-0 file; returns the reference [(onset s, offset s, pitch)]."""
    track = mido.MidiTrack()
    track.append(mido.MetaMessage("set_tempo", tempo=mido.bpm2tempo(bpm), time=0))
    if channel != 9:
        track.append(mido.Message("program_change", program=program, channel=channel, time=0))
    events = []
    start = TICKS  # a beat of silence first
    reference = []
    seconds_per_tick = 60.0 / bpm / TICKS
    for pitch, beats, held, velocity in notes:
        length = int(round(beats * TICKS))
        sounding = max(1, int(round(length * held)))
        events.append((start, 1, pitch, velocity))
        events.append((start + sounding, 0, pitch, 0))
        reference.append((start * seconds_per_tick, (start + sounding) * seconds_per_tick, pitch))
        start += length
    events.append((start + 2 * TICKS, 0, None, 0))  # a tail for the release and the reverb
    # Note-offs before note-ons at the same tick, so a repeated note is struck again.
    events.sort(key=lambda e: (e[0], e[1]))
    now = 0
    for tick, on, pitch, velocity in events:
        delta = tick - now
        now = tick
        if pitch is None:
            track.append(mido.MetaMessage("end_of_track", time=delta))
            break
        kind = "note_on" if on else "note_off"
        track.append(mido.Message(kind, note=pitch, velocity=velocity, channel=channel, time=delta))
    midi = mido.MidiFile(type=0, ticks_per_beat=TICKS)
    midi.tracks.append(track)
    midi.save(path + ".new")
    unchanged = os.path.exists(path) and open(path, "rb").read() == open(path + ".new", "rb").read()
    os.replace(path + ".new", path)
    return reference, unchanged


def render(midi_path, wav_path):
    stereo = wav_path + ".stereo.wav"
    subprocess.run(["fluidsynth", "-ni", "-q", "-F", stereo, "-r", str(RATE), SOUNDFONT, midi_path],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    with wave.open(stereo) as w:
        data = np.frombuffer(w.readframes(w.getnframes()), dtype=np.int16).reshape(-1, w.getnchannels())
    os.remove(stereo)
    return data.astype(np.float64).mean(axis=1)


def write_mono(path, samples):
    clipped = np.clip(np.round(samples), -32768, 32767).astype(np.int16)
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(clipped.tobytes())


def with_noise(samples, reference, seed):
    """White noise 20 dB below the music's RMS between its first onset and its last offset."""
    first = int(reference[0][0] * RATE)
    last = int(reference[-1][1] * RATE)
    music_rms = np.sqrt(np.mean(samples[first:last] ** 2))
    noise = np.random.default_rng(seed).standard_normal(len(samples)) * music_rms * 0.1
    return samples + noise


def rendered(base, program, channel, notes, bpm, noise_seed=None):
    """Writes base.mid and renders base.wav (and base-noise.wav when noise_seed is given), unless an
    earlier run rendered the same file; returns the reference."""
    reference, unchanged = write_midi(base + ".mid", program, channel, notes, bpm)
    last = base + ("-noise.wav" if noise_seed is not None else ".wav")
    if not (unchanged and os.path.exists(last)):
        music = render(base + ".mid", base + ".wav")
        write_mono(base + ".wav", music)
        if noise_seed is not None:
            write_mono(base + "-noise.wav", with_noise(music, reference, noise_seed))
    return reference


def make_set(work, quick, seed=30):
    """Writes every file once; returns [(group, kind, wav, reference)]."""
    os.makedirs(work, exist_ok=True)
    rng = random.Random(seed)
    tempos = [60, 84, 100, 120, 144, 160]
    items = []
    for name, program, low, high in INSTRUMENTS:
        takes = [(16, rng.choice(tempos))] if quick else [(22, rng.choice(tempos[:3])), (22, rng.choice(tempos[3:]))]
        for take, (count, bpm) in enumerate(takes):
            base = os.path.join(work, f"{name}{take}")
            reference = rendered(base, program, 0, melody(rng, low, high, count), bpm, take + program)
            items.append((name, "clean", base + ".wav", reference))
            items.append((name, "noise", base + "-noise.wav", reference))
    patterns = [(160, [0.5] * 16), (120, [1.0, 0.5, 0.5] * 6), (60, [0.5] * 16)] if not quick else [(120, [0.5, 0.25, 0.25] * 8)]
    for take, (bpm, rhythm) in enumerate(patterns):
        notes = [(39, beats, 0.5, rng.randrange(70, 127)) for beats in rhythm]
        base = os.path.join(work, f"claps{take}")
        items.append(("claps", "clean", base + ".wav", rendered(base, 0, 9, notes, bpm)))
    return items


def make_plain_set(work):
    """The plain tunes on every instrument, from middle C where its range allows (clean only)."""
    os.makedirs(work, exist_ok=True)
    items = []
    for name, program, low, high in INSTRUMENTS:
        tonic = max(low, min(60, high - 12))
        for tune, steps in TUNES.items():
            for articulation, held, bpm in ARTICULATIONS:
                notes = [(tonic + step, 1.0, held, 90) for step in steps]
                base = os.path.join(work, f"{name}-{tune}-{articulation}")
                items.append((name, "plain", base + ".wav", rendered(base, program, 0, notes, bpm)))
    return items


def run_listener(binary, wav, claps):
    args = [binary] + (["--claps"] if claps else []) + [wav]
    out = subprocess.run(args, check=True, capture_output=True, text=True).stdout
    return [tuple(float(v) for v in line.split()) for line in out.splitlines() if line.strip()]


def run_aubionotes(wav):
    out = subprocess.run(["aubionotes", "-i", wav], check=True, capture_output=True, text=True).stdout
    notes = []
    for line in out.splitlines():
        parts = line.split()
        if len(parts) == 3:
            notes.append((float(parts[1]), float(parts[0]), float(parts[1])))
    return notes


def score_notes(reference, heard):
    """F-measure, matched onset errors (s) and detection delays (s) of heard against reference."""
    ref_intervals = np.array([[on, max(off, on + 0.01)] for on, off, _ in reference])
    ref_pitches = np.array([mir_eval.util.midi_to_hz(p) for _, _, p in reference])
    heard = [h for h in heard if h[1] > 0]
    if not heard:
        return 0.0, [], [], len(reference), 0
    est_intervals = np.array([[on, on + 0.1] for on, _, _ in heard])
    est_pitches = np.array([mir_eval.util.midi_to_hz(p) for _, p, _ in heard])
    _, _, f, _ = mir_eval.transcription.precision_recall_f1_overlap(
        ref_intervals, ref_pitches, est_intervals, est_pitches, onset_tolerance=0.05,
        pitch_tolerance=50.0, offset_ratio=None)
    pairs = mir_eval.transcription.match_notes(ref_intervals, ref_pitches, est_intervals, est_pitches,
                                               onset_tolerance=0.05, pitch_tolerance=50.0, offset_ratio=None)
    errors = [abs(heard[e][0] - reference[r][0]) for r, e in pairs]
    delays = [heard[e][2] - reference[r][0] for r, e in pairs]
    return f, errors, delays, len(reference), len(heard)


def score_claps(reference, heard):
    ref = np.array([on for on, _, _ in reference])
    est = np.array(sorted(h[0] for h in heard))
    f = mir_eval.onset.f_measure(ref, est, window=0.05)[0] if len(est) else 0.0
    pairs = mir_eval.util.match_events(ref, est, 0.05) if len(est) else []
    errors = [abs(est[e] - ref[r]) for r, e in pairs]
    delays = [heard_sorted[2] - ref[r] for (r, e), heard_sorted in
              ((pair, sorted(heard)[pair[1]]) for pair in pairs)]
    return f, errors, delays, len(ref), len(est)


def group_rows(items, binary, aubio):
    rows = {}
    for group, kind, wav, reference in items:
        claps = group == "claps"
        scorer = score_claps if claps else score_notes
        ours = scorer(reference, run_listener(binary, wav, claps))
        theirs = scorer(reference, run_aubionotes(wav)) if aubio and kind != "plain" else None
        row = rows.setdefault((group, kind), {"ours": [], "aubio": []})
        row["ours"].append(ours)
        if theirs:
            row["aubio"].append(theirs)
    return rows


def combine(results):
    """Pools files of one group: F-measure over all notes (from per-file counts), errors and delays."""
    if not results:
        return None
    true_positives = sum(len(r[1]) for r in results)
    references = sum(r[3] for r in results)
    estimates = sum(r[4] for r in results)
    f = 2.0 * true_positives / (references + estimates) if references + estimates else 0.0
    errors = [e for r in results for e in r[1]]
    delays = [d for r in results for d in r[2]]
    return f, errors, delays, references


def fmt(pooled, key):
    if pooled is None:
        return "-"
    f, errors, delays, _ = pooled
    if key == "f":
        return f"{f:.3f}"
    if key == "err":
        return f"{1000 * np.median(errors):.1f}" if errors else "-"
    if key == "delay":
        return f"{1000 * np.median(delays):.0f} / {1000 * max(delays):.0f}" if delays else "-"
    if key == "in time":
        return f"{100 * sum(d <= MAX_DELAY for d in delays) / len(delays):.0f} %" if delays else "-"
    return "-"


def report(rows, aubio):
    failures = []
    groups = []
    for group, _, _, _ in INSTRUMENTS + [("claps", 0, 0, 0)]:
        if group not in groups:
            groups.append(group)
    header = ("| group | notes | F clean | F noise -20 dB | F plain tunes | median onset error (ms) |"
              " delay median / max (ms) | reported within 60 ms |")
    if aubio:
        header += " aubionotes F clean | aubionotes F noise | aubionotes onset error (ms) |"
    print(header)
    print("|" + "---|" * (header.count("|") - 1))
    all_errors = []
    for group in groups:
        clean = combine(rows.get((group, "clean"), {}).get("ours", []))
        noisy = combine(rows.get((group, "noise"), {}).get("ours", []))
        plain = combine(rows.get((group, "plain"), {}).get("ours", []))
        if clean is None:
            continue
        all_errors += clean[1]
        line = (f"| {group} | {clean[3]} | {fmt(clean, 'f')} | {fmt(noisy, 'f')} | {fmt(plain, 'f')} | {fmt(clean, 'err')} |"
                f" {fmt(clean, 'delay')} | {fmt(clean, 'in time')} |")
        if aubio:
            a_clean = combine(rows[(group, "clean")]["aubio"])
            a_noisy = combine(rows.get((group, "noise"), {}).get("aubio", []))
            line += f" {fmt(a_clean, 'f')} | {fmt(a_noisy, 'f')} | {fmt(a_clean, 'err')} |"
            if a_clean and clean[0] < a_clean[0]:
                failures.append(f"{group}: F {clean[0]:.3f} below aubionotes' {a_clean[0]:.3f}")
            if a_noisy and noisy and noisy[0] < a_noisy[0]:
                failures.append(f"{group} with noise: F {noisy[0]:.3f} below aubionotes' {a_noisy[0]:.3f}")
        print(line)
        least = F_CLAPS if group == "claps" else F_NOTES
        failures += judge(f"{group}: F", clean[0], least, FLOORS_F.get(group), higher=True)
        if noisy:
            failures += judge(f"{group} with noise: F", noisy[0], F_NOTES_NOISY, FLOORS_F_NOISY.get(group), higher=True)
        if plain:
            failures += judge(f"{group} plain tunes: F", plain[0], F_NOTES, FLOORS_F_PLAIN.get(group), higher=True)
        if clean[2]:
            failures += judge(f"{group}: latest report (s after onset)", max(clean[2]), MAX_DELAY,
                              FLOORS_MAX_DELAY.get(group), higher=False)
    median_error = float(np.median(all_errors)) if all_errors else 1.0
    print(f"\nmedian onset error over all groups: {1000 * median_error:.1f} ms")
    failures += judge("median onset error (s)", median_error, MEDIAN_ONSET_ERROR, None, higher=False)
    print("\nagainst the goals:")
    print("\n".join(VERDICTS))
    return failures


def judge(what, value, goal, floor, higher):
    """Prints value beside its goal (and its floor when the goal is not met); returns the failures:
    the goal missed where there is no floor, the floor missed where there is one."""
    met = value >= goal if higher else value <= goal
    if met:
        VERDICTS.append(f"  {what}: {value:.3f}, goal {goal:.3f}: met")
        return []
    if floor is None:
        VERDICTS.append(f"  {what}: {value:.3f}, goal {goal:.3f}: MISSED")
        return [f"{what} {value:.3f}, goal {goal:.3f}"]
    held = value >= floor if higher else value <= floor
    VERDICTS.append(f"  {what}: {value:.3f}, goal {goal:.3f}: not met, floor {floor:.3f} {'held' if held else 'BROKEN'}")
    return [] if held else [f"{what} {value:.3f} past its floor {floor:.3f} (goal {goal:.3f})"]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--listen", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--quick", action="store_true")
    parser.add_argument("--aubio", action="store_true")
    parser.add_argument("--check", action="store_true")
    parser.add_argument("--seed", type=int, default=30)
    args = parser.parse_args()
    items = make_set(args.work, args.quick, args.seed) + make_plain_set(os.path.join(args.work, "plain"))
    rows = group_rows(items, args.listen, args.aubio)
    failures = report(rows, args.aubio)
    for failure in failures:
        print("MISSED:", failure)
    return 1 if args.check and failures else 0


if __name__ == "__main__":
    sys.exit(main())
