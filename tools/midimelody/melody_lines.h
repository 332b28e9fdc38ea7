// From a track's note-ons to the player's melody lines.
//
// Times: every onset is placed at its exact time rounded to the nearest millisecond, and each rest
// is the difference of two such placed times, so rounding never adds up: onset k lands within half
// a millisecond of its true time however long the melody. Onsets that land on the same millisecond
// are a chord: notes with no rest between them.
//
// Lines: each line is a melody line of its own, at most 255 characters, broken only at a rest
// (never inside a chord), and every line starts with the instrument token, since the player chooses
// an instrument afresh for each line. The last line ends with a rest until the last note ends, so
// the lesson goes on when the music is over.
//
// Expected notes (--expect): the player ends a capture at the end of every melody line and a new
// one empties the lists, so each line is a capture of its own: "melody ( ... )". A lesson checks
// after every line. The first capture opens a lead-in before the first note (the tune starts later
// when its first note comes sooner), so a learner who comes in a little early is heard. Where a
// line break falls into a rest, half of the rest ends the one line and half begins the next, so a
// note the learner plays a little late or early still counts in the line of the note it answers;
// the last line's capture stays open while the last note lasts, and at least the player's default
// accuracy of 200 ms.
//
// Count-in: clicks a beat apart before the tune's start, the last one a beat before it. The beat is
// the metronome of the time signature at the tune's start (a quarter note without one) at the
// tempo there; each click is placed on its own rounded time, as the notes are. With expected notes
// the clicks open the first line, since the capture may open before the last click; otherwise they
// are a line of their own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/limits.h"
#include "midi_file.h"

namespace vellaro::midimelody {

// A melody line is a line of a lesson file.
constexpr size_t kMaxLineLength = vellaro::kMaxLineLength;
// Notes that sound keep the file's pitch: a MIDI instrument sounds note + 48, so MIDI 60 is note 12.
// Expected notes are what a MIDI keyboard reports for the same keys: key - 36, so MIDI 60 is (24).
constexpr int kSoundingKeyOfNote0 = 48;
constexpr int kKeyboardKeyOfNote0 = 36;
constexpr uint32_t kLateMarginMs = 200;
constexpr uint64_t kLongestTimeMs = 2147483647;  // the longest rest a melody token can name
constexpr uint32_t kDefaultLeadInMs = 250;
constexpr uint32_t kLongestLeadInMs = 10000;
constexpr int kMostCountInClicks = 16;  // with their rests, they leave room on the first line
constexpr int kDefaultClickNote = 24;  // MIDI 72 on a MIDI program, a sample at its own pitch
constexpr uint8_t kClocksPerQuarter = 24;

struct MelodyOptions {
  int channel = -1;        // 0 to 15; -1 takes every channel
  int transpose = 0;       // semitones added to every key
  std::string instrument;  // "*P" or "+FILE" at the start of every line; empty for none
  bool expect = false;     // (N) tokens in captures instead of notes that sound
  uint32_t leadInMs = kDefaultLeadInMs;   // with expect: the first capture opens this long before its note
  int countIn = 0;                        // 0 to kMostCountInClicks clicks before the tune
  std::string clickInstrument = "*115";   // the clicks' instrument token and note
  int clickNote = kDefaultClickNote;
};

// The MIDI key that is the player's note 0: kKeyboardKeyOfNote0 for expected notes, else
// kSoundingKeyOfNote0.
int keyOfNote0(const MelodyOptions& options);

// The MIDI keys whose notes the player can name. Note tokens cannot be negative (a leading - is a
// rest); a sample plays notes 0 to 71, a MIDI instrument 0 to 79 (its MIDI note is note + 48).
// Expected notes are numbers of any sign, as the MIDI keyboard reports every key (key - 36).
struct KeyRange {
  int lowest;
  int highest;
};
KeyRange playerRange(const MelodyOptions& options);

struct LeftOutNote {
  uint32_t ms;
  int key;  // transposed
};

struct Melody {
  std::vector<std::string> lines;  // without line ends; empty when no note is in the range
  std::vector<LeftOutNote> leftOut;
};

// Times of ticks through a file's tempo map, exact until the final rounding.
class TempoMap {
 public:
  explicit TempoMap(const MidiFile& file);
  // The tick's time rounded to the nearest millisecond (halves up); may exceed kLongestTimeMs.
  uint64_t ms(uint64_t tick) const;

 private:
  struct Segment {
    uint64_t tick;
    uint32_t microsPerQuarter;
    unsigned __int128 start;  // microseconds times ticks per quarter at the segment's first tick
  };
  std::vector<Segment> segments_;
  uint64_t ticksPerQuarter_;
};

bool hasNoteOns(const MidiTrack& track, int channel);

// How long the given number of metronome clicks lasts at the tempo and time signature in force at
// the tune's start, rounded to the nearest millisecond (halves up).
uint64_t clicksMs(const MidiFile& file, int clicks);

// The track's melody; false with a one-line reason when a note starts later than a melody can wait,
// a chord holds more notes than a line, or the count-in cannot be written.
bool makeMelody(const MidiFile& file, const MidiTrack& track, const MelodyOptions& options, Melody* melody,
                std::string* error);

}  // namespace vellaro::midimelody
