// midimelody's reader and line writer on files assembled here byte by byte. (The tool's runs on
// files of an independent writer are in midimelody_cli_test.py.)
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/message_sink.h"
#include "melody_lines.h"
#include "midi_file.h"
#include "sound/instrument_bank.h"
#include "sound/midi.h"

namespace vellaro::midimelody {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

Bytes be32(uint32_t v) { return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)}; }

Bytes chunk(const char* type, const Bytes& body, int64_t announced = -1) {
  Bytes out(type, type + 4);
  return out + be32(announced < 0 ? static_cast<uint32_t>(body.size()) : static_cast<uint32_t>(announced)) + body;
}

Bytes header(int format, int tracks, int division) {
  return chunk("MThd", {0, uint8_t(format), uint8_t(tracks >> 8), uint8_t(tracks), uint8_t(division >> 8),
                        uint8_t(division)});
}

const Bytes kEnd = {0x00, 0xFF, 0x2F, 0x00};
Bytes track(const Bytes& events) { return chunk("MTrk", events + kEnd); }
Bytes file0(const Bytes& events, int division = 96) { return header(0, 1, division) + track(events); }

// --- The reader: damaged files ---

struct DamageCase {
  const char* name;
  Bytes file;
  const char* message;
};

class DamageTest : public ::testing::TestWithParam<DamageCase> {};

TEST_P(DamageTest, GivesOneLineAndNoFile) {
  const DamageCase& c = GetParam();
  MidiFile file;
  std::string error;
  ASSERT_FALSE(readMidiFile(c.file.data(), c.file.size(), &file, &error)) << c.name;
  EXPECT_EQ(error, c.message) << c.name;
}

const Bytes kNote = {0x00, 0x90, 60, 100, 0x60, 0x80, 60, 0};

INSTANTIATE_TEST_SUITE_P(
    Table, DamageTest,
    ::testing::Values(
        DamageCase{"no MThd", chunk("RIFF", {1, 2, 3, 4, 5, 6}), "not a MIDI file: it does not begin with MThd"},
        DamageCase{"header cut", Bytes{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0}, "the header chunk is cut off or too short"},
        DamageCase{"header too short", chunk("MThd", {0, 0, 0, 1}), "the header chunk is cut off or too short"},
        DamageCase{"format 2", header(2, 1, 96) + track({}), "format 2; midimelody reads formats 0 and 1"},
        DamageCase{"format 0, two tracks", header(0, 2, 96) + track({}) + track({}),
                   "a format 0 file has one track; the header announces 2"},
        DamageCase{"SMPTE", header(1, 1, 0xE728) + track({}),
                   "the division counts SMPTE frames; midimelody reads only divisions in ticks per quarter note"},
        DamageCase{"division 0", header(0, 1, 0) + track({}), "a division of 0 ticks per quarter note"},
        DamageCase{"chunk cut", header(0, 1, 96) + chunk("MTrk", kNote + kEnd, 400),
                   "the chunk at byte 14 announces 400 bytes; 12 follow (a cut file or a length that lies?)"},
        DamageCase{"chunk header cut", file0(kNote) + Bytes{'M', 'T', 'r'}, "the chunk at byte 34 is cut off"},
        DamageCase{"length too short", header(0, 1, 96) + chunk("MTrk", kNote + kEnd, 6),
                   "track 0, byte 26: an event runs past the end of its chunk (a length that lies?)"},
        DamageCase{"length too long", header(1, 2, 96) + chunk("MTrk", kNote + kEnd, 20) + Bytes{0, 0, 0, 0} + track({}),
                   "track 0, byte 34: bytes after the end-of-track event (a length that lies?)"},
        DamageCase{"no end of track", header(0, 1, 96) + chunk("MTrk", kNote),
                   "track 0, byte 30: the track has no end-of-track event"},
        DamageCase{"more tracks announced", header(1, 3, 96) + track(kNote) + track({}),
                   "the header announces 3 tracks; the file holds 2"},
        DamageCase{"fewer tracks announced", header(1, 1, 96) + track(kNote) + track({}),
                   "the header announces 1 track; the file holds more"},
        DamageCase{"running status with none", file0({0x00, 60, 100}),
                   "track 0, byte 22: a data byte with no status byte before it"},
        DamageCase{"system byte", file0({0x00, 0xF4}), "track 0, byte 22: status byte F4 has no place in a MIDI file"},
        DamageCase{"five-byte delta", file0({0x81, 0x81, 0x81, 0x81, 0x01, 0x90, 60, 100}),
                   "track 0, byte 22: a variable-length number longer than four bytes"},
        DamageCase{"tempo of two bytes", file0({0x00, 0xFF, 0x51, 0x02, 0x07, 0xA1}),
                   "track 0, byte 22: a tempo event of 2 bytes; it has 3"},
        DamageCase{"time signature of three bytes", file0({0x00, 0xFF, 0x58, 0x03, 3, 2, 24}),
                   "track 0, byte 22: a time signature event of 3 bytes; it has 4"},
        DamageCase{"message cut by status", file0({0x00, 0x90, 60, 0x90, 62, 100}),
                   "track 0, byte 22: a channel message is cut short by a status byte"},
        DamageCase{"meta longer than chunk", file0({0x00, 0xFF, 0x01, 0x7F, 'a'}),
                   "track 0, byte 22: a meta event runs past the end of its chunk (a length that lies?)"},
        DamageCase{"SysEx longer than chunk", file0({0x00, 0xF0, 0x8F, 0x7F, 0x7E}),
                   "track 0, byte 22: a SysEx event runs past the end of its chunk (a length that lies?)"}));

