#!/usr/bin/python3
"""Records a learner for the listening demo lessons: MIDI files written with mido, played by
FluidSynth with a General MIDI soundfont into 44100 Hz 16-bit WAV files.

    make_listening_recordings.py DIR

Writes DIR/hello.wav (a voice saying "aah" for the microphone check), DIR/sung.wav (C, E, G sung
back, one every 600 ms, on the Voice Oohs: the Choir Aahs swell in too slowly to be heard on the beat), DIR/sung-flat.wav (the same with the E a semitone flat),
DIR/claps.wav (the rhythm of Clap the rhythm, hand claps of the drum kit) and DIR/claps-late.wav
(the same with the second bar dragged 150 ms late). Each recording's first sound comes 100 ms after
its start. The lesson tests start them with lessontest's listen step. Exits 1 when FluidSynth or
the soundfont is missing.
"""
import os
import subprocess
import sys
import tempfile

import mido

SOUNDFONTS = ["/usr/share/sounds/sf2/FluidR3_GM.sf2", "/usr/share/sounds/sf2/default-GM.sf2"]
TICKS = 480
TEMPO = 500000  # 120 beats a minute: 480 ticks are 500 ms
VOICE_OOHS = 53
HAND_CLAP = 39
LEAD_MS = 100

# The rhythm of Clap the rhythm, in eighths (2 = a quarter): four bars of four beats.
CLAP_RHYTHM = [2, 2, 1, 1, 2, 1, 1, 2, 2, 2, 2, 1, 1, 1, 1, 2, 2, 2, 4]
EIGHTH_MS = 250


def ticks(ms):
    return round(ms * TICKS / (TEMPO / 1000))


def write_midi(path, events, program=None, channel=0):
    """events: (start ms, length ms, MIDI note, velocity)."""
    midi = mido.MidiFile(ticks_per_beat=TICKS)
    track = mido.MidiTrack()
    midi.tracks.append(track)
    track.append(mido.MetaMessage("set_tempo", tempo=TEMPO, time=0))
    if program is not None:
        track.append(mido.Message("program_change", program=program, channel=channel, time=0))
    timeline = []
    for start, length, note, velocity in events:
        timeline.append((ticks(start), 1, mido.Message("note_on", note=note, velocity=velocity, channel=channel)))
        timeline.append((ticks(start + length), 0, mido.Message("note_off", note=note, velocity=0, channel=channel)))
    timeline.sort(key=lambda item: (item[0], item[1]))
    now = 0
    for at, _, message in timeline:
        track.append(message.copy(time=at - now))
        now = at
    track.append(mido.MetaMessage("end_of_track", time=ticks(400)))
    midi.save(path)


def render(soundfont, midi_path, wav_path):
    # No reverb or chorus: a dry voice in a quiet room.
    subprocess.run(["fluidsynth", "-ni", "-q", "-R", "0", "-C", "0", "-g", "0.8", "-r", "44100", "-O", "s16",
                    "-F", wav_path, soundfont, midi_path], check=True, stdout=subprocess.DEVNULL)


def sung(notes):
    return [(LEAD_MS + i * 600, 450, note, 100) for i, note in enumerate(notes)]


def claps(late_bar=None):
    events, at = [], LEAD_MS
    for i, eighths in enumerate(CLAP_RHYTHM):
        bar = sum(CLAP_RHYTHM[:i]) // 8
        events.append((at + (150 if bar == late_bar else 0), 60, HAND_CLAP, 110))
        at += eighths * EIGHTH_MS
    return events


def main():
    target = sys.argv[1]
    soundfont = next((path for path in SOUNDFONTS if os.path.exists(path)), None)
    if not soundfont or subprocess.run(["which", "fluidsynth"], capture_output=True).returncode != 0:
        print("make_listening_recordings.py: FluidSynth and a General MIDI soundfont are needed", file=sys.stderr)
        return 1
    os.makedirs(target, exist_ok=True)
    recordings = {
        "hello.wav": (sung([57]), VOICE_OOHS, 0),
        "sung.wav": (sung([60, 64, 67]), VOICE_OOHS, 0),
        "sung-flat.wav": (sung([60, 63, 67]), VOICE_OOHS, 0),
        "claps.wav": (claps(), None, 9),
        "claps-late.wav": (claps(late_bar=1), None, 9),
    }
    with tempfile.TemporaryDirectory() as scratch:
        for name, (events, program, channel) in recordings.items():
            midi_path = os.path.join(scratch, name + ".mid")
            write_midi(midi_path, events, program, channel)
            render(soundfont, midi_path, os.path.join(target, name))
    return 0


if __name__ == "__main__":
    sys.exit(main())
