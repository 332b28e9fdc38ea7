#!/usr/bin/python3
"""midimelody on MIDI files that Debian's python3-mido writes here, an independent writer.

    midimelody_cli_test.py MIDIMELODY LESSONTEST WORKDIR CASE

The printed melody lines are run through lessontest, and every note-on in its transcript must come
within 1 ms of the time mido gives for the note in the file (mido.tick2second over the file's tempo
map). Expected notes (--expect) are checked by a learner who plays at the file's times after the
lead-in: every line's check gives yes, and no when the learner is 2 ms late. A count-in's clicks
must come within 1 ms of the beat that mido's tempo and time signature give, and the capture must
open 250 ms before the first note: a first note 249 ms early is heard, 251 ms early is not. Damaged
files give one line on standard error and exit code 1.
"""
import math
import os
import re
import shutil
import struct
import subprocess
import sys
import wave

try:
    import mido
except ImportError:
    sys.exit("python3-mido is missing: tools/install-deps.sh installs it (Debian's /usr/bin/python3)")

NOTE_ON = re.compile(r"^\s*(\d+) ms  midi note (\d+) on channel")
CLICK_ON = re.compile(r"^\s*(\d+) ms  midi note 72 on channel 1, program 115 ")  # the default click, *115 note 24
SAMPLE_CLICK = re.compile(r"^\s*(\d+) ms  sample click\.wav note 36 ")
LEAD_IN_MS = 250  # midimelody's default
EXPECTED_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "expected")
REFERENCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "docs", "scenario-language.md")
# A key of the keyboard piano for each pitch class (notes 12 to 23, MIDI 60 to 71 on a MIDI
# instrument); the check ignores the octave, since expected notes are numbered as a MIDI keyboard
# gives them (MIDI 60 is (24)).
KEY_OF_CLASS = ["Q", "2", "W", "3", "E", "R", "5", "T", "6", "Y", "7", "U"]


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


# --- Files, written by mido ---

def note(track, key, start_delta, length, channel=0, velocity=90):
    track.append(mido.Message("note_on", note=key, velocity=velocity, channel=channel, time=start_delta))
    track.append(mido.Message("note_off", note=key, velocity=0, channel=channel, time=length))


def scale_file(path):
    """Format 0 at 120 BPM: C major up and down in quarter notes, a rest of one beat first."""
    midi = mido.MidiFile(type=0, ticks_per_beat=480)
    track = mido.MidiTrack()
    midi.tracks.append(track)
    track.append(mido.MetaMessage("set_tempo", tempo=mido.bpm2tempo(120)))
    keys = [60, 62, 64, 65, 67, 69, 71, 72, 71, 69, 67, 65, 64, 62, 60]
    for i, key in enumerate(keys):
        note(track, key, 480 if i == 0 else 0, 480)
    midi.save(path)


