#include "script/note_judging.h"

#include <algorithm>

namespace vellaro {
namespace {

// The best pairing is found by a dynamic programme over (expected chord, played notes consumed).
// A row holds, for every count j of played notes taken, the best pairing of the chords so far that
// uses played notes before j only; taking a played note as extra costs nothing, so the true value
// at j is the best entry at or before j (the row's prefix maximum). A chord touches only the
// entries inside its band, the played notes that lie in some member's window; the rest of the row
// stays as it is, which keeps the work close to linear for timed checks.

// The three aims of a pairing, in order: most ok, then most pairs, then least total distance.
struct Score {
  int ok = -1;  // -1: no pairing reaches this cell
  int pairs = 0;
  int64_t distance = 0;
};

bool better(const Score& a, const Score& b) {
  if (a.ok != b.ok) return a.ok > b.ok;
  if (a.pairs != b.pairs) return a.pairs > b.pairs;
  return a.distance < b.distance;
}

// One pair of the pairing, linked to the pairs chosen before it.
struct PairStep {
  int expected;
  int played;
  int previous;  // index in the step list, -1 at the first pair
};

struct Cell {
  Score score;
  int step = -1;
};

// Expected notes less than kChordMs after a chord's first note belong to that chord.
struct Chord {
  int first;
  int count;
};

// How far before and after its expected time a played note may lie to pair with it.
struct Window {
  int64_t before;
  int64_t after;
};

bool noteRuleHolds(uint16_t expected, uint16_t played, uint8_t flags) {
  if ((flags & CHECK_PITCH_CLASS) && expected % 12 != played % 12) return false;
  if ((flags & CHECK_EXACT_NOTE) && expected != played) return false;
  return true;
}

// A time as a signed distance from base: the 32-bit difference, as check result takes it, so that
// times on either side of the clock's wrap stay in order.
int64_t relative(uint32_t time, uint32_t base) { return static_cast<int32_t>(time - base); }

int64_t magnitude(int64_t value) { return value < 0 ? -value : value; }

// Every expected note missed, every played one extra.
Judgement unpaired(int expectedCount, int playedCount) {
  Judgement judgement;
  judgement.expected.assign(expectedCount, Verdict::Missed);
  judgement.partner.assign(expectedCount, -1);
  judgement.played.assign(playedCount, Verdict::Extra);
  return judgement;
}

void addPair(Judgement& judgement, int e, int p, Verdict verdict) {
  judgement.expected[e] = verdict;
  judgement.played[p] = verdict;
  judgement.partner[e] = p;
}

class Pairing {
 public:
  Pairing(const NoteSnapshot& expected, const NoteSnapshot& played, uint8_t flags, uint32_t accuracyMs,
          uint32_t latencyMs);
  Judgement judge();

 private:
  void takeTimes(uint32_t latencyMs);
  void formChords();
  void openWindows();
  int64_t windowSide(int from, int neighbour) const;
  bool mayPair(int e, int p) const;
  Verdict verdictOf(int e, int p) const;
  Score withPair(const Score& score, int e, int p) const;
  Cell prefixUpTo(int j);
  void band(const Chord& chord, int* lo, int* hi);
  void pairChord(const Chord& chord);
  void offer(Cell& target, const Cell& from, int e, int p);
  Judgement verdicts(int step) const;

