#include "melody_lines.h"

#include <algorithm>

namespace vellaro::midimelody {
namespace {

constexpr size_t kRestRoom = 12;  // " -2147483647": a line keeps room for the rest that may end it

struct Chord {
  uint32_t ms;
  std::vector<int> notes;  // the player's note numbers, each once
};

std::string restText(uint64_t ms) { return ms > 0 ? " -" + std::to_string(ms) : ""; }

std::string chordText(const Chord& chord, bool expect) {
  std::string text;
  for (int note : chord.notes) text += expect ? " (" + std::to_string(note) + ")" : " " + std::to_string(note);
  return text;
}

// The line being filled: its opening tokens, what has been added, and the closing token.
class LineWriter {
 public:
  LineWriter(std::string opening, std::string closing) : opening_(std::move(opening)), closing_(std::move(closing)) {
    line_ = opening_;
  }
  bool fits(const std::string& text) const {
    return line_.size() + text.size() + kRestRoom + closing_.size() <= kMaxLineLength;
  }
  bool empty() const { return line_.size() == opening_.size(); }
  void add(const std::string& text) { line_ += text; }
  void finish(std::vector<std::string>* lines) {
    lines->push_back(line_ + closing_);
    line_ = opening_;
  }

 private:
  std::string opening_;
  std::string closing_;
  std::string line_;
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
    int number = key - kKeyOfNote0;
    if (std::find(notes.begin(), notes.end(), number) == notes.end()) notes.push_back(number);  // unisons once
    *lastEndMs = std::max(*lastEndMs, std::min(times.ms(note.endTick), kLongestTimeMs));
  }
  return true;
}

}  // namespace

KeyRange playerRange(const MelodyOptions& options) {
  if (options.expect) return KeyRange{0, 127};
  bool sample = !options.instrument.empty() && options.instrument[0] == '+';
  return KeyRange{kKeyOfNote0, kKeyOfNote0 + (sample ? 71 : 79)};
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

bool makeMelody(const MidiFile& file, const MidiTrack& track, const MelodyOptions& options, Melody* melody,
                std::string* error) {
  *melody = Melody{};
  std::vector<Chord> chords;
  uint64_t lastEndMs = 0;
  if (!groupChords(file, track, options, &chords, &lastEndMs, melody, error)) return false;
  if (chords.empty()) return true;
  std::string opening = options.expect ? "melody (" : options.instrument.empty() ? "melody" : "melody " + options.instrument;
  LineWriter writer(opening, options.expect ? " )" : "");
  uint32_t placed = 0;  // the time the tokens so far have reached
  for (const Chord& chord : chords) {
    uint32_t rest = chord.ms - placed;
    std::string notes = chordText(chord, options.expect);
    std::string text = restText(rest) + notes;
    if (!writer.fits(text) && !writer.empty()) {
      uint32_t head = options.expect ? rest / 2 : rest;
      writer.add(restText(head));
      writer.finish(&melody->lines);
      text = restText(rest - head) + notes;
    }
    if (!writer.fits(text)) {
      *error = "at " + std::to_string(chord.ms) + " ms, " + std::to_string(chord.notes.size()) +
               " notes start together: more than a melody line can hold";
      return false;
    }
    writer.add(text);
    placed = chord.ms;
  }
  uint64_t tail = lastEndMs > placed ? lastEndMs - placed : 0;
  writer.add(restText(options.expect ? std::max<uint64_t>(tail, kLateMarginMs) : tail));
  writer.finish(&melody->lines);
  return true;
}

}  // namespace vellaro::midimelody