// --- The reader: what it keeps and what it skips ---

TEST(MidiReader, RunningStatusMetaAndSysExAndForeignChunks) {
  // Running status across a meta and a SysEx event, a note-on of velocity 0 as note-off, a header
  // longer than six bytes and a chunk of an unknown type.
  Bytes events = {0x00, 0x91, 60, 100, 0x10, 64, 90,          // C and E on channel 2, E in running status
                  0x00, 0xFF, 0x01, 0x02, 'h', 'i',           // a text event
                  0x00, 0xF0, 0x02, 0x7E, 0xF7,               // a SysEx event
                  0x20, 60, 0,                                // C released by running status
                  0x00, 0xC1, 5, 0x10, 0x81, 64, 0};          // a program change, then E released
  Bytes file = chunk("MThd", {0, 0, 0, 1, 0, 96, 9, 9}) + chunk("XYZW", {1, 2, 3}) + track(events);
  MidiFile midi;
  std::string error;
  ASSERT_TRUE(readMidiFile(file.data(), file.size(), &midi, &error)) << error;
  ASSERT_EQ(midi.tracks.size(), 1u);
  const std::vector<NoteOn>& notes = midi.tracks[0].notes;
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_EQ(notes[0].key, 60);
  EXPECT_EQ(notes[0].channel, 1);
  EXPECT_EQ(notes[0].tick, 0u);
  EXPECT_EQ(notes[0].endTick, 0x30u);
  EXPECT_EQ(notes[1].key, 64);
  EXPECT_EQ(notes[1].tick, 0x10u);
  EXPECT_EQ(notes[1].endTick, 0x40u);
  EXPECT_EQ(midi.tracks[0].endTick, 0x40u);
}

