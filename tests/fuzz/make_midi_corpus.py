#!/usr/bin/env python3
"""Writes the seeds of the midi fuzz target (tests/fuzz/corpus/midi): small Standard MIDI Files in
the forms midimelody reads (formats 0 and 1, running status, meta and SysEx events, tempo changes,
a foreign chunk), and one that is cut off."""
import os
import struct
import sys


def chunk(kind, body):
    return kind + struct.pack(">I", len(body)) + body


def header(format_, tracks, division):
    return chunk(b"MThd", struct.pack(">HHH", format_, tracks, division))


def quantity(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.insert(0, 0x80 | (value & 0x7F))
        value >>= 7
    return bytes(out)


def track(*events):
    return chunk(b"MTrk", b"".join(quantity(delta) + bytes(data) for delta, data in events) + b"\x00\xff\x2f\x00")


def scale():
    events = [(0, [0x90, 60, 90])]  # one status byte, then running status throughout
    keys = [60, 62, 64, 65, 67]
    for previous, key in zip(keys, keys[1:]):
        events += [(96, [previous, 0]), (0, [key, 90])]
    return header(0, 1, 96) + track(*events, (96, [67, 0]))


def two_tracks():
    tempo = track((0, [0xFF, 0x51, 3, 0x07, 0xA1, 0x20]), (384, [0xFF, 0x51, 3, 0x07, 0x44, 0x0E]))
    melody = track((0, [0xC0, 73]), (0, [0x90, 72, 80]), (192, [0x80, 72, 0]), (0, [0x90, 74, 80]),
                   (128, [0x90, 74, 0]), (0, [0x91, 48, 60]), (0, [0x91, 55, 60]), (384, [0x81, 48, 0]))
    return header(1, 2, 384) + tempo + melody


def meta_sysex_foreign():
    # Running status goes on across the text event; the SysEx escape F7 carries one byte.
    events = [(0, [0xFF, 0x03, 4] + list(b"lead")), (0, [0xF0, 3, 0x7E, 0x7F, 0xF7]), (10, [0x92, 60, 100]),
              (0, [0xFF, 0x01, 2] + list(b"hi")), (20, [64, 100]), (30, [0xF7, 1, 0x00]), (40, [0x82, 60, 0]),
              (0, [0xB2, 7, 100]), (0, [0xE2, 0, 64])]
    return header(1, 1, 480) + chunk(b"XFIH", b"\x01\x02") + track(*events)


def main(folder):
    os.makedirs(folder, exist_ok=True)
    seeds = {
        "scale": scale(),
        "two-tracks": two_tracks(),
        "meta-sysex-foreign": meta_sysex_foreign(),
        "cut": two_tracks()[:40],
    }
    for name, data in seeds.items():
        with open(os.path.join(folder, name + ".mid"), "wb") as out:
            out.write(data)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "corpus", "midi"))
