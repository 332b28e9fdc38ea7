#!/usr/bin/env python3
"""Draws the pictures and makes the sounds of the demo lessons (24-bit BMP and 16-bit WAV files).

    make_demo_assets.py [LESSON_DIR [SLITOOL]]

LESSON_DIR defaults to lessons/demo. The note-value cards of the library lesson are packed into the
image library LESSON_DIR/library/symbols.sli with SLITOOL and unpacked from it again into
LESSON_DIR/library/values, so the lesson shows what the library holds. Without SLITOOL the script
looks for the one the native or the win64 preset builds. Magenta is the see-through colour.
"""
import math
import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile

MAGENTA = (255, 0, 255)
INK = (34, 38, 72)
PAPER = (250, 247, 238)
WHITE = (255, 255, 255)
SHADOW = (214, 206, 190)


class Canvas:
    """A picture drawn from simple shapes; rows[y][x] with y = 0 at the top."""

    def __init__(self, width, height, colour=MAGENTA):
        self.width, self.height = width, height
        self.rows = [[colour] * width for _ in range(height)]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.rows[y][x] = colour

    def rect(self, x, y, w, h, colour):
        for row in range(max(int(y), 0), min(int(y + h), self.height)):
            line = self.rows[row]
            for col in range(max(int(x), 0), min(int(x + w), self.width)):
                line[col] = colour
        return self

    def ellipse(self, cx, cy, rx, ry, colour, angle=0.0):
        c, s = math.cos(math.radians(angle)), math.sin(math.radians(angle))
        reach = int(max(rx, ry)) + 1
        for y in range(int(cy) - reach, int(cy) + reach + 1):
            for x in range(int(cx) - reach, int(cx) + reach + 1):
                dx, dy = x + 0.5 - cx, y + 0.5 - cy
                u, v = dx * c + dy * s, -dx * s + dy * c
                if (u / rx) ** 2 + (v / ry) ** 2 <= 1.0:
                    self.put(x, y, colour)
        return self

    def disc(self, cx, cy, r, colour):
        return self.ellipse(cx, cy, r, r, colour)

    def line(self, x0, y0, x1, y1, width, colour):
        steps = max(1, int(math.hypot(x1 - x0, y1 - y0) * 2))
        for i in range(steps + 1):
            t = i / steps
            self.disc(x0 + (x1 - x0) * t, y0 + (y1 - y0) * t, width / 2.0, colour)
        return self

    def polyline(self, points, width, colour):
        for (x0, y0), (x1, y1) in zip(points, points[1:]):
            self.line(x0, y0, x1, y1, width, colour)
        return self

    def polygon(self, points, colour):
        top = max(0, int(min(p[1] for p in points)))
        bottom = min(self.height - 1, int(max(p[1] for p in points)) + 1)
        for y in range(top, bottom + 1):
            yc = y + 0.5
            crossings = []
            for (x0, y0), (x1, y1) in zip(points, points[1:] + points[:1]):
                if (y0 <= yc < y1) or (y1 <= yc < y0):
                    crossings.append(x0 + (yc - y0) * (x1 - x0) / (y1 - y0))
            crossings.sort()
            for left, right in zip(crossings[::2], crossings[1::2]):
                self.rect(int(round(left)), y, int(round(right)) - int(round(left)), 1, colour)
        return self

    def rounded(self, x, y, w, h, radius, colour):
        self.rect(x + radius, y, w - 2 * radius, h, colour)
        self.rect(x, y + radius, w, h - 2 * radius, colour)
        for cx, cy in ((x + radius, y + radius), (x + w - radius, y + radius),
                       (x + radius, y + h - radius), (x + w - radius, y + h - radius)):
            self.disc(cx, cy, radius, colour)
        return self

    def card(self, colour, border, radius=18):
        """A rounded card filling the canvas, with a flat shadow at its lower right."""
        w, h = self.width, self.height
        self.rounded(5, 5, w - 5, h - 5, radius, SHADOW)
        self.rounded(0, 0, w - 5, h - 5, radius, border)
        return self.rounded(3, 3, w - 11, h - 11, radius - 3, colour)

    def text(self, x, y, word, scale, colour):
        """Letters of GLYPHS, `scale` pixels per dot."""
        for letter in word:
            for row, bits in enumerate(GLYPHS[letter]):
                for col in range(5):
                    if bits >> (4 - col) & 1:
                        self.rect(x + col * scale, y + row * scale, scale, scale, colour)
            x += 6 * scale
        return self

    def bmp(self):
        row_size = (self.width * 3 + 3) & ~3
        data = bytearray()
        for row in reversed(self.rows):
            line = bytearray()
            for r, g, b in row:
                line += bytes((b, g, r))
            data += line + bytes(row_size - len(line))
        header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
        info = struct.pack("<IiiHHIIiiII", 40, self.width, self.height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
        return header + info + bytes(data)

    def save(self, path):
        with open(path, "wb") as f:
            f.write(self.bmp())


def write_bmp(path, width, height, pixel):
    """A picture whose every pixel is pixel(x, y) -> (r, g, b), with y = 0 at the top."""
    c = Canvas(width, height)
    c.rows = [[pixel(x, y) for x in range(width)] for y in range(height)]
    c.save(path)


# The letters the pictures write, from a 5 x 7 font: one row of five dots per number, top row first.
GLYPHS = {
    "Q": (0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D), "W": (0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A),
    "E": (0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F),
}


# --- Pieces of music notation -------------------------------------------------------------------

def note_head(c, cx, cy, colour=INK, hollow=False, size=1.0):
    c.ellipse(cx, cy, 12 * size, 8.5 * size, colour, angle=-22)
    if hollow:
        c.ellipse(cx, cy, 7 * size, 3.6 * size, WHITE, angle=-22)


def stem_note(c, cx, cy, colour=INK, hollow=False, flags=0, size=1.0, length=62):
    note_head(c, cx, cy, colour, hollow, size)
    x = cx + 10.5 * size
    c.line(x, cy - 2, x, cy - length * size, 3 * size, colour)
    for i in range(flags):
        top = cy - length * size + i * 14 * size
        c.polyline([(x, top), (x + 10 * size, top + 12 * size), (x + 16 * size, top + 26 * size),
                    (x + 12 * size, top + 38 * size)], 4 * size, colour)


def smooth(points, steps=12):
    """A Catmull-Rom curve through the points."""
    out = []
    ends = [points[0]] + points + [points[-1]]
    for i in range(1, len(ends) - 2):
        p0, p1, p2, p3 = ends[i - 1], ends[i], ends[i + 1], ends[i + 2]
        for step in range(steps):
            t = step / steps
            out.append(tuple(0.5 * (2 * p1[k] + (p2[k] - p0[k]) * t + (2 * p0[k] - 5 * p1[k] + 4 * p2[k] - p3[k]) * t * t
                                    + (3 * p1[k] - p0[k] - 3 * p2[k] + p3[k]) * t ** 3) for k in range(2)))
    return out + [points[-1]]


# The G clef's stroke in stave gaps from the middle of its curl, which sits on the G line: the curl,
# the loop above the stave, the stem down through the curl and the tail.
CLEF = [(0.2, 0.15), (0.45, -0.25), (0.15, -0.6), (-0.35, -0.5), (-0.7, 0.0), (-0.5, 0.6), (0.1, 0.9),
        (0.75, 0.6), (0.95, -0.1), (0.6, -0.9), (0.05, -1.7), (-0.2, -2.6), (0.05, -3.4), (0.45, -3.7),
        (0.6, -3.1), (0.25, -2.3), (-0.05, -1.2), (0.1, 0.6), (0.3, 2.0), (0.15, 2.6), (-0.3, 2.75), (-0.6, 2.45)]


def treble_clef(c, x, g_line, gap, colour=INK):
    """A G clef whose curl sits on the G line; x is its stem, gap the distance between lines."""
    path = smooth([(x + px * gap, g_line + py * gap) for px, py in CLEF])
    for i, (a, b) in enumerate(zip(path, path[1:])):
        t = i / len(path)
        width = 3.2 + 2.6 * math.sin(min(1.0, t * 1.6) * math.pi) if t < 0.6 else 3.2  # a fuller curl
        c.line(a[0], a[1], b[0], b[1], width, colour)
    c.disc(x - 0.42 * gap, g_line + 2.45 * gap, 0.42 * gap, colour)


# --- The pictures -------------------------------------------------------------------------------

def paper_tile():
    rng = random.Random(7)
    c = Canvas(96, 96, PAPER)
    for _ in range(160):
        shade = rng.choice(((244, 240, 228), (247, 243, 233), (252, 250, 243)))
        c.put(rng.randrange(96), rng.randrange(96), shade)
    return c


def stave():
    """A white card with five lines 20 pixels apart (top line at y 50) and a treble clef."""
    c = Canvas(640, 220).card(WHITE, (120, 130, 170))
    for i in range(5):
        c.rect(24, 50 + 20 * i, 596, 2, INK)
    treble_clef(c, 62, 111, 20)
    return c


def quarter_note():
    """The note the learner moves: its head's centre is at (20, 78) of the picture."""
    c = Canvas(44, 92)
    stem_note(c, 20, 78, (40, 60, 160))
    return c


def star():
    c = Canvas(110, 110)
    points = []
    for i in range(10):
        radius = 52 if i % 2 == 0 else 22
        angle = math.radians(-90 + 36 * i)
        points.append((55 + radius * math.cos(angle), 55 + radius * math.sin(angle)))
    c.polygon([(x + 2, y + 3) for x, y in points], SHADOW)
    c.polygon(points, (236, 176, 40))
    return c.polygon([(55 + (x - 55) * 0.6, 50 + (y - 55) * 0.6) for x, y in points], (250, 214, 90))


def icon(colour, border, draw):
    c = Canvas(170, 130).card(colour, border)
    draw(c)
    return c


def draw_stave_icon(c):
    for i in range(5):
        c.rect(22, 30 + 12 * i, 120, 2, WHITE)
    stem_note(c, 70, 66, WHITE, size=0.8, length=55)
    stem_note(c, 110, 48, WHITE, size=0.8, length=55)


def draw_text_icon(c):
    c.rounded(28, 22, 112, 64, 14, WHITE)
    c.polygon([(48, 82), (72, 82), (44, 104)], WHITE)
    for i, width in enumerate((80, 64, 72)):
        c.rect(44, 36 + 14 * i, width, 5, (90, 150, 100))


def draw_sound_icon(c):
    c.rect(34, 48, 22, 30, WHITE)
    c.polygon([(54, 48), (82, 26), (82, 100), (54, 78)], WHITE)
    for radius in (18, 32):
        points = [(86 + radius * math.cos(math.radians(a)), 63 + radius * math.sin(math.radians(a)))
                  for a in range(-50, 51, 5)]
        c.polyline(points, 6, WHITE)


def draw_piano_icon(c):
    c.rect(22, 26, 124, 74, INK)
    for i in range(6):
        c.rect(25 + 20 * i, 29, 18, 68, WHITE)
    for i in (0, 1, 3, 4):
        c.rect(37 + 20 * i, 29, 12, 40, INK)


def draw_library_icon(c):
    for i, shade in enumerate(((255, 236, 200), (255, 246, 222), WHITE)):
        c.rounded(34 + 12 * i, 20 + 8 * i, 70, 80, 8, (60, 100, 110))
        c.rounded(36 + 12 * i, 22 + 8 * i, 66, 76, 7, shade)
    stem_note(c, 90, 88, INK, size=0.8, length=50)


def draw_debug_icon(c):
    c.disc(72, 56, 30, WHITE)
    c.disc(72, 56, 21, (120, 124, 140))
    c.disc(66, 50, 7, (200, 204, 220))
    c.line(94, 78, 124, 106, 12, WHITE)


def draw_timing_icon(c):
    """A metronome: its body, the scale down the middle and the pendulum swung to one side."""
    c.polygon([(62, 104), (106, 104), (94, 18), (74, 18)], WHITE)
    c.rect(83, 30, 2, 64, (190, 150, 150))
    c.line(84, 94, 112, 30, 5, INK)
    c.disc(104, 48, 7, INK)
    c.rect(56, 104, 56, 6, WHITE)


def keys_picture():
    """One octave of the piano from C, with the keys Q, W and E written on C, D and E."""
    c = Canvas(340, 170).card((60, 50, 80), (40, 32, 56), radius=10)
    for i in range(8):
        tint = (255, 240, 200) if i < 3 else WHITE
        c.rect(12 + 40 * i, 12, 38, 140, tint)
    for i in (0, 1, 3, 4, 5):
        c.rect(38 + 40 * i, 12, 24, 86, (30, 30, 40))
    for i, letter in enumerate("QWE"):
        c.text(22 + 40 * i, 120, letter, 3, (180, 60, 40))
    return c


def value_card(kind):
    """A flash card of one note value: whole, half, quarter or eighth."""
    c = Canvas(120, 160).card(WHITE, (60, 100, 110), radius=12)
    if kind == "whole":
        c.ellipse(56, 96, 16, 11, INK)
        c.ellipse(56, 96, 7, 7.5, WHITE, angle=60)
    else:
        stem_note(c, 50, 110, INK, hollow=(kind == "half"), flags=1 if kind == "eighth" else 0, size=1.2)
    return c


# --- The sounds ---------------------------------------------------------------------------------

def write_wav(path, frames, rate=44100):
    data = b"".join(struct.pack("<h", max(-32767, min(32767, int(s)))) for s in frames)
    fmt = struct.pack("<HHIIHH", 1, 1, rate, rate * 2, 2, 16)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(data)) + data
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", len(body)) + body)