TEST(MidiReader, TempoChangesOfAllTracksInOneMap) {
  Bytes tempoTrack = {0x60, 0xFF, 0x51, 3, 0x0F, 0x42, 0x40};  // at tick 96: 1 s a quarter
  Bytes noteTrack = {0x30, 0xFF, 0x51, 3, 0x03, 0xD0, 0x90,    // at tick 48: 250 ms a quarter
                     0x00, 0x90, 60, 100};
  Bytes file = header(1, 2, 96) + track(tempoTrack) + track(noteTrack);
  MidiFile midi;
  std::string error;
  ASSERT_TRUE(readMidiFile(file.data(), file.size(), &midi, &error)) << error;
  ASSERT_EQ(midi.tempos.size(), 2u);
  EXPECT_EQ(midi.tempos[0].tick, 48u);
  EXPECT_EQ(midi.tempos[0].microsPerQuarter, 250000u);
  EXPECT_EQ(midi.tempos[1].tick, 96u);
  EXPECT_EQ(midi.tracks[1].notes.size(), 1u);
  EXPECT_EQ(midi.tracks[1].notes[0].endTick, 48u);  // never released: it ends with its track
}

TEST(MidiReader, MetronomeOfAllTracksInOneMap) {
  Bytes conductor = {0x00, 0xFF, 0x58, 4, 6, 3, 36, 8,    // 6/8, a click every dotted quarter
                     0x60, 0xFF, 0x58, 4, 4, 2, 24, 8};   // at tick 96: 4/4
  Bytes melody = {0x30, 0xFF, 0x58, 4, 2, 2, 48, 8, 0x00, 0x90, 60, 100};  // at tick 48: 2/2
  Bytes file = header(1, 2, 96) + track(conductor) + track(melody);
  MidiFile midi;
  std::string error;
  ASSERT_TRUE(readMidiFile(file.data(), file.size(), &midi, &error)) << error;
  ASSERT_EQ(midi.metronome.size(), 3u);
  EXPECT_EQ(midi.metronome[0].tick, 0u);
  EXPECT_EQ(midi.metronome[0].clocksPerClick, 36);
  EXPECT_EQ(midi.metronome[1].tick, 48u);
  EXPECT_EQ(midi.metronome[1].clocksPerClick, 48);
  EXPECT_EQ(midi.metronome[2].tick, 96u);
}

// --- Times ---

struct TimeCase {
  const char* name;
  uint16_t division;
  std::vector<TempoChange> tempos;
  uint64_t tick;
  uint64_t ms;
};

class TimeTest : public ::testing::TestWithParam<TimeCase> {};

TEST_P(TimeTest, PlacesTheTick) {
  const TimeCase& c = GetParam();
  MidiFile file;
  file.ticksPerQuarter = c.division;
  file.tempos = c.tempos;
  EXPECT_EQ(TempoMap(file).ms(c.tick), c.ms) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Table, TimeTest,
    ::testing::Values(
        TimeCase{"120 BPM before any tempo", 480, {}, 960, 1000},
        TimeCase{"a third of a quarter rounds down", 3, {}, 1, 167},  // 166.67
        TimeCase{"two thirds round up", 3, {}, 2, 333},               // 333.33
        TimeCase{"half a millisecond rounds up", 1000, {}, 1, 1},     // 0.5 ms
        TimeCase{"after a change", 96, {{96, 1000000}}, 144, 1000},   // 500 ms + 500 ms
        TimeCase{"at the change", 96, {{96, 1000000}}, 96, 500},
        TimeCase{"the later of two changes at one tick", 96, {{0, 1000000}, {0, 250000}}, 96, 250},
        TimeCase{"an odd tempo kept exact over many quarters", 7, {{0, 333333}}, 7 * 3000, 999999},
        TimeCase{"past what a rest can name", 1, {{0, 0xFFFFFF}}, 1ull << 28, kLongestTimeMs + 1}));

// The count-in's beat: the metronome of the time signature at tick 0, at the tempo at tick 0.
struct ClickCase {
  const char* name;
  std::vector<TempoChange> tempos;
  std::vector<MetronomeChange> metronome;
  int clicks;
  uint64_t ms;
};

class ClickTest : public ::testing::TestWithParam<ClickCase> {};

