// Judging every note of the last capture: each expected note gets one verdict, each played note
// that pairs with none is extra. check score, check notes, check log and the judged rhythm
// diagram all read one Judgement, so that they never disagree. check result keeps its own
// note-by-position comparison (capturesMatch) and is not affected.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "script/melody_capture.h"

namespace vellaro {

// Expected notes less than this many milliseconds after a chord's first note belong to the chord,
// and the learner may play them in any order; a chord holds at most kMaxChordNotes notes (the
// next note starts a chord of its own).
constexpr int64_t kChordMs = 30;
constexpr int kMaxChordNotes = 8;
// A played note pairs with an expected note only inside that note's window: on each side the
// accuracy widened by half the distance to the neighbouring expected note, but to no more than
// kMaxWindowMs (a window never shrinks below the accuracy); a side with no neighbour reaches
// kMaxWindowMs. With flag 4 (no times) there are no windows and no chords: both lists keep
// their order.
constexpr int64_t kMaxWindowMs = 1000;

enum class Verdict : uint8_t {
  Ok,      // paired, the note rule of the flags holds, within the accuracy
  Early,   // paired, the note rule holds, played more than the accuracy before
  Late,    // paired, the note rule holds, played more than the accuracy after
  Wrong,   // paired by time, the note rule fails
  Missed,  // an expected note that nothing played paired with
  Extra,   // a played note that paired with no expected note
};

// "ok", "early", "late", "wrong", "missed", "extra".
const char* verdictWord(Verdict verdict);

struct Judgement {
  // One per expected note, in the table's order.
  std::vector<Verdict> expected;
  // One per played note, in the table's order: the verdict of the expected note it paired with,
  // or Extra.
  std::vector<Verdict> played;
  // For each expected note the index of its played partner, -1 when missed.
  std::vector<int> partner;

  int count(Verdict verdict) const;
};

// Pairs the expected and played notes of a capture (played times taken latencyMs earlier, as
// check result takes them) and judges each note. flags and accuracyMs are those of check mode.
Judgement judgeCapture(const NoteSnapshot& expected, const NoteSnapshot& played, uint8_t flags, uint32_t accuracyMs,
                       uint32_t latencyMs);

// round(100 * ok / max(expected, played)), halves up; 0 when both tables are empty.
int judgementScore(const Judgement& judgement);

// One word per expected note in order, then "extra" for each unpaired played note, separated by
// single blanks ("ok late ok wrong missed extra"); empty when both tables are empty.
std::string judgementWords(const Judgement& judgement);

}  // namespace vellaro