def piano(frequency, seconds, rate=44100):
    """A plucked tone: a few harmonics that fade, a soft attack and a short release at the end."""
    count = int(seconds * rate) + 100  # the player leaves out the last 100 frames of a sample
    partials = ((1, 1.0, 2.5), (2, 0.45, 3.5), (3, 0.22, 5.0), (4, 0.1, 6.0))
    frames = []
    for i in range(count):
        t = i / rate
        value = sum(a * math.exp(-d * t) * math.sin(2 * math.pi * frequency * n * t) for n, a, d in partials)
        envelope = min(1.0, i / 220.0) * min(1.0, (count - i) / 1500.0)
        frames.append(9000 * value * envelope)
    return frames


def click(rate=44100):
    rng = random.Random(3)
    count = int(0.08 * rate) + 100
    return [9000 * math.exp(-i / 300.0) * (math.sin(2 * math.pi * 1800 * i / rate) + 0.3 * rng.uniform(-1, 1))
            for i in range(count)]


def drone(seconds, rate=44100):
    count = int(seconds * rate) + 100
    return [5000 * (math.sin(2 * math.pi * 130.81 * i / rate) + 0.6 * math.sin(2 * math.pi * 196.0 * i / rate))
            * min(1.0, i / 4000.0) * min(1.0, (count - i) / 4000.0) for i in range(count)]