TEST_P(ClickTest, LastsTheBeats) {
  const ClickCase& c = GetParam();
  MidiFile file;
  file.ticksPerQuarter = 480;
  file.tempos = c.tempos;
  file.metronome = c.metronome;
  EXPECT_EQ(clicksMs(file, c.clicks), c.ms) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ClickTest,
    ::testing::Values(
        ClickCase{"a quarter at 120 BPM without either", {}, {}, 4, 2000},
        ClickCase{"3/4 at 100 BPM", {{0, 600000}}, {{0, 24}}, 3, 1800},
        ClickCase{"6/8 clicking dotted quarters", {}, {{0, 36}}, 2, 1500},
        ClickCase{"2/2 clicking halves", {}, {{0, 48}}, 1, 1000},
        ClickCase{"a metronome of 0 clocks is a quarter", {}, {{0, 0}}, 1, 500},
        ClickCase{"the later of two at tick 0", {{0, 1000000}, {0, 400000}}, {{0, 48}, {0, 12}}, 1, 200},
        ClickCase{"changes after the start do not count", {{1, 1000000}}, {{1, 48}}, 1, 500},
        ClickCase{"each click rounded from the exact time", {{0, 333333}}, {}, 7, 2333},  // 2333.331
        ClickCase{"half a millisecond rounds up", {{0, 500500}}, {}, 1, 501},
        ClickCase{"the slowest file", {{0, 0xFFFFFF}}, {{0, 255}}, 16, 2852127}));

// --- Lines ---

MidiFile notesFile(uint16_t division, std::vector<NoteOn> notes) {
  MidiFile file;
  file.ticksPerQuarter = division;
  file.tracks.push_back(MidiTrack{std::move(notes), 0});
  return file;
}

NoteOn note(uint64_t tick, uint8_t key, uint64_t length = 0, uint8_t channel = 0) {
  return NoteOn{tick, tick + length, channel, key};
}

struct LineCase {
  const char* name;
  MelodyOptions options;
  uint16_t division;
  std::vector<NoteOn> notes;
  std::vector<std::string> lines;
};

class LineTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(LineTest, WritesTheLines) {
  const LineCase& c = GetParam();
  MidiFile file = notesFile(c.division, c.notes);
  Melody melody;
  std::string error;
  ASSERT_TRUE(makeMelody(file, file.tracks[0], c.options, &melody, &error)) << c.name << ": " << error;
  EXPECT_EQ(melody.lines, c.lines) << c.name;
}

MelodyOptions expecting(uint32_t leadInMs = kDefaultLeadInMs, int countIn = 0) {
  MelodyOptions options;
  options.expect = true;
  options.leadInMs = leadInMs;
  options.countIn = countIn;
  return options;
}

MelodyOptions countingIn(int clicks, const char* click = "*115", int note = kDefaultClickNote) {
  MelodyOptions options;
  options.countIn = clicks;
  options.clickInstrument = click;
  options.clickNote = note;
  return options;
}

MelodyOptions withInstrument(const char* token) {
  MelodyOptions options;
  options.instrument = token;
  return options;
}

MelodyOptions onChannel(int channel, int transpose = 0) {
  MelodyOptions options;
  options.channel = channel;
  options.transpose = transpose;
  return options;
}