def tempo_file(path):
    """Format 1: track 0 the tempo map (three tempos, two of them odd), track 1 a melody of eighths
    and triplets long enough for several lines, track 2 a bass on channel 2."""
    midi = mido.MidiFile(type=1, ticks_per_beat=384)
    tempo, melody, bass = mido.MidiTrack(), mido.MidiTrack(), mido.MidiTrack()
    midi.tracks += [tempo, melody, bass]
    tempo.append(mido.MetaMessage("track_name", name="tempo"))
    tempo.append(mido.MetaMessage("set_tempo", tempo=500000))
    tempo.append(mido.MetaMessage("set_tempo", tempo=476190, time=384 * 4))
    tempo.append(mido.MetaMessage("set_tempo", tempo=731707, time=384 * 8))
    for i in range(96):
        length = 128 if (i // 6) % 2 else 192  # triplet eighths, then plain eighths
        note(melody, 60 + (i * 5) % 24, 0, length)
    for i in range(16):
        note(bass, 36 + (i * 7) % 12, 0, 384, channel=1)
    midi.save(path)


def chord_file(path):
    """Three-note chords on two channels, each followed by a single note."""
    midi = mido.MidiFile(type=0, ticks_per_beat=96)
    track = mido.MidiTrack()
    midi.tracks.append(track)
    for root in (60, 65, 67, 60):
        track.append(mido.Message("note_on", note=root, velocity=80, time=0))
        track.append(mido.Message("note_on", note=root + 4, velocity=80, channel=1, time=0))
        track.append(mido.Message("note_on", note=root + 7, velocity=80, time=0))
        track.append(mido.Message("note_off", note=root, time=96))
        track.append(mido.Message("note_off", note=root + 4, channel=1, time=0))
        track.append(mido.Message("note_off", note=root + 7, time=0))
        note(track, root + 12, 0, 48)
    midi.save(path)


def running_status_file(path):
    """Note-ons and velocity-0 note-ons only, so that mido writes one status byte for the track."""
    midi = mido.MidiFile(type=0, ticks_per_beat=240)
    track = mido.MidiTrack()
    midi.tracks.append(track)
    for i in range(12):
        track.append(mido.Message("note_on", note=48 + i, velocity=70, time=0 if i == 0 else 60))
        track.append(mido.Message("note_on", note=48 + i, velocity=0, time=100 + 7 * i))
    midi.save(path)
    return midi


def waltz_file(path):
    """Format 1 at 92 BPM in 3/4 (a click every quarter): track 0 the tempo and the time signature,
    track 1 a tune whose first note is on the first beat. 92 BPM makes a beat of 652.174 ms, so the
    clicks' times must be rounded each from the exact beat."""
    midi = mido.MidiFile(type=1, ticks_per_beat=480)
    conductor, tune = mido.MidiTrack(), mido.MidiTrack()
    midi.tracks += [conductor, tune]
    conductor.append(mido.MetaMessage("set_tempo", tempo=mido.bpm2tempo(92)))
    conductor.append(mido.MetaMessage("time_signature", numerator=3, denominator=4, clocks_per_click=24))
    for key, length in ((60, 480), (62, 480), (64, 480), (65, 960), (64, 480), (62, 480), (60, 1440)):
        note(tune, key, 0, length)
    midi.save(path)


def beat_ms(path):
    """The metronome's beat at the file's start, from mido: the tempo and the time signature's
    clocks per click (24 a quarter)."""
    tempo, clocks = 500000, 24
    for track in mido.MidiFile(path).tracks:
        for message in track:
            if message.time == 0 and message.type == "set_tempo":
                tempo = message.tempo
            if message.time == 0 and message.type == "time_signature":
                clocks = message.clocks_per_click
    return tempo * clocks / 24 / 1000.0


def range_file(path):
    """Notes below and inside what the player can name on a MIDI instrument; transposed 13 up, one
    above what it can name on a sample."""
    midi = mido.MidiFile(type=0, ticks_per_beat=96)
    track = mido.MidiTrack()
    midi.tracks.append(track)
    for key in (40, 60, 124, 64):
        note(track, key, 0, 96)
    midi.save(path)


# --- The file's own times, from mido ---

def true_onsets(path, track_index, channel=None):
    """[(ms, key)] of the track's note-ons: ticks through the tempo map of all tracks."""
    midi = mido.MidiFile(path)
    tempos = []
    for track in midi.tracks:
        tick = 0
        for message in track:
            tick += message.time
            if message.type == "set_tempo":
                tempos.append((tick, message.tempo))
    tempos.sort(key=lambda t: t[0])

    def seconds(tick):
        total, last_tick, tempo = 0.0, 0, 500000
        for change_tick, change_tempo in tempos:
            if change_tick > tick:
                break
            total += mido.tick2second(change_tick - last_tick, midi.ticks_per_beat, tempo)
            last_tick, tempo = change_tick, change_tempo
        return total + mido.tick2second(tick - last_tick, midi.ticks_per_beat, tempo)

    onsets, tick = [], 0
    for message in midi.tracks[track_index]:
        tick += message.time
        if message.type == "note_on" and message.velocity > 0 and channel in (None, message.channel):
            onsets.append((seconds(tick) * 1000.0, message.note))
    return onsets


# --- Running the tools ---

def run(command, cwd):
    result = subprocess.run(command, cwd=cwd, capture_output=True, timeout=60)
    return result.returncode, result.stdout.decode("latin-1"), result.stderr.decode("latin-1")


def melody_lines(tools, work, *arguments):
    code, out, err = run([tools["midimelody"], *arguments], work)
    check(code == 0, "midimelody %s: exit %d, %s" % (" ".join(arguments), code, err))
    check(out.endswith("\r\n"), "the lines end with CR LF")
    lines = out[:-2].split("\r\n")
    for line in lines:
        check(len(line) <= 255, "a line of %d characters: %s" % (len(line), line))
        check(line.startswith("melody "), "not a melody line: %s" % line)
    return lines, err


def lesson_transcript(tools, work, name, lines, steps="", expected=None):
    """The lesson's transcript; with expected, lessontest compares it with that kept file."""
    with open(os.path.join(work, name + ".scn"), "wb") as scn:
        scn.write(("\r\n".join(lines + ["terminate"]) + "\r\n").encode("latin-1"))
    with open(os.path.join(work, name + ".steps"), "w") as out:
        out.write(steps)
    compare = ["--expect", expected] if expected else []
    code, out, err = run([tools["lessontest"], *compare, name + ".scn", name + ".steps"], work)
    check(code == 0, "lessontest %s: exit %d, %s%s" % (name, code, out, err))
    return out


def played_onsets(transcript):
    """[(ms, MIDI key)] of the note-ons the lesson sent, as its transcript shows them."""
    return [(int(m.group(1)), int(m.group(2))) for m in map(NOTE_ON.match, transcript.splitlines()) if m]


def compare_onsets(played, expected, what):
    check(len(played) == len(expected), "%s: %d notes played, the file has %d" % (what, len(played), len(expected)))
    worst = 0.0
    for i, ((ms, key), (true_ms, true_key)) in enumerate(zip(played, expected)):
        check(key == true_key, "%s: note %d is MIDI %d, the file has %d" % (what, i, key, true_key))
        check(abs(ms - true_ms) <= 1.0, "%s: note %d at %d ms, the file has %.3f ms" % (what, i, ms, true_ms))
        worst = max(worst, abs(ms - true_ms))
    print("%s: %d note-ons, each the file's own MIDI note, at most %.3f ms from its time" % (what, len(played), worst))


def plays_in_time(tools, work, path, track, *arguments, channel=None, lines_at_least=1, transpose=0):
    """The lines sound the file's own MIDI keys (moved by transpose) at the file's times."""
    lines, _ = melody_lines(tools, work, *arguments, os.path.basename(path))
    check(len(lines) >= lines_at_least, "%d lines; a melody this long needs %d" % (len(lines), lines_at_least))
    transcript = lesson_transcript(tools, work, "play", lines)
    keys = [(ms, key + transpose) for ms, key in true_onsets(path, track, channel)]
    compare_onsets(played_onsets(transcript), keys, os.path.basename(path))
    return lines


# --- Cases ---

def case_scale(tools, work):
    path = os.path.join(work, "scale.mid")
    scale_file(path)
    at_pitch = plays_in_time(tools, work, path, 0)
    check(at_pitch[0].startswith("melody -500 12 -500 14 "), "the scale starts after one beat on note 12: " + at_pitch[0])
    # An octave above the file, for a lesson that wants it: the numbers a MIDI keyboard gives.
    octave_up = plays_in_time(tools, work, path, 0, "--instrument", "*73", "--transpose", "12", transpose=12)
    check(octave_up[0].startswith("melody *73 -500 24 -500 26 "), "an octave up starts on note 24: " + octave_up[0])
    # The reference's examples are this file's lines as printed: at its pitch, an octave up, and
    # the play-along lesson with a count-in.
    play_along, _ = melody_lines(tools, work, "--expect", "--count-in", "4", "scale.mid")
    with open(REFERENCE, encoding="utf-8") as reference:
        text = reference.read()
    for line in (at_pitch[0], octave_up[0], play_along[0]):
        check("\n%s\n" % line in text, "the reference's example is not %s" % line)


def case_tempo_tracks(tools, work):
    path = os.path.join(work, "tempo.mid")
    tempo_file(path)
    plays_in_time(tools, work, path, 1, lines_at_least=3)  # without --track: track 1, the first with notes
    # The bass lies below MIDI 48, the lowest key a note can sound at its pitch: an octave up it plays.
    code, _, err = run([tools["midimelody"], "--track", "2", "tempo.mid"], work)
    check(code == 1 and err.endswith("tempo.mid: no note of track 2 is one the player can name\n"),
          "the bass at its pitch: %d %r" % (code, err))
    plays_in_time(tools, work, path, 2, "--track", "2", "--transpose", "12", transpose=12)
    plays_in_time(tools, work, path, 1, "--track", "1", "--channel", "1", "--instrument", "*33", lines_at_least=3)
    code, _, err = run([tools["midimelody"], "--track", "0", "tempo.mid"], work)
    check(code == 1 and err == "tempo.mid: track 0 has no note-ons\n", "the tempo track: %d %r" % (code, err))


def case_chord(tools, work):
    path = os.path.join(work, "chord.mid")
    chord_file(path)
    lines = plays_in_time(tools, work, path, 0)
    check(lines == ["melody 12 16 19 -500 24 -250 17 21 24 -500 29 -250 19 23 26 -500 31 -250 12 16 19 -500 24 -250"],
          "the chords: %s" % lines)
    plays_in_time(tools, work, path, 0, "--channel", "2", channel=1)


def case_running_status(tools, work):
    path = os.path.join(work, "running.mid")
    midi = running_status_file(path)
    with open(path, "rb") as data:
        chunk = data.read()[14:]
    full_length = sum(len(mido.midifiles.midifiles.encode_variable_int(m.time)) + len(m.bin()) for m in midi.tracks[0])
    check(chunk[:4] == b"MTrk" and int.from_bytes(chunk[4:8], "big") < full_length,
          "mido wrote a status byte for every event: no running status to read")
    plays_in_time(tools, work, path, 0)


def key_steps(keys):
    """Steps that press each (ms, MIDI key) at its time from the lesson's start."""
    steps, now = [], 0
    for at, key in keys:
        steps.append("wait %d" % (at - now))
        steps.append("key %s" % KEY_OF_CLASS[key % 12])
        now = at
    return "\n".join(steps) + "\n"


def learner_keys(onsets, late_ms, start_ms=0, first_late_ms=None):
    """The onsets moved by late_ms, in a tune that starts at start_ms; the first note by
    first_late_ms when it is given."""
    keys = [(start_ms + round(ms) + late_ms, key) for ms, key in onsets]
    if first_late_ms is not None:
        keys[0] = (start_ms + round(onsets[0][0]) + first_late_ms, onsets[0][1])
    return keys


def learner_steps(onsets, late_ms, start_ms=0):
    return key_steps(learner_keys(onsets, late_ms, start_ms))


def case_expect(tools, work):
    path = os.path.join(work, "tempo.mid")
    tempo_file(path)
    lines, _ = melody_lines(tools, work, "--expect", "tempo.mid")
    check(len(lines) >= 3, "the expected melody needs several lines: %s" % lines)
    lesson = ["check mode user 1 1"]
    for i, line in enumerate(lines):
        check(line.startswith("melody ( ") and line.endswith(" )"), "each line a capture of its own: " + line)
        lesson += [line, "check result line%d" % i]
    check(lines[0].startswith("melody ( -%d (" % LEAD_IN_MS), "the first note at 0 ms waits for the lead-in: " + lines[0])
    onsets = true_onsets(path, 1)
    for late, answer in ((0, "yes"), (2, "no")):
        transcript = lesson_transcript(tools, work, "expect", lesson, learner_steps(onsets, late, LEAD_IN_MS))
        for i in range(len(lines)):
            check("  line%d = %s" % (i, answer) in transcript,
                  "a learner %d ms late: line %d does not give %s\n%s" % (late, i, answer, transcript[-600:]))
    print("tempo.mid --expect: %d lines, each checked yes in time and no 2 ms late" % len(lines))


def line_ms(line):
    return sum(int(token[1:]) for token in line.split(" ") if token.startswith("-"))


def case_count_in(tools, work):
    """--expect --count-in 4: four clicks at the file's beat from the lesson's start, the tune four
    beats after the first, the capture open 250 ms before the first note."""
    path = os.path.join(work, "waltz.mid")
    waltz_file(path)
    lines, _ = melody_lines(tools, work, "--expect", "--count-in", "4", "waltz.mid")
    check(len(lines) == 1, "a short tune and its count-in share one capture: %s" % lines)
    beat = beat_ms(path)
    tune_start = round(4 * beat)
    onsets = true_onsets(path, 1)
    first = tune_start + round(onsets[0][0])
    # In time at an accuracy of 1 ms: the notes keep their times after the count-in.
    lesson = ["check mode user 1 1", lines[0], "check count played", "check result passed"]
    transcript = lesson_transcript(tools, work, "count_in", lesson, learner_steps(onsets, 0, tune_start))
    clicks = [int(m.group(1)) for m in map(CLICK_ON.match, transcript.splitlines()) if m]
    check(len(clicks) == 4, "four clicks sound: %s\n%s" % (clicks, transcript))
    # On the tune's beat grid: click k lies 4 - k beats before the tune's start, rounded on its own.
    for k, ms in enumerate(clicks):
        on_beat = tune_start - (4 - k) * beat
        check(abs(ms - on_beat) <= 0.5, "click %d at %d ms, the beat puts it at %.3f ms" % (k, ms, on_beat))
    check("  passed = yes" in transcript and "  played = 7" in transcript, "in time:\n" + transcript)
    # The same capture twice: the first note 251 ms early is not heard, 249 ms early it is. The kept
    # transcript shows the times to a reader.
    again = line_ms(lines[0])
    lesson = ["check mode user 1 250", lines[0], "check count early251", lines[0], "check count early249",
              "check result passed"]
    keys = learner_keys(onsets, 0, tune_start, -251) + learner_keys(onsets, 0, again + tune_start, -249)
    shutil.copy(os.path.join(EXPECTED_DIR, "count_in.expected"), work)
    lesson_transcript(tools, work, "count_in", lesson, key_steps(keys), expected="count_in.expected")
    transcript = lesson_transcript(tools, work, "count_in", lesson, key_steps(keys))
    for early_ms, played in ((251, 6), (249, 7)):
        check("  early%d = %d" % (early_ms, played) in transcript, "%d ms early:\n%s" % (early_ms, transcript))
    print("waltz.mid --expect --count-in 4: clicks at %s ms (beat %.3f ms), the first note at %d ms, "
          "the capture open at %d ms: 251 ms early not heard, 249 ms early heard"
          % (clicks, beat, first, first - LEAD_IN_MS))


def write_click_wav(path):
    """A click of our own: 30 ms of a decaying 2 kHz tone, 44100 Hz 16-bit mono."""
    frames = bytearray()
    for i in range(1323):
        value = int(12000 * math.sin(2 * math.pi * 2000 * i / 44100) * (1 - i / 1323))
        frames += struct.pack("<h", value)
    with wave.open(path, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(44100)
        out.writeframes(bytes(frames))


def case_count_in_played(tools, work):
    """--count-in 3 --click +click.wav,36 without --expect: a line of clicks on a sample, then the
    tune, whose notes keep their times after it."""
    path = os.path.join(work, "waltz.mid")
    waltz_file(path)
    write_click_wav(os.path.join(work, "click.wav"))
    lines, _ = melody_lines(tools, work, "--count-in", "3", "--click", "+click.wav,36", "waltz.mid")
    # Each click rounded on its own: at -1956.522, -1304.348 and -652.174 ms before the tune.
    check(lines[0] == "melody +click.wav 36 -653 36 -652 36 -652", "the clicks are a line of their own: %s" % lines)
    beat = beat_ms(path)
    tune_start = round(3 * beat)
    transcript = lesson_transcript(tools, work, "count_in_played", lines)
    clicks = [int(m.group(1)) for m in map(SAMPLE_CLICK.match, transcript.splitlines()) if m]
    check(len(clicks) == 3, "three clicks on the sample: %s\n%s" % (clicks, transcript))
    for k, ms in enumerate(clicks):
        on_beat = tune_start - (3 - k) * beat
        check(abs(ms - on_beat) <= 0.5, "click %d at %d ms, the beat puts it at %.3f ms" % (k, ms, on_beat))
    tune = [(ms - tune_start, key) for ms, key in played_onsets(transcript)]
    compare_onsets(tune, true_onsets(path, 1), "waltz.mid after its count-in")
    print("waltz.mid --count-in 3 on click.wav: clicks at %s ms, the tune from %d ms" % (clicks, tune_start))


def case_out_of_range(tools, work):
    path = os.path.join(work, "range.mid")
    range_file(path)
    lines, err = melody_lines(tools, work, "range.mid")
    check(lines == ["melody -500 12 -500 76 -500 16 -500"], "the notes in range: %s" % lines)
    check(err.splitlines() == [
        "range.mid: 0 ms: MIDI note 40 is outside MIDI 48 to 127 (notes 0 to 79) on a MIDI instrument; left out",
    ], "the report: %r" % err)
    lines, err = melody_lines(tools, work, "--transpose", "13", "--instrument", "+piano.wav", "range.mid")
    check(lines == ["melody +piano.wav 5 -500 25 -1000 29 -500"], "transposed on a sample: %s" % lines)
    check(err == "range.mid: 1000 ms: MIDI note 137 is outside MIDI 48 to 119 (notes 0 to 71) on a sample; left out\n",
          "transposed report: %r" % err)


def damaged(data):
    """The scale file's bytes with one kind of damage each; the track chunk starts at byte 14."""
    track_length = int.from_bytes(data[18:22], "big")
    with_length = lambda n: data[:18] + n.to_bytes(4, "big") + data[22:]
    end = data.rindex(b"\xff\x2f\x00")
    return {
        "cut_chunk": data[:len(data) - 20],
        "length_too_long": with_length(track_length + 10),
        "length_too_short": with_length(track_length - 3),
        "missing_end_of_track": data[:18] + (track_length - 4).to_bytes(4, "big") + data[22:end - 1],
        "more_tracks_announced": data[:10] + b"\x00\x02" + data[12:],
        "smpte_division": data[:12] + b"\xe7\x28" + data[14:],
        "not_midi": b"RIFF" + data[4:],
    }


DAMAGE_MESSAGES = {
    "cut_chunk": "the chunk at byte 14 announces",
    "length_too_long": "the chunk at byte 14 announces",
    "length_too_short": "track 0, byte ",
    "missing_end_of_track": "track 0, byte ",
    "more_tracks_announced": "a format 0 file has one track; the header announces 2",
    "smpte_division": "the division counts SMPTE frames",
    "not_midi": "not a MIDI file",
}


def case_damaged(tools, work, kind):
    path = os.path.join(work, "scale.mid")
    scale_file(path)
    with open(path, "rb") as data:
        bytes_ = damaged(data.read())[kind]
    with open(os.path.join(work, kind + ".mid"), "wb") as out:
        out.write(bytes_)
    code, out, err = run([tools["midimelody"], kind + ".mid"], work)
    check(code == 1, "%s: exit %d" % (kind, code))
    check(out == "", "%s: printed %r" % (kind, out))
    check(err.count("\n") == 1 and err.startswith(kind + ".mid: " + DAMAGE_MESSAGES[kind]), "%s: %r" % (kind, err))
    print("%s: %s" % (kind, err.strip()))


def case_track_count(tools, work):
    """A format 1 file whose header announces one track fewer, then one more, than it holds; tracks
    asked for that are not there."""
    path = os.path.join(work, "tempo.mid")
    tempo_file(path)
    with open(path, "rb") as data:
        original = data.read()
    for count, message in ((2, "the header announces 2 tracks; the file holds more"),
                           (4, "the header announces 4 tracks; the file holds 3")):
        with open(os.path.join(work, "count.mid"), "wb") as out:
            out.write(original[:10] + count.to_bytes(2, "big") + original[12:])
        code, out, err = run([tools["midimelody"], "count.mid"], work)
        check((code, out, err) == (1, "", "count.mid: %s\n" % message), "%d tracks announced: %d %r" % (count, code, err))
    mido.MidiFile(type=1).save(os.path.join(work, "empty.mid"))
    for arguments, message in ((["--track", "5", "tempo.mid"], "tempo.mid: there is no track 5; the file has tracks 0 to 2"),
                               (["--track", "0", "empty.mid"], "empty.mid: there is no track 0; the file has no tracks"),
                               (["empty.mid"], "empty.mid: no track has note-ons")):
        code, out, err = run([tools["midimelody"], *arguments], work)
        check((code, out, err) == (1, "", message + "\n"), "%s: %d %r" % (arguments, code, err))


def case_usage(tools, work):
    for arguments in ([], ["--track"], ["--channel", "17", "a.mid"], ["--expect", "--instrument", "*0", "a.mid"],
                      ["--instrument", "piano.wav", "a.mid"], ["a.mid", "b.mid"]):
        code, out, err = run([tools["midimelody"], *arguments], work)
        check(code == 2 and out == "" and "usage: midimelody" in err, "%s: %d %r" % (arguments, code, err))
    code, _, err = run([tools["midimelody"], "absent.mid"], work)
    check((code, err) == (1, "absent.mid: cannot open the file\n"), "a missing file: %d %r" % (code, err))
    for arguments, message in BAD_VALUES:
        code, out, err = run([tools["midimelody"], *arguments, "a.mid"], work)
        check(code == 2 and out == "" and err.startswith("midimelody: %s\nusage: midimelody" % message),
              "%s: %d %r" % (arguments, code, err))
    code, out, err = run([tools["midimelody"], "--help"], work)
    check(code == 0 and err == "" and out.startswith("usage: midimelody") and "--count-in N" in out,
          "--help: %d %r %r" % (code, out, err))


LEAD_IN_RANGE = "--lead-in takes milliseconds from 0 to 10000"
COUNT_IN_RANGE = "--count-in takes a number of clicks from 0 to 16"
CLICK_FORM = ("--click takes *P (a MIDI program 0 to 127) or +FILE (a WAV sample), then ,NOTE (0 to 79 on a MIDI "
              "program, 0 to 71 on a sample)")
# Values out of range, of the wrong form or too big for any number, and options without the one they serve.
BAD_VALUES = [
    (["--expect", "--lead-in", "-1"], LEAD_IN_RANGE),
    (["--expect", "--lead-in", "10001"], LEAD_IN_RANGE),
    (["--expect", "--lead-in", "99999999999999999999999"], LEAD_IN_RANGE),
    (["--expect", "--lead-in", "250ms"], LEAD_IN_RANGE),
    (["--expect", "--lead-in", ""], LEAD_IN_RANGE),
    (["--count-in", "-4"], COUNT_IN_RANGE),
    (["--count-in", "17"], COUNT_IN_RANGE),
    (["--count-in", "4.5"], COUNT_IN_RANGE),
    (["--count-in", "1e9"], COUNT_IN_RANGE),
    (["--count-in", "4", "--click", "*128"], CLICK_FORM),
    (["--count-in", "4", "--click", "*115,80"], CLICK_FORM),
    (["--count-in", "4", "--click", "+click.wav,72"], CLICK_FORM),
    (["--count-in", "4", "--click", "click.wav"], CLICK_FORM),
    (["--count-in", "4", "--click", "*115,-1"], CLICK_FORM),
    (["--lead-in", "250"], "--lead-in has no use without --expect: it opens the capture"),
    (["--click", "*115"], "--click has no use without --count-in"),
]


CASES = {
    "scale": case_scale,
    "tempo_tracks": case_tempo_tracks,
    "chord": case_chord,
    "running_status": case_running_status,
    "expect": case_expect,
    "count_in": case_count_in,
    "count_in_played": case_count_in_played,
    "out_of_range": case_out_of_range,
    "track_count": case_track_count,
    "usage": case_usage,
}
DAMAGE_CASES = list(DAMAGE_MESSAGES)


def main(argv):
    if len(argv) != 5:
        print(__doc__.split("\n\n")[1], file=sys.stderr)
        return 2
    tools = {"midimelody": os.path.abspath(argv[1]), "lessontest": os.path.abspath(argv[2])}
    case = argv[4]
    work = os.path.join(argv[3], case)
    os.makedirs(work, exist_ok=True)
    try:
        if case.startswith("damaged_"):
            case_damaged(tools, work, case[len("damaged_"):])
        else:
            CASES[case](tools, work)
    except Failure as failure:
        print("FAILED: %s" % failure)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
