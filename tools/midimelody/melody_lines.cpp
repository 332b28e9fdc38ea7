#include "melody_lines.h"

#include <algorithm>

namespace vellaro::midimelody {
namespace {

constexpr size_t kRestRoom = 12;  // " -2147483647": a line keeps room for the rest that may end it

struct Chord {
  uint32_t ms;
  std::vector<int> notes;  // the player's note numbers, each once
};

enum class Part { Click, Capture, Tune };

// Tokens at one time of the tune (negative before the tune: the count-in).
struct Moment {
  int64_t ms;
  std::string text;  // its tokens, each after a blank
  Part part;         // a line breaks only once it holds notes of the tune
  size_t notes;
};

std::string restText(uint64_t ms) { return ms > 0 ? " -" + std::to_string(ms) : ""; }

std::string chordText(const Chord& chord, bool expect) {
  std::string text;
  for (int note : chord.notes) text += expect ? " (" + std::to_string(note) + ")" : " " + std::to_string(note);
  return text;
}

// The line being filled: what it holds, the opening tokens of the lines after it, and the closing
// token of every line.
class LineWriter {
 public:
  LineWriter(std::string first, std::string opening, std::string closing)
      : opening_(std::move(opening)), closing_(std::move(closing)), line_(std::move(first)) {}
  bool fits(const std::string& text) const {
    return line_.size() + text.size() + kRestRoom + closing_.size() <= kMaxLineLength;
  }
  bool holds(Part part) const { return part == Part::Tune ? holdsTune_ : holdsClicks_; }
  void add(const std::string& text, Part part) {
    line_ += text;
    holdsTune_ = holdsTune_ || part == Part::Tune;
    holdsClicks_ = holdsClicks_ || part == Part::Click;
  }
  void addRest(uint64_t ms) { line_ += restText(ms); }
  void finish(std::vector<std::string>* lines) {
    lines->push_back(line_ + closing_);
    line_ = opening_;
    holdsTune_ = false;
    holdsClicks_ = false;
  }