  const NoteSnapshot& expectedNotes_;
  const NoteSnapshot& playedNotes_;
  uint8_t flags_;
  int64_t accuracy_;
  int expectedCount_;
  int playedCount_;
  std::vector<int64_t> expectedTime_;
  std::vector<int64_t> playedTime_;
  std::vector<Chord> chords_;
  std::vector<Window> windows_;
  std::vector<Cell> row_;
  std::vector<Cell> inner_;
  std::vector<PairStep> steps_;
  // row_ entries up to settled_ no chord changes any more; settledBest_ is their maximum.
  int settled_ = 0;
  Cell settledBest_;
  int lo_ = 0;
  int hi_ = 0;
};

Pairing::Pairing(const NoteSnapshot& expected, const NoteSnapshot& played, uint8_t flags, uint32_t accuracyMs,
                 uint32_t latencyMs)
    : expectedNotes_(expected),
      playedNotes_(played),
      flags_(flags),
      accuracy_(accuracyMs),
      expectedCount_(expected.length()),
      playedCount_(played.length()) {
  takeTimes(latencyMs);
  formChords();
  openWindows();
}

void Pairing::takeTimes(uint32_t latencyMs) {
  uint32_t base = expectedCount_ > 0 ? expectedNotes_.events[0].time : 0;
  for (int e = 0; e < expectedCount_; ++e) expectedTime_.push_back(relative(expectedNotes_.events[e].time, base));
  for (int p = 0; p < playedCount_; ++p) {
    playedTime_.push_back(relative(compensatedTime(playedNotes_.events[p].time, latencyMs), base));
  }
}

void Pairing::formChords() {
  for (int e = 0; e < expectedCount_;) {
    Chord chord{e, 1};
    while (e + chord.count < expectedCount_ && chord.count < kMaxChordNotes) {
      int64_t gap = expectedTime_[e + chord.count] - expectedTime_[e];
      if (gap < 0 || gap >= kChordMs) break;
      ++chord.count;
    }
    chords_.push_back(chord);
    e += chord.count;
  }
}

// The accuracy, widened by half the distance to the neighbour (an expected note of the next or
// the previous chord), but not past kMaxWindowMs unless the accuracy itself is wider. A side
// with no neighbour is widened to kMaxWindowMs.
int64_t Pairing::windowSide(int from, int neighbour) const {
  int64_t widened = kMaxWindowMs;
  if (neighbour >= 0) {
    int64_t distance = magnitude(expectedTime_[neighbour] - expectedTime_[from]);
    widened = std::min(accuracy_ + distance / 2, kMaxWindowMs);
  }
  return std::max(accuracy_, widened);
}

void Pairing::openWindows() {
  windows_.resize(expectedCount_);
  for (size_t c = 0; c < chords_.size(); ++c) {
    int previous = c > 0 ? chords_[c - 1].first + chords_[c - 1].count - 1 : -1;
    int next = c + 1 < chords_.size() ? chords_[c + 1].first : -1;
    for (int e = chords_[c].first; e < chords_[c].first + chords_[c].count; ++e) {
      windows_[e] = Window{windowSide(e, previous), windowSide(e, next)};
    }
  }
}

bool Pairing::mayPair(int e, int p) const {
  int64_t difference = playedTime_[p] - expectedTime_[e];
  return difference >= -windows_[e].before && difference <= windows_[e].after;
}

Verdict Pairing::verdictOf(int e, int p) const {
  if (!noteRuleHolds(expectedNotes_.events[e].note, playedNotes_.events[p].note, flags_)) return Verdict::Wrong;
  int64_t difference = playedTime_[p] - expectedTime_[e];
  if (magnitude(difference) <= accuracy_) return Verdict::Ok;
  return difference < 0 ? Verdict::Early : Verdict::Late;
}

Score Pairing::withPair(const Score& score, int e, int p) const {
  Score result = score;
  if (verdictOf(e, p) == Verdict::Ok) ++result.ok;
  ++result.pairs;
  result.distance += magnitude(playedTime_[p] - expectedTime_[e]);
  return result;
}

// The best pairing so far that uses played notes before j only. Chords come in time order and
// their bands never move back, so entries up to the band's start are final and summed up once.
Cell Pairing::prefixUpTo(int j) {
  while (settled_ < j) {
    ++settled_;
    if (better(row_[settled_].score, settledBest_.score)) settledBest_ = row_[settled_];
  }
  return settledBest_;
}

// The played notes [lo, hi) that lie in the window of some member of the chord. The ends only move
// forward from chord to chord, so a played table out of time order loses pairs but is still read
// safely.
void Pairing::band(const Chord& chord, int* lo, int* hi) {
  int64_t start = INT64_MAX;
  int64_t end = INT64_MIN;
  for (int e = chord.first; e < chord.first + chord.count; ++e) {
    start = std::min(start, expectedTime_[e] - windows_[e].before);
    end = std::max(end, expectedTime_[e] + windows_[e].after);
  }
  while (lo_ < playedCount_ && playedTime_[lo_] < start) ++lo_;
  hi_ = std::max(hi_, lo_);
  while (hi_ < playedCount_ && playedTime_[hi_] <= end) ++hi_;
  *lo = lo_;
  *hi = hi_;
}

void Pairing::offer(Cell& target, const Cell& from, int e, int p) {
  Score score = e < 0 ? from.score : withPair(from.score, e, p);
  if (!better(score, target.score)) return;
  target.score = score;
  target.step = from.step;
  if (e < 0) return;
  steps_.push_back(PairStep{e, p, from.step});
  target.step = static_cast<int>(steps_.size()) - 1;
}

// The chord's members may take the band's played notes in any order: the inner programme runs over
// (played notes consumed, set of members paired), a bit per member.
void Pairing::pairChord(const Chord& chord) {
  int lo = 0;
  int hi = 0;
  band(chord, &lo, &hi);
  const int sets = 1 << chord.count;
  inner_.assign(static_cast<size_t>(hi - lo + 1) * sets, Cell{});
  inner_[0] = prefixUpTo(lo);
  for (int j = lo; j < hi; ++j) {
    Cell* here = &inner_[static_cast<size_t>(j - lo) * sets];
    Cell* next = here + sets;
    offer(next[0], row_[j + 1], -1, 0);
    for (int set = 0; set < sets; ++set) {
      if (here[set].score.ok < 0) continue;
      offer(next[set], here[set], -1, 0);  // played note j is extra
      for (int member = 0; member < chord.count; ++member) {
        int e = chord.first + member;
        if (!(set & (1 << member)) && mayPair(e, j)) offer(next[set | (1 << member)], here[set], e, j);
      }
    }
  }
  for (int j = lo + 1; j <= hi; ++j) {
    const Cell* cells = &inner_[static_cast<size_t>(j - lo) * sets];
    int best = 0;
    for (int set = 1; set < sets; ++set) {
      if (better(cells[set].score, cells[best].score)) best = set;
    }
    row_[j] = cells[best];
  }
}

Judgement Pairing::judge() {
  steps_.reserve(4 * static_cast<size_t>(expectedCount_ + playedCount_));  // a few steps per note
  row_.assign(static_cast<size_t>(playedCount_) + 1, Cell{});
  row_[0].score = Score{0, 0, 0};
  settledBest_ = row_[0];
  for (const Chord& chord : chords_) pairChord(chord);
  return verdicts(prefixUpTo(playedCount_).step);
}

Judgement Pairing::verdicts(int step) const {
  Judgement judgement = unpaired(expectedCount_, playedCount_);
  for (; step >= 0; step = steps_[step].previous) {
    const PairStep& pair = steps_[step];
    addPair(judgement, pair.expected, pair.played, verdictOf(pair.expected, pair.played));
  }
  return judgement;
}

// With no times the pairing is an edit distance over the two note sequences, both kept in order.
// best[i][j] is the best pairing of the first i expected and the first j played notes; a pair
// gains 1, and an agreeing one kOkGain more, more than all pairs together: so the programme takes
// the most ok, then the most pairs.
constexpr int kOkGain = kCaptureSize + 1;

Judgement pairByOrder(const NoteSnapshot& expected, const NoteSnapshot& played, uint8_t flags) {
  const int expectedCount = expected.length();
  const int playedCount = played.length();
  const size_t columns = static_cast<size_t>(playedCount) + 1;
  std::vector<int> best((static_cast<size_t>(expectedCount) + 1) * columns, 0);
  auto at = [&best, columns](int i, int j) -> int& { return best[static_cast<size_t>(i) * columns + j]; };
  auto agrees = [&](int i, int j) {
    return noteRuleHolds(expected.events[i - 1].note, played.events[j - 1].note, flags);
  };
  auto paired = [&](int i, int j) { return at(i - 1, j - 1) + 1 + (agrees(i, j) ? kOkGain : 0); };
  for (int i = 1; i <= expectedCount; ++i) {
    for (int j = 1; j <= playedCount; ++j) at(i, j) = std::max({at(i - 1, j), at(i, j - 1), paired(i, j)});
  }
  Judgement judgement = unpaired(expectedCount, playedCount);
  for (int i = expectedCount, j = playedCount; i > 0 && j > 0;) {
    if (at(i, j) == paired(i, j)) {
      addPair(judgement, i - 1, j - 1, agrees(i, j) ? Verdict::Ok : Verdict::Wrong);
      --i;
      --j;
    } else if (at(i, j) == at(i - 1, j)) {
      --i;
    } else {
      --j;
    }
  }
  return judgement;
}

}  // namespace

const char* verdictWord(Verdict verdict) {
  switch (verdict) {
    case Verdict::Ok: return "ok";
    case Verdict::Early: return "early";
    case Verdict::Late: return "late";
    case Verdict::Wrong: return "wrong";
    case Verdict::Missed: return "missed";
    case Verdict::Extra: return "extra";
  }
  return "";
}

int Judgement::count(Verdict verdict) const {
  const std::vector<Verdict>& side = verdict == Verdict::Extra ? played : expected;
  return static_cast<int>(std::count(side.begin(), side.end(), verdict));
}

Judgement judgeCapture(const NoteSnapshot& expected, const NoteSnapshot& played, uint8_t flags, uint32_t accuracyMs,
                       uint32_t latencyMs) {
  if (flags & CHECK_NO_TIMES) return pairByOrder(expected, played, flags);
  return Pairing(expected, played, flags, accuracyMs, latencyMs).judge();
}

int judgementScore(const Judgement& judgement) {
  int64_t notes = static_cast<int64_t>(std::max(judgement.expected.size(), judgement.played.size()));
  if (notes == 0) return 0;
  return static_cast<int>((200 * static_cast<int64_t>(judgement.count(Verdict::Ok)) + notes) / (2 * notes));
}

std::string judgementWords(const Judgement& judgement) {
  std::string words;
  auto add = [&words](Verdict verdict) {
    if (!words.empty()) words += ' ';
    words += verdictWord(verdict);
  };
  for (Verdict verdict : judgement.expected) add(verdict);
  for (Verdict verdict : judgement.played) {
    if (verdict == Verdict::Extra) add(verdict);
  }
  return words;
}

}  // namespace vellaro
