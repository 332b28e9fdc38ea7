// Judging every note of a capture: the pairing, the verdicts, the score and the words.
#include "script/note_judging.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <vector>

namespace vellaro {
namespace {

NoteSnapshot table(const std::vector<NoteEvent>& events) {
  NoteSnapshot snapshot{};
  for (size_t i = 0; i < events.size(); ++i) snapshot.events[i] = events[i];
  return snapshot;
}

// C D E C, 500 ms apart, and a learner who plays it within a few milliseconds.
const std::vector<NoteEvent> kTune = {{10000, 24}, {10500, 26}, {11000, 28}, {11500, 24}};
const std::vector<NoteEvent> kPlayed = {{10020, 24}, {10470, 26}, {11010, 28}, {11500, 24}};

std::vector<NoteEvent> with(std::vector<NoteEvent> events, size_t at, NoteEvent added) {
  events.insert(events.begin() + static_cast<std::ptrdiff_t>(at), added);
  return events;
}

std::vector<NoteEvent> without(std::vector<NoteEvent> events, size_t at) {
  events.erase(events.begin() + static_cast<std::ptrdiff_t>(at));
  return events;
}

// Each row also states what check result says of the same capture, which judging never changes.
TEST(NoteJudging, GivesEachExpectedNoteOneVerdictAndEachUnpairedPlayedNoteExtra) {
  const std::vector<NoteEvent> kExample = {{10000, 24}, {10500, 26}, {11000, 28}};
  const std::vector<NoteEvent> kExamplePlayed = {{10050, 24}, {10480, 26}, {11150, 28}};
  const std::vector<NoteEvent> kChord = {{10000, 24}, {10010, 28}, {10020, 31}, {10500, 26}};
  struct Case {
    const char* fault;
    std::vector<NoteEvent> expected, played;
    uint8_t flags;
    uint32_t accuracy, latency;
    const char* words;
    bool checkResult;
  } cases[] = {
      {"the check result example at 200 is judged", kExample, kExamplePlayed, 2, 200, 0, "ok ok ok", true},
      {"the check result example at 100 is judged", kExample, kExamplePlayed, 2, 100, 0, "ok ok late", false},
      {"a tune played well is not all ok", kTune, kPlayed, 2, 100, 0, "ok ok ok ok", true},
      {"an extra note first shifts the verdicts", kTune, with(kPlayed, 0, {9700, 30}), 2, 100, 0,
       "ok ok ok ok extra", false},
      {"an extra note between two takes a pair", kTune, with(kPlayed, 1, {10250, 26}), 2, 100, 0,
       "ok ok ok ok extra", false},
      {"an extra note last takes a pair", kTune, with(kPlayed, 4, {12000, 24}), 2, 100, 0, "ok ok ok ok extra",
       false},
      {"a doubled note takes the further partner", kTune, with(kPlayed, 2, {10490, 26}), 2, 100, 0,
       "ok ok ok ok extra", false},
      {"a missed first note shifts the rest", kTune, without(kPlayed, 0), 2, 100, 0, "missed ok ok ok", false},
      {"a missed middle note shifts the rest", kTune, without(kPlayed, 1), 2, 100, 0, "ok missed ok ok", false},
      {"a missed last note shifts the rest", kTune, without(kPlayed, 3), 2, 100, 0, "ok ok ok missed", false},
      {"a chord in another order is not ok", kChord, {{10030, 31}, {10040, 24}, {10050, 28}, {10490, 26}}, 2, 100,
       0, "ok ok ok ok", false},
      {"a chord in order is not ok", kChord, {{10000, 24}, {10012, 28}, {10019, 31}, {10500, 26}}, 2, 100, 0,
       "ok ok ok ok", true},
      {"a chord with one wrong note is judged as a whole", kChord,
       {{10030, 31}, {10040, 25}, {10050, 28}, {10490, 26}}, 2, 100, 0, "wrong ok ok ok", false},
      {"a note 300 ms late spoils its neighbours", kExample, {{10000, 24}, {10800, 26}, {11000, 28}}, 2, 100, 0,
       "ok late ok", false},
      {"a note 300 ms early spoils its neighbours", kExample, {{10000, 24}, {10200, 26}, {11000, 28}}, 2, 100, 0,
       "ok early ok", false},
      {"the accuracy's edge is early", {{10000, 1}}, {{9900, 1}}, 0, 100, 0, "ok", true},
      {"one millisecond past the edge is ok", {{10000, 1}}, {{10101, 1}}, 0, 100, 0, "late", false},
      {"flags 0 give a wrong note", kTune, {{10020, 30}, {10470, 31}, {11010, 32}, {11500, 33}}, 0, 100, 0,
       "ok ok ok ok", true},
      {"flag 2 lets a wrong note pass", kTune, {{10020, 24}, {10470, 27}, {11010, 28}, {11500, 24}}, 2, 100, 0,
       "ok wrong ok ok", false},
      {"a wrong and late note is called late", kExample, {{10000, 24}, {10800, 27}, {11000, 28}}, 2, 100, 0,
       "ok wrong ok", false},
      {"flag 1 compares the octave", {{10000, 12}}, {{10000, 36}}, 1, 100, 0, "ok", true},
      {"flag 1 accepts another pitch class", {{10000, 12}}, {{10000, 37}}, 1, 100, 0, "wrong", false},
      {"a note past the last window pairs", {{10000, 1}}, {{11001, 1}}, 0, 100, 0, "missed extra", false},
      {"the last window is narrower than 1000 ms", {{10000, 1}}, {{11000, 1}}, 0, 100, 0, "late", false},
      {"an accuracy over 1000 ms is cut", {{10000, 1}}, {{11500, 1}}, 0, 2000, 0, "ok", true},
      {"the latency is not taken off", {{10000, 1}, {10500, 2}}, {{10090, 1}, {10570, 2}}, 2, 20, 70, "ok ok",
       true},
      {"times across the clock's wrap are far apart", {{0xFFFFFF9Cu, 1}}, {{100, 1}}, 0, 200, 0, "ok", true},
      {"flag 4 compares times", kTune, {{20000, 24}, {20100, 26}, {20200, 28}, {20300, 24}}, 6, 100, 0,
       "ok ok ok ok", true},
      {"flag 4 does not skip an extra note", kTune, {{20000, 24}, {20100, 26}, {20150, 40}, {20200, 28}, {20300, 24}},
       6, 100, 0, "ok ok ok ok extra", false},
      {"flag 4 does not find a missed note", kTune, {{20000, 24}, {20200, 28}, {20300, 24}}, 6, 100, 0,
       "ok missed ok ok", false},
      {"flag 4 alone calls a note wrong", kTune, {{20000, 1}, {20100, 2}, {20200, 3}, {20300, 4}}, 4, 100, 0,
       "ok ok ok ok", true},
      {"nothing played is not all missed", kExample, {}, 2, 100, 0, "missed missed missed", false},
      {"nothing expected is not all extra", {}, {{10000, 1}, {10500, 2}}, 2, 100, 0, "extra extra", false},
      {"two empty tables give words", {}, {}, 0, 200, 0, "", false},
  };
  for (const Case& c : cases) {
    NoteSnapshot expected = table(c.expected);
    NoteSnapshot played = table(c.played);
    Judgement judgement = judgeCapture(expected, played, c.flags, c.accuracy, c.latency);
    EXPECT_EQ(judgementWords(judgement), c.words) << c.fault;
    EXPECT_EQ(capturesMatch(expected, played, c.flags, c.accuracy, c.latency), c.checkResult) << c.fault;
  }
}

// The partner of each expected note, and the played notes' own verdicts, say the same as the words.
TEST(NoteJudging, PartnersAndPlayedVerdictsMatchTheExpectedVerdicts) {
  NoteSnapshot expected = table(kTune);
  NoteSnapshot played = table({{10020, 24}, {10250, 26}, {10470, 27}, {11500, 24}});
  Judgement judgement = judgeCapture(expected, played, 2, 100, 0);
  EXPECT_EQ(judgement.partner, (std::vector<int>{0, 2, -1, 3}));
  EXPECT_EQ(judgement.played, (std::vector<Verdict>{Verdict::Ok, Verdict::Extra, Verdict::Wrong, Verdict::Ok}));
  EXPECT_EQ(judgement.count(Verdict::Missed), 1);
  EXPECT_EQ(judgement.count(Verdict::Extra), 1);
}

TEST(NoteJudging, ScoreIsOkOverTheLargerTableRoundedHalfUp) {
  struct Case {
    const char* fault;
    int ok, expected, played;
    int score;
  } cases[] = {
      {"all ok is not 100", 4, 4, 4, 100},
      {"extra notes do not lower the score", 4, 4, 5, 80},
      {"missed notes do not lower the score", 3, 4, 3, 75},
      {"two thirds round down", 2, 3, 3, 67},
      {"a half rounds down", 1, 8, 8, 13},
      {"nothing ok is not 0", 0, 3, 2, 0},
      {"two empty tables divide by zero", 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    Judgement judgement;
    judgement.expected.assign(c.expected, Verdict::Missed);
    for (int i = 0; i < c.ok; ++i) judgement.expected[i] = Verdict::Ok;
    judgement.played.assign(c.played, Verdict::Extra);
    EXPECT_EQ(judgementScore(judgement), c.score) << c.fault;
  }
}

TEST(NoteJudging, WordsNameEveryVerdict) {
  Judgement judgement;
  judgement.expected = {Verdict::Ok, Verdict::Late, Verdict::Ok, Verdict::Wrong, Verdict::Missed, Verdict::Early};
  judgement.played = {Verdict::Ok, Verdict::Late, Verdict::Extra, Verdict::Ok, Verdict::Wrong, Verdict::Early};
  EXPECT_EQ(judgementWords(judgement), "ok late ok wrong missed early extra");
}

// The pairing the judgement chose, measured by its three aims.
struct Aims {
  int ok = 0;
  int pairs = 0;
  int64_t distance = 0;
  bool operator==(const Aims& other) const {
    return ok == other.ok && pairs == other.pairs && distance == other.distance;
  }
};

bool noteAgrees(uint16_t expected, uint16_t played, uint8_t flags) {
  if ((flags & CHECK_PITCH_CLASS) && expected % 12 != played % 12) return false;
  return !((flags & CHECK_EXACT_NOTE) && expected != played);
}

// Every pairing of a small capture tried one by one, by the rules as the reference states them:
// chords of notes less than 30 ms after their first, windows of the accuracy widened by half the
// distance to the neighbouring chord's note, at most 1000 ms.
class AllPairings {
 public:
  AllPairings(const std::vector<NoteEvent>& expected, const std::vector<NoteEvent>& played, uint8_t flags,
              int64_t accuracy)
      : expected_(expected), played_(played), flags_(flags), accuracy_(accuracy), partner_(played.size(), -1) {
    for (size_t e = 0; e < expected.size(); ++e) {
      bool joins = e > 0 && expected[e].time - expected[chordStart_.back()].time < 30;
      chordStart_.push_back(joins ? chordStart_.back() : static_cast<int>(e));
      chord_.push_back(e == 0 ? 0 : chord_.back() + (joins ? 0 : 1));
    }
  }
  Aims best() {
    tryFrom(0);
    return best_;
  }

 private:
  int64_t side(size_t e, int neighbour) const {
    if (neighbour < 0) return std::max<int64_t>(accuracy_, 1000);
    int64_t distance = std::abs(static_cast<int64_t>(expected_[neighbour].time) - expected_[e].time);
    return std::max(accuracy_, std::min<int64_t>(accuracy_ + distance / 2, 1000));
  }
  bool inWindow(size_t e, size_t p) const {
    if (flags_ & CHECK_NO_TIMES) return true;
    int previous = -1;
    int next = -1;
    for (size_t other = 0; other < expected_.size(); ++other) {
      if (chord_[other] == chord_[e] - 1) previous = static_cast<int>(other);
      if (chord_[other] == chord_[e] + 1 && next < 0) next = static_cast<int>(other);
    }
    int64_t difference = static_cast<int64_t>(played_[p].time) - expected_[e].time;
    return difference >= -side(e, previous) && difference <= side(e, next);
  }
  void tryFrom(size_t p) {
    if (p == played_.size()) return measure();
    tryFrom(p + 1);  // played note p is extra
    for (size_t e = 0; e < expected_.size(); ++e) {
      if (!inWindow(e, p) || taken(e) || !keepsOrder(e, p)) continue;
      partner_[p] = static_cast<int>(e);
      tryFrom(p + 1);
      partner_[p] = -1;
    }
  }
  bool taken(size_t e) const { return std::count(partner_.begin(), partner_.end(), static_cast<int>(e)) > 0; }
  // With no times every note is its own chord.
  bool keepsOrder(size_t e, size_t p) const {
    bool timed = !(flags_ & CHECK_NO_TIMES);
    for (size_t before = 0; before < p; ++before) {
      int other = partner_[before];
      if (other < 0) continue;
      if (timed ? chord_[other] > chord_[e] : other > static_cast<int>(e)) return false;
    }
    return true;
  }
  void measure() {
    Aims aims;
    for (size_t p = 0; p < played_.size(); ++p) {
      if (partner_[p] < 0) continue;
      const NoteEvent& wanted = expected_[partner_[p]];
      int64_t difference = static_cast<int64_t>(played_[p].time) - wanted.time;
      bool timed = !(flags_ & CHECK_NO_TIMES);
      if (noteAgrees(wanted.note, played_[p].note, flags_) && (!timed || std::abs(difference) <= accuracy_)) ++aims.ok;
      ++aims.pairs;
      if (timed) aims.distance += std::abs(difference);
    }
    if (aims.ok > best_.ok || (aims.ok == best_.ok && (aims.pairs > best_.pairs ||
                                                        (aims.pairs == best_.pairs && aims.distance < best_.distance)))) {
      best_ = aims;
    }
  }

  const std::vector<NoteEvent>& expected_;
  const std::vector<NoteEvent>& played_;
  uint8_t flags_;
  int64_t accuracy_;
  std::vector<int> partner_;
  std::vector<int> chordStart_;
  std::vector<int> chord_;
  Aims best_{-1, 0, 0};
};

Aims aimsOf(const Judgement& judgement, const std::vector<NoteEvent>& expected, const std::vector<NoteEvent>& played,
            uint8_t flags) {
  Aims aims;
  for (size_t e = 0; e < expected.size(); ++e) {
    int p = judgement.partner[e];
    if (p < 0) continue;
    aims.ok += judgement.expected[e] == Verdict::Ok;
    ++aims.pairs;
    if (!(flags & CHECK_NO_TIMES)) aims.distance += std::abs(static_cast<int64_t>(played[p].time) - expected[e].time);
  }
  return aims;
}

// Small captures with chords, close and distant notes: the programme finds as good a pairing as
// trying every pairing does.
TEST(NoteJudging, FindsTheBestPairingThatTryingEveryPairingFinds) {
  std::mt19937 random(2027);
  const uint8_t kFlags[] = {0, 1, 2, 4, 6};
  for (int round = 0; round < 400; ++round) {
    std::vector<NoteEvent> expected;
    std::vector<NoteEvent> played;
    uint32_t time = 10000;
    for (size_t e = random() % 5; e > 0; --e) {
      time += random() % 3 == 0 ? static_cast<uint32_t>(random() % 40) : static_cast<uint32_t>(100 + random() % 900);
      expected.push_back({time, static_cast<uint16_t>(random() % 3)});
    }
    time = 9500;
    for (size_t p = random() % 6; p > 0; --p) {
      time += static_cast<uint32_t>(random() % 700);
      played.push_back({time, static_cast<uint16_t>(random() % 3)});
    }
    uint8_t flags = kFlags[random() % 5];
    auto accuracy = static_cast<uint32_t>(random() % 300);
    Judgement judgement = judgeCapture(table(expected), table(played), flags, accuracy, 0);
    Aims found = aimsOf(judgement, expected, played, flags);
    Aims best = AllPairings(expected, played, flags, accuracy).best();
    ASSERT_TRUE(found == best) << "round " << round << ": ok " << found.ok << "/" << best.ok << ", pairs "
                               << found.pairs << "/" << best.pairs << ", distance " << found.distance << "/"
                               << best.distance;
  }
}

// Tables a capture can hold whatever happened: times out of order, equal, 0xFFFF notes, full
// tables. Every expected note gets one verdict, every played note is paired at most once.
TEST(NoteJudging, AnyTablesGiveConsistentVerdictsWithoutCrashing) {
  std::mt19937 random(27);
  for (int round = 0; round < 200; ++round) {
    NoteSnapshot expected{};
    NoteSnapshot played{};
    int expectedCount = static_cast<int>(random() % (round < 5 ? kCaptureSize + 1 : 20));
    int playedCount = static_cast<int>(random() % (round < 5 ? kCaptureSize + 1 : 20));
    auto time = [&random] { return static_cast<uint32_t>(1 + random() % 3000); };
    for (int i = 0; i < expectedCount; ++i) expected.events[i] = {time(), static_cast<uint16_t>(random() % 3)};
    for (int i = 0; i < playedCount; ++i) played.events[i] = {time(), static_cast<uint16_t>(random())};
    auto flags = static_cast<uint8_t>(random() % 8);
    auto accuracy = static_cast<uint32_t>(random() % 400);
    Judgement judgement = judgeCapture(expected, played, flags, accuracy, static_cast<uint32_t>(random() % 100));
    ASSERT_EQ(judgement.expected.size(), static_cast<size_t>(expectedCount));
    ASSERT_EQ(judgement.played.size(), static_cast<size_t>(playedCount));
    std::vector<int> taken(playedCount, 0);
    for (int e = 0; e < expectedCount; ++e) {
      int p = judgement.partner[e];
      ASSERT_EQ(p < 0, judgement.expected[e] == Verdict::Missed);
      if (p >= 0) {
        ASSERT_EQ(judgement.played[p], judgement.expected[e]);
        ASSERT_EQ(++taken[p], 1);
      }
    }
    EXPECT_LE(judgementScore(judgement), 100);
  }
}

}  // namespace
}  // namespace vellaro