INSTANTIATE_TEST_SUITE_P(
    Table, LineTest,
    ::testing::Values(
        // 60 is note 12, which sounds as MIDI 60; a leading rest keeps the file's first moment; the line
        // ends with the last note.
        LineCase{"notes and rests", {}, 96, {note(96, 60, 48), note(192, 62, 48)}, {"melody -500 12 -500 14 -250"}},
        // Triplets of 166.67 ms: each onset placed on its own rounded time, so no drift.
        LineCase{"rounding does not add up", {}, 3, {note(0, 60), note(1, 62), note(2, 64), note(3, 65)},
                 {"melody 12 -167 14 -166 16 -167 17"}},
        LineCase{"a chord, its unison once", {}, 96, {note(0, 60, 96), note(0, 64, 96), note(0, 60, 96, 1)},
                 {"melody 12 16 -500"}},
        LineCase{"onsets on one millisecond are a chord", {}, 9600, {note(0, 60), note(9, 67)}, {"melody 12 19"}},
        LineCase{"the instrument opens the line", withInstrument("*40"), 96, {note(0, 72, 96)}, {"melody *40 24 -500"}},
        LineCase{"one channel", onChannel(1), 96, {note(0, 60, 0, 0), note(96, 62, 0, 1)}, {"melody -500 14"}},
        LineCase{"transposed", onChannel(-1, -12), 96, {note(0, 60)}, {"melody 0"}},
        // The capture opens 250 ms before the first note, which keeps its time in the tune.
        LineCase{"expected notes", expecting(), 96, {note(96, 60, 48), note(144, 62, 192)},
                 {"melody -250 ( -250 (24) -250 (26) -1000 )"}},
        // A first note sooner than the lead-in starts the tune later; the capture stays open at least
        // 200 ms after the last expected note.
        LineCase{"the tune waits for the lead-in", expecting(), 96, {note(0, 48, 1)}, {"melody ( -250 (12) -200 )"}},
        LineCase{"a first note just after the lead-in", expecting(), 96, {note(48, 48, 1)}, {"melody ( -250 (12) -200 )"}},
        LineCase{"no lead-in", expecting(0), 96, {note(96, 48, 1)}, {"melody -500 ( (12) -200 )"}},
        LineCase{"expected notes of any MIDI key", expecting(), 96, {note(0, 0), note(0, 127)},
                 {"melody ( -250 (-36) (91) -200 )"}},
        // Clicks a beat apart, the last a beat before the tune's start; the capture opens after them.
        LineCase{"count-in before expected notes", expecting(kDefaultLeadInMs, 4), 96, {note(0, 60, 96), note(96, 62, 96)},
                 {"melody *115 24 -500 24 -500 24 -500 24 -250 ( -250 (24) -500 (26) -500 )"}},
        // A first note on the second beat: the lead-in starts after the last click.
        LineCase{"count-in, first note on beat two", expecting(kDefaultLeadInMs, 2), 96, {note(96, 60, 96)},
                 {"melody *115 24 -500 24 -750 ( -250 (24) -500 )"}},
        // A lead-in longer than a beat opens the capture before the last click, on the same line.
        LineCase{"capture open before the last click", expecting(700, 4), 96, {note(0, 60, 96)},
                 {"melody *115 24 -500 24 -500 24 -300 ( -200 24 -500 (24) -500 )"}},
        // A click at the capture's opening comes first, so that a capture of mode all does not expect it.
        LineCase{"a click where the capture opens", expecting(500, 2), 96, {note(0, 60, 96)},
                 {"melody *115 24 -500 24 ( -500 (24) -500 )"}},
        // A lead-in longer than the count-in starts the clicks later.
        LineCase{"lead-in longer than the count-in", expecting(1200, 2), 96, {note(0, 60, 96)},
                 {"melody *115 ( -200 24 -500 24 -500 (24) -500 )"}},
        // Notes that sound: the count-in is a line of its own, ending where the tune starts.
        LineCase{"count-in before played notes", countingIn(3), 96, {note(96, 60, 96)},
                 {"melody *115 24 -500 24 -500 24 -500", "melody -500 12 -500"}},
        LineCase{"count-in on a sample's note", countingIn(1, "+click.wav", 36), 192, {note(0, 60, 96)},
                 {"melody +click.wav 36 -500", "melody 12 -250"}}));

// The times a melody's lines give their tokens: `rest` adds up the rests, `tune` takes the
// tune's notes (the expected ones in a capture) and `clicks` the count-in's.
struct LineTimes {
  uint64_t rest = 0;
  std::vector<uint64_t> tune;
  std::vector<uint64_t> clicks;
};

