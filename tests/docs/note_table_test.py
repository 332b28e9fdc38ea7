#!/usr/bin/env python3
"""The reference's table of note numbers and keys, checked against the player through lessontest.

    note_table_test.py LESSONTEST REFERENCE WORKDIR

Every note the table names (each end of a range) is played with `play *0 NOTE`, and every key of
the computer-keyboard column is pressed with the learner's instrument the piano (*0): the MIDI
note in lessontest's transcript must be the table's, and notes whose MIDI note is 128 or more
must send nothing. Pitch names must be those of the MIDI notes, middle C (60) being C4. The MIDI keyboard's column must be the note + 36, the rule the instrument bank's
tests hold the player to (lessontest has no MIDI keyboard to press).
"""
import os
import re
import subprocess
import sys

SECTION = "### Note numbers and keys"
MIDI_ON = re.compile(r"^\s*\d+ ms  midi note (\d+) on channel 1")
KEY = re.compile(r"^\s*\d+ ms  key (\S+)$")
KEYBOARD_OFFSET = 36
PITCH_CLASSES = ["C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"]


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def numbers(cell):
    """(first, last) of "N", "N to M" or "N and above" (last None); None for any other text."""
    match = re.fullmatch(r"(-?\d+)(?: to (-?\d+)| and above)?", cell)
    if not match:
        return None
    first = int(match.group(1))
    if cell.endswith("and above"):
        return first, None
    return first, int(match.group(2)) if match.group(2) else first


def table_rows(reference):
    start = reference.index(SECTION)
    rows = []
    for line in reference[start:].splitlines()[1:]:
        if rows and not line.startswith("|"):
            break
        if line.startswith("|") and not line.startswith("|---"):
            rows.append([cell.strip() for cell in line.strip("|").split("|")])
    check(rows and rows[0][0] == "Note", "no table after %s" % SECTION)
    return rows[1:]


def run_lesson(lessontest, work, name, lines, steps):
    with open(os.path.join(work, name + ".scn"), "wb") as scn:
        scn.write(("\r\n".join(lines + ["terminate"]) + "\r\n").encode("ascii"))
    with open(os.path.join(work, name + ".steps"), "w") as out:
        out.write("".join(step + "\n" for step in steps))
    result = subprocess.run([lessontest, name + ".scn", name + ".steps"], cwd=work, capture_output=True, timeout=60)
    check(result.returncode == 0, "lessontest %s: exit %d %s" % (name, result.returncode, result.stderr))
    return result.stdout.decode("utf-8", "replace").splitlines()


def sounded(lessontest, work, notes):
    """The MIDI note each `play *0 NOTE` sends, in order; None for a note that sends nothing."""
    heard = []
    for note in notes:
        transcript = run_lesson(lessontest, work, "play", ["play *0 %d" % note], [])
        on = [int(m.group(1)) for m in map(MIDI_ON.match, transcript) if m]
        check(len(on) <= 1, "play *0 %d sent %s" % (note, on))
        heard.append(on[0] if on else None)
    return heard


def pressed(lessontest, work, keys):
    """{key: the MIDI note its press sends}, all keys pressed in one run."""
    steps = []
    for key in keys:
        steps += ["key %s" % key, "wait 10"]
    transcript = run_lesson(lessontest, work, "keys", ["pause 100000 ms"], steps)
    notes, last = {}, None
    for line in transcript:
        key, on = KEY.match(line), MIDI_ON.match(line)
        if key:
            last = key.group(1)
        elif on and last is not None:
            notes[last] = int(on.group(1))
            last = None
    return notes


def ends_of(cells):
    """[first] or [first, last] of a (first, last) pair."""
    first, last = cells
    return [first] if first == last else [first, last]


def pitch_name(midi):
    """Middle C, MIDI 60, is C4."""
    return "%s%d" % (PITCH_CLASSES[midi % 12], midi // 12 - 1)


def check_pitch(note, pitch, midi_range):
    if midi_range is None:
        check(pitch == "none", "notes %s sound nothing, yet the table names %r" % (note, pitch))
        return
    names = " to ".join(pitch_name(midi) for midi in ends_of(midi_range))
    check(pitch == names or pitch.startswith(names + " ("), "notes %s: pitch %r, MIDI %s is %s" % (note, pitch, midi_range, names))


def check_row(row, lessontest, work, keys_to_press):
    note, pitch, midi, keys, keyboard = row
    first, last = numbers(note)
    if last is None:
        last = 127 - KEYBOARD_OFFSET  # "and above": as far as a MIDI keyboard reaches
    heard = sounded(lessontest, work, ends_of((first, last)))
    midi_range = numbers(midi)
    if midi_range is None:
        check(midi.startswith("none") and set(heard) == {None}, "notes %s: table %r, sent %s" % (note, midi, heard))
    else:
        check(heard == ends_of(midi_range), "notes %s: table MIDI %s, sent %s" % (note, midi, heard))
    check_pitch(note, pitch, midi_range)
    for key in re.findall(r"`([^`]+)`", keys):
        check(first == last, "notes %s: a range with keys %s" % (note, keys))
        keys_to_press.append((key, midi_range[0] if midi_range else None, note))
    keyboard_range = numbers(keyboard)
    if keyboard_range is None:
        check(keyboard == "none" and last + KEYBOARD_OFFSET < 0, "notes %s: a MIDI keyboard gives them" % note)
    else:
        expected = (first + KEYBOARD_OFFSET, last + KEYBOARD_OFFSET)
        check(keyboard_range == expected, "notes %s: MIDI keyboard keys %s, key - 36 gives %s" % (note, keyboard, expected))


def main(argv):
    if len(argv) != 4:
        print(__doc__.split("\n\n")[1], file=sys.stderr)
        return 2
    lessontest, reference, work = os.path.abspath(argv[1]), argv[2], argv[3]
    os.makedirs(work, exist_ok=True)
    try:
        with open(reference, encoding="utf-8") as text:
            rows = table_rows(text.read())
        check(len(rows) >= 29, "the table has %d rows" % len(rows))
        keys_to_press = []
        for row in rows:
            check(len(row) == 5, "a row of %d cells: %s" % (len(row), row))
            check_row(row, lessontest, work, keys_to_press)
        notes = pressed(lessontest, work, [key for key, _, _ in keys_to_press])
        for key, midi, note in keys_to_press:
            check(notes.get(key) == midi, "key %s (note %s): table MIDI %s, sent %s" % (key, note, midi, notes.get(key)))
        print("%d rows: every note and %d keys send the table's MIDI notes" % (len(rows), len(keys_to_press)))
    except Failure as failure:
        print("FAILED: %s" % failure)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