# --- The image library --------------------------------------------------------------------------

def find_slitool():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    for candidate in ("build/native/slitool", "build/win64/host-tools/slitool"):
        path = os.path.join(root, candidate)
        if os.access(path, os.X_OK):
            return path
    return shutil.which("slitool")


def make_library(lesson, slitool):
    """Packs the note-value cards into library/symbols.sli and unpacks them into library/values."""
    library_dir = os.path.join(lesson, "library")
    os.makedirs(library_dir, exist_ok=True)
    library = os.path.join(library_dir, "symbols.sli")
    if os.path.exists(library):
        os.remove(library)
    with tempfile.TemporaryDirectory() as drawn:
        files = []
        for kind in ("whole", "half", "quarter", "eighth"):
            path = os.path.join(drawn, kind + ".bmp")
            value_card(kind).save(path)
            files.append("values:" + path)
        subprocess.run([slitool, "pack", library] + files, check=True)
    subprocess.run([slitool, "unpack", library, library_dir], check=True)


def make_recordings(lesson):
    """The learner the listening lessons' tests hear, recorded now with FluidSynth and mido (Debian's
    python3 has mido). Without them the lessons still run; only their tests have nothing to hear."""
    recorder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "make_listening_recordings.py")
    python = "/usr/bin/python3" if os.path.exists("/usr/bin/python3") else sys.executable
    if subprocess.run([python, recorder, os.path.join(lesson, "recordings")]).returncode != 0:
        print("make_demo_assets.py: no recordings for the tests of the listening lessons", file=sys.stderr)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    lesson = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "lessons", "demo")
    slitool = sys.argv[2] if len(sys.argv) > 2 else find_slitool()
    if not slitool:
        sys.exit("make_demo_assets.py: no slitool to pack the library with; build it "
                 "(cmake --build --preset native --target slitool) or pass its path")
    pictures = os.path.join(lesson, "pictures")
    sounds = os.path.join(lesson, "sounds")
    os.makedirs(pictures, exist_ok=True)
    os.makedirs(sounds, exist_ok=True)
    drawings = {
        "paper.bmp": paper_tile(), "stave.bmp": stave(), "note.bmp": quarter_note(), "star.bmp": star(),
        "keys.bmp": keys_picture(), "answer-line.bmp": Canvas(90, 4, INK),
        "menu-pictures.bmp": icon((70, 110, 190), (40, 70, 140), draw_stave_icon),
        "menu-text.bmp": icon((90, 170, 110), (50, 120, 70), draw_text_icon),
        "menu-sound.bmp": icon((230, 140, 60), (180, 100, 30), draw_sound_icon),
        "menu-playalong.bmp": icon((150, 90, 180), (110, 60, 140), draw_piano_icon),
        "menu-library.bmp": icon((60, 150, 160), (30, 110, 120), draw_library_icon),
        "menu-debug.bmp": icon((120, 124, 140), (80, 84, 100), draw_debug_icon),
        "menu-timing.bmp": icon((200, 90, 100), (150, 55, 65), draw_timing_icon),
    }
    for name, canvas in drawings.items():
        canvas.save(os.path.join(pictures, name))
    write_wav(os.path.join(sounds, "piano.wav"), piano(261.63, 1.4))  # note 24 is middle C
    write_wav(os.path.join(sounds, "click.wav"), click())
    write_wav(os.path.join(sounds, "drone.wav"), drone(6.0))
    make_library(lesson, slitool)
    make_recordings(lesson)
    # The menu counts the learner's visits in a store file; it starts again at 0 with fresh assets,
    # so a lesson test that runs after this script sees the same count every time.
    with open(os.path.join(lesson, "visits.sto"), "wb") as f:
        f.write(b"$visits=0\r\r\n")
    # The learner's measured lateness (Tune to your ears) is kept: only a missing file is made.
    timing = os.path.join(lesson, "timing.sto")
    if not os.path.exists(timing):
        with open(timing, "wb") as f:
            f.write(b"$lateness=0\r\r\n")


if __name__ == "__main__":
    main()