LineTimes timesOf(const std::vector<std::string>& lines, bool expect) {
  LineTimes times;
  for (const std::string& line : lines) {
    size_t at = std::string("melody ").size();
    while (at < line.size()) {
      size_t space = line.find(' ', at);
      std::string token = line.substr(at, space == std::string::npos ? std::string::npos : space - at);
      at = space == std::string::npos ? line.size() : space + 1;
      bool digit = token[0] >= '0' && token[0] <= '9';
      if (token[0] == '-') times.rest += std::stoull(token.substr(1));
      if (expect ? token.size() > 1 && token[0] == '(' : digit) times.tune.push_back(times.rest);
      if (expect && digit) times.clicks.push_back(times.rest);
    }
  }
  return times;
}

// 120 notes, each 250 ms, do not fit one line: every line is at most 255 characters, starts with
// its instrument (and a note) or its capture, and the rests add up to the onsets' times, after the
// lead-in and the count-in.
TEST(MelodyLines, LongMelodiesBreakAtRests) {
  std::vector<NoteOn> notes;
  for (int i = 0; i < 120; ++i) notes.push_back(note(static_cast<uint64_t>(i) * 48, static_cast<uint8_t>(60 + i % 20), 48));
  MidiFile file = notesFile(96, notes);
  struct Case {
    MelodyOptions options;
    const char* firstOpening;
    const char* opening;
    uint64_t tuneStart;
  };
  for (const Case& c : {Case{withInstrument("+piano.wav"), "melody +piano.wav ", "melody +piano.wav ", 0},
                        Case{expecting(), "melody ( -250 (", "melody ( ", 250},
                        Case{expecting(kDefaultLeadInMs, 4), "melody *115 24 -500 ", "melody ( ", 2000}}) {
    Melody melody;
    std::string error;
    ASSERT_TRUE(makeMelody(file, file.tracks[0], c.options, &melody, &error)) << error;
    ASSERT_GT(melody.lines.size(), 3u);
    for (size_t i = 0; i < melody.lines.size(); ++i) {
      const std::string& line = melody.lines[i];
      EXPECT_LE(line.size(), kMaxLineLength);
      EXPECT_EQ(line.rfind(i == 0 ? c.firstOpening : c.opening, 0), 0u) << line;
      if (c.options.expect) {
        EXPECT_EQ(line.substr(line.size() - 2), " )") << line;
      } else {
        EXPECT_NE(line.substr(std::string(c.opening).size(), 1), "-") << "a line begins with a note: " << line;
      }
    }
    LineTimes times = timesOf(melody.lines, c.options.expect);
    ASSERT_EQ(times.tune.size(), 120u);
    for (size_t i = 0; i < times.tune.size(); ++i) EXPECT_EQ(times.tune[i], c.tuneStart + i * 250) << i;
    EXPECT_EQ(times.rest, c.tuneStart + 120 * 250u);  // the last note's length follows it
    std::vector<uint64_t> clicks;
    for (int k = 0; k < c.options.countIn; ++k) clicks.push_back(static_cast<uint64_t>(k) * 500);
    EXPECT_EQ(times.clicks, clicks);
  }
}