 private:
  std::string opening_;
  std::string closing_;
  std::string line_;
  bool holdsTune_ = false;
  bool holdsClicks_ = false;
};

// The kept notes grouped by their placed millisecond, and the time the last of them ends.
bool groupChords(const MidiFile& file, const MidiTrack& track, const MelodyOptions& options,
                 std::vector<Chord>* chords, uint64_t* lastEndMs, Melody* melody, std::string* error) {
  TempoMap times(file);
  KeyRange range = playerRange(options);
  for (const NoteOn& note : track.notes) {
    if (options.channel >= 0 && note.channel != options.channel) continue;
    uint64_t ms = times.ms(note.tick);
    if (ms > kLongestTimeMs) {
      *error = "a note starts at tick " + std::to_string(note.tick) + ", after " + std::to_string(kLongestTimeMs) +
               " ms (24 days): longer than a melody can rest";
      return false;
    }
    int key = note.key + options.transpose;
    if (key < range.lowest || key > range.highest) {
      melody->leftOut.push_back(LeftOutNote{static_cast<uint32_t>(ms), key});
      continue;
    }
    if (chords->empty() || chords->back().ms != ms) chords->push_back(Chord{static_cast<uint32_t>(ms), {}});
    std::vector<int>& notes = chords->back().notes;
    int number = key - keyOfNote0(options);
    if (std::find(notes.begin(), notes.end(), number) == notes.end()) notes.push_back(number);  // unisons once
    *lastEndMs = std::max(*lastEndMs, std::min(times.ms(note.endTick), kLongestTimeMs));
  }
  return true;
}

std::vector<Moment> tuneMoments(const std::vector<Chord>& chords, bool expect) {
  std::vector<Moment> moments;
  for (const Chord& chord : chords) {
    moments.push_back(Moment{chord.ms, chordText(chord, expect), Part::Tune, chord.notes.size()});
  }
  return moments;
}

std::string noRoomMessage(const Moment& moment, const LineWriter& writer) {
  if (moment.part != Part::Tune) return "the count-in does not fit one melody line";
  std::string where = "at " + std::to_string(moment.ms) + " ms, " + std::to_string(moment.notes) + " notes start together";
  return where + (writer.holds(Part::Click) ? ": no room for them after the count-in" : ": more than a melody line can hold");
}

// The moments from `start` on, the last line ending with a rest until `end`. A line breaks at a
// rest once it holds notes of the tune; in a capture each line takes half of that rest.
bool writeMoments(const std::vector<Moment>& moments, int64_t start, int64_t end, bool capture, LineWriter& writer,
                  Melody* melody, std::string* error) {
  int64_t placed = start;
  for (const Moment& moment : moments) {
    uint64_t rest = static_cast<uint64_t>(moment.ms - placed);
    if (rest > kLongestTimeMs) {
      *error = "a rest of " + std::to_string(rest) + " ms before " + std::to_string(moment.ms) +
               " ms: longer than a melody can rest";
      return false;
    }
    std::string text = restText(rest) + moment.text;
    if (!writer.fits(text) && writer.holds(Part::Tune)) {
      uint64_t head = capture ? rest / 2 : rest;
      writer.addRest(head);
      writer.finish(&melody->lines);
      text = restText(rest - head) + moment.text;
    }
    if (!writer.fits(text)) {
      *error = noRoomMessage(moment, writer);
      return false;
    }
    writer.add(text, moment.part);
    placed = moment.ms;
  }
  writer.addRest(static_cast<uint64_t>(std::max(end, placed) - placed));
  writer.finish(&melody->lines);
  return true;
}

// The count-in's clicks, the last a beat before the tune's start.
bool countInMoments(const MidiFile& file, const MelodyOptions& options, std::vector<Moment>* clicks,
                    std::string* error) {
  if (options.countIn <= 0) return true;
  if (clicksMs(file, 1) == 0) {
    *error = "the tune's beat lasts less than a millisecond: too short for a count-in";
    return false;
  }
  for (int k = options.countIn; k >= 1; --k) {
    int64_t ms = -static_cast<int64_t>(clicksMs(file, k));
    clicks->push_back(Moment{ms, " " + std::to_string(options.clickNote), Part::Click, 1});
  }
  return true;
}

// Notes that sound: the count-in on a line of its own that ends where the tune starts, then the tune.
bool writePlayed(const std::vector<Chord>& chords, const std::vector<Moment>& clicks, uint64_t lastEndMs,
                 const MelodyOptions& options, Melody* melody, std::string* error) {
  if (!clicks.empty()) {
    std::string opening = "melody " + options.clickInstrument;
    LineWriter clickLine(opening, opening, "");
    if (!writeMoments(clicks, clicks.front().ms, 0, false, clickLine, melody, error)) return false;
  }
  std::string opening = options.instrument.empty() ? "melody" : "melody " + options.instrument;
  LineWriter writer(opening, opening, "");
  return writeMoments(tuneMoments(chords, false), 0, static_cast<int64_t>(lastEndMs), false, writer, melody, error);
}

// Expected notes: the first line holds the count-in, the capture's opening a lead-in before the
// first note, and the first notes; the tune starts later where the lead-in reaches before the line.
bool writeExpected(const std::vector<Chord>& chords, const std::vector<Moment>& clicks, uint64_t lastEndMs,
                   const MelodyOptions& options, Melody* melody, std::string* error) {
  std::vector<Moment> moments = clicks;
  moments.push_back(Moment{static_cast<int64_t>(chords.front().ms) - options.leadInMs, " (", Part::Capture, 0});
  for (Moment& moment : tuneMoments(chords, true)) moments.push_back(std::move(moment));
  // Stable: a click before the opening at the same moment, so a capture of mode all expects no click.
  std::stable_sort(moments.begin(), moments.end(), [](const Moment& a, const Moment& b) { return a.ms < b.ms; });
  int64_t start = std::min<int64_t>(0, moments.front().ms);
  int64_t end = std::max<int64_t>(lastEndMs, static_cast<int64_t>(chords.back().ms) + kLateMarginMs);
  LineWriter writer(clicks.empty() ? "melody" : "melody " + options.clickInstrument, "melody (", " )");
  return writeMoments(moments, start, end, true, writer, melody, error);
}

}  // namespace

int keyOfNote0(const MelodyOptions& options) { return options.expect ? kKeyboardKeyOfNote0 : kSoundingKeyOfNote0; }

KeyRange playerRange(const MelodyOptions& options) {
  if (options.expect) return KeyRange{0, 127};
  bool sample = !options.instrument.empty() && options.instrument[0] == '+';
  return KeyRange{kSoundingKeyOfNote0, kSoundingKeyOfNote0 + (sample ? 71 : 79)};
}

TempoMap::TempoMap(const MidiFile& file) : ticksPerQuarter_(file.ticksPerQuarter) {
  segments_.push_back(Segment{0, kDefaultTempo, 0});
  for (const TempoChange& change : file.tempos) {
    const Segment& last = segments_.back();
    unsigned __int128 start = last.start + static_cast<unsigned __int128>(change.tick - last.tick) * last.microsPerQuarter;
    if (change.tick == last.tick) segments_.pop_back();  // a later change at the same tick wins
    segments_.push_back(Segment{change.tick, change.microsPerQuarter, start});
  }
}

uint64_t TempoMap::ms(uint64_t tick) const {
  auto after = std::upper_bound(segments_.begin(), segments_.end(), tick,
                                [](uint64_t t, const Segment& segment) { return t < segment.tick; });
  const Segment& segment = *(after - 1);
  unsigned __int128 scaled = segment.start + static_cast<unsigned __int128>(tick - segment.tick) * segment.microsPerQuarter;
  unsigned __int128 unit = static_cast<unsigned __int128>(ticksPerQuarter_) * 1000;
  unsigned __int128 rounded = (2 * scaled + unit) / (2 * unit);
  return rounded > kLongestTimeMs ? kLongestTimeMs + 1 : static_cast<uint64_t>(rounded);
}

bool hasNoteOns(const MidiTrack& track, int channel) {
  return std::any_of(track.notes.begin(), track.notes.end(),
                     [channel](const NoteOn& note) { return channel < 0 || note.channel == channel; });
}

uint64_t clicksMs(const MidiFile& file, int clicks) {
  uint64_t micros = kDefaultTempo;
  uint64_t clocks = kClocksPerQuarter;
  // Both maps are in tick order, so the last change at tick 0 wins.
  for (const TempoChange& change : file.tempos) {
    if (change.tick == 0) micros = change.microsPerQuarter;
  }
  for (const MetronomeChange& change : file.metronome) {
    if (change.tick == 0) clocks = change.clocksPerClick > 0 ? change.clocksPerClick : kClocksPerQuarter;
  }
  uint64_t scaled = static_cast<uint64_t>(std::max(clicks, 0)) * micros * clocks;  // microseconds times 24
  uint64_t unit = uint64_t{kClocksPerQuarter} * 1000;
  return (2 * scaled + unit) / (2 * unit);
}

bool makeMelody(const MidiFile& file, const MidiTrack& track, const MelodyOptions& options, Melody* melody,
                std::string* error) {
  *melody = Melody{};
  std::vector<Chord> chords;
  uint64_t lastEndMs = 0;
  if (!groupChords(file, track, options, &chords, &lastEndMs, melody, error)) return false;
  if (chords.empty()) return true;
  std::vector<Moment> clicks;
  if (!countInMoments(file, options, &clicks, error)) return false;
  return options.expect ? writeExpected(chords, clicks, lastEndMs, options, melody, error)
                        : writePlayed(chords, clicks, lastEndMs, options, melody, error);
}

}  // namespace vellaro::midimelody