// Notes the player cannot name are left out with their times, by the instrument's range.
TEST(MelodyLines, NotesOutsideTheRangeAreLeftOut) {
  MidiFile file = notesFile(96, {note(0, 47), note(96, 48), note(192, 119), note(288, 120), note(384, 127)});
  struct Case {
    MelodyOptions options;
    std::string line;
    std::vector<int> leftOutKeys;
  };
  std::vector<Case> cases = {
      {MelodyOptions{}, "melody -500 0 -500 71 -500 72 -500 79", {47}},
      {withInstrument("+a.wav"), "melody +a.wav -500 0 -500 71", {47, 120, 127}},
      {onChannel(-1, 12), "melody 11 -500 12", {131, 132, 139}},  // transposed first
  };
  for (const Case& c : cases) {
    Melody melody;
    std::string error;
    ASSERT_TRUE(makeMelody(file, file.tracks[0], c.options, &melody, &error)) << error;
    ASSERT_EQ(melody.lines.size(), 1u);
    EXPECT_EQ(melody.lines[0], c.line);
    std::vector<int> keys;
    for (const LeftOutNote& left : melody.leftOut) keys.push_back(left.key);
    EXPECT_EQ(keys, c.leftOutKeys) << c.line;
  }
  Melody melody;
  std::string error;
  ASSERT_TRUE(makeMelody(file, file.tracks[0], withInstrument("+a.wav"), &melody, &error));
  EXPECT_EQ(melody.leftOut[1].ms, 1500u);
}

// The note a key gets, on a MIDI instrument, on a sample (the same number: a sample recorded at
// MIDI 72 sounds in tune with the piano), as an expected note (the MIDI keyboard's number), and an
// octave up with --transpose 12.
struct PitchCase {
  const char* name;
  MelodyOptions options;
  uint8_t key;
  const char* line;
};

class PitchTest : public ::testing::TestWithParam<PitchCase> {};

TEST_P(PitchTest, NumbersTheKey) {
  const PitchCase& c = GetParam();
  MidiFile file = notesFile(96, {note(0, c.key)});
  Melody melody;
  std::string error;
  ASSERT_TRUE(makeMelody(file, file.tracks[0], c.options, &melody, &error)) << c.name << ": " << error;
  EXPECT_EQ(melody.lines, std::vector<std::string>{c.line}) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Table, PitchTest,
    ::testing::Values(PitchCase{"middle C", {}, 60, "melody 12"},
                      PitchCase{"A above middle C", {}, 69, "melody 21"},
                      PitchCase{"the lowest key that sounds at its pitch", {}, 48, "melody 0"},
                      PitchCase{"the highest MIDI key", {}, 127, "melody 79"},
                      PitchCase{"middle C on a sample", withInstrument("+a.wav"), 60, "melody +a.wav 12"},
                      PitchCase{"middle C expected", expecting(0), 60, "melody ( (24) -200 )"},
                      PitchCase{"a low key expected", expecting(0), 30, "melody ( (-6) -200 )"},
                      PitchCase{"middle C an octave up", onChannel(-1, 12), 60, "melody 24"}));

class CountingMessages : public vellaro::MessageSink {
 public:
  void showMessage(const std::string&) override { ++shown; }
  int shown = 0;
};

// The keys of the note-ons sent; everything else is answered and forgotten.
class NoteOnKeys : public vellaro::MidiSink {
 public:
  vellaro::MidiResult sendShortMessage(uint32_t message) override {
    if ((message & 0xFF) == 0x90 && (message >> 16 & 0xFF) != 0) keys.push_back(static_cast<int>(message >> 8 & 0xFF));
    return vellaro::MidiResult::Ok;
  }
  std::vector<int> keys;
};

// Every MIDI key through the player's own instrument bank: the note midimelody writes for it sounds
// that very key on a MIDI instrument, and the expected note is what the MIDI keyboard's key gives
// (which a MIDI instrument sounds an octave higher).
TEST(MelodyLines, NotesSoundTheFilesKeysAndAreExpectedAsTheKeyboardGivesThem) {
  CountingMessages messages;
  NoteOnKeys sent;
  vellaro::MidiOutput midiOut{sent, messages};
  vellaro::InstrumentBank bank{messages, nullptr, &midiOut};
  int piano = bank.findMidiInstrument(0);
  for (int key = 0; key <= 127; ++key) {
    MidiFile file = notesFile(96, {note(0, static_cast<uint8_t>(key))});
    Melody played;
    Melody expected;
    std::string error;
    ASSERT_TRUE(makeMelody(file, file.tracks[0], MelodyOptions{}, &played, &error)) << error;
    ASSERT_TRUE(makeMelody(file, file.tracks[0], expecting(0), &expected, &error)) << error;
    int expectedNote = 0;
    ASSERT_EQ(std::sscanf(expected.lines.at(0).c_str(), "melody ( (%d) -200 )", &expectedNote), 1);
    sent.keys.clear();
    EXPECT_EQ(expectedNote, bank.midiNote(0x90, static_cast<uint8_t>(key), 100, piano)) << "key " << key;
    // What the learner's key sounds on a MIDI instrument: an octave above it, as the reference says.
    EXPECT_EQ(sent.keys, key + 12 <= 127 ? std::vector<int>{key + 12} : std::vector<int>{}) << "key " << key;
    sent.keys.clear();
    if (key < kSoundingKeyOfNote0) {
      EXPECT_TRUE(played.lines.empty()) << "key " << key << " cannot sound at its pitch: " << played.lines.at(0);
      continue;
    }
    int playedNote = -1;
    ASSERT_EQ(std::sscanf(played.lines.at(0).c_str(), "melody %d", &playedNote), 1);
    bank.noteOn(piano, static_cast<uint16_t>(playedNote), vellaro::kScriptTag);
    EXPECT_EQ(sent.keys, std::vector<int>{key}) << "note " << playedNote;
  }
  EXPECT_EQ(messages.shown, 0);
}

TEST(MelodyLines, RefusesWhatNoLineCanCarry) {
  std::vector<NoteOn> chord;
  for (int key = 0; key < 128; ++key) chord.push_back(note(96, static_cast<uint8_t>(key)));
  MidiFile big = notesFile(96, chord);
  MidiFile late = notesFile(1, {note(0, 60), note(1ull << 40, 60)});
  Melody melody;
  std::string error;
  EXPECT_FALSE(makeMelody(big, big.tracks[0], expecting(), &melody, &error));
  EXPECT_EQ(error, "at 500 ms, 128 notes start together: more than a melody line can hold");
  EXPECT_FALSE(makeMelody(late, late.tracks[0], MelodyOptions{}, &melody, &error));
  EXPECT_EQ(error, "a note starts at tick 1099511627776, after 2147483647 ms (24 days): longer than a melody can rest");
}

// A count-in that cannot be written is refused with its reason, in either mode.
TEST(MelodyLines, RefusesACountInThatCannotBeWritten) {
  MidiFile file = notesFile(96, {note(0, 60, 96)});
  std::string longName = "+" + std::string(120, 'c') + ".wav";
  MidiFile noTempo = file;
  noTempo.tempos.push_back(TempoChange{0, 0});
  MidiFile wide = notesFile(96, {});
  for (int key = 0; key < 40; ++key) wide.tracks[0].notes.push_back(note(0, static_cast<uint8_t>(key + 40)));
  struct Case {
    const MidiFile* file;
    MelodyOptions options;
    const char* error;
  };
  MelodyOptions expectWithLongName = expecting(kDefaultLeadInMs, 16);
  expectWithLongName.clickInstrument = longName;
  for (const Case& c : {Case{&file, countingIn(16, longName.c_str()), "the count-in does not fit one melody line"},
                        Case{&file, expectWithLongName, "the count-in does not fit one melody line"},
                        Case{&wide, expecting(kDefaultLeadInMs, 16), "at 0 ms, 40 notes start together: no room for them after the count-in"},
                        Case{&noTempo, countingIn(1), "the tune's beat lasts less than a millisecond: too short for a count-in"}}) {
    Melody melody;
    std::string error;
    EXPECT_FALSE(makeMelody(*c.file, c.file->tracks[0], c.options, &melody, &error)) << c.error;
    EXPECT_EQ(error, c.error);
  }
}

}  // namespace
}  // namespace vellaro::midimelody
