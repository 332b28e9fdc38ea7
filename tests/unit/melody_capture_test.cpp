// The capture tables and the comparison of check result.
#include "script/melody_capture.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <thread>
#include <vector>

namespace vellaro {
namespace {

NoteSnapshot table(const std::vector<NoteEvent>& events) {
  NoteSnapshot snapshot{};
  for (size_t i = 0; i < events.size(); ++i) snapshot.events[i] = events[i];
  return snapshot;
}

TEST(CaptureComparison, PairsByPositionWithFlagsAndAccuracy) {
  struct Case {
    const char* fault;
    std::vector<NoteEvent> expected, played;
    uint8_t flags;
    uint32_t accuracy;
    bool passed;
  } cases[] = {
      {"three notes within the accuracy fail", {{10000, 24}, {10500, 26}, {11000, 28}},
       {{10050, 24}, {10480, 26}, {11150, 28}}, 2, 200, true},
      {"a pair 150 ms apart passes accuracy 100", {{10000, 24}, {10500, 26}, {11000, 28}},
       {{10050, 24}, {10480, 26}, {11150, 28}}, 2, 100, false},
      {"a difference equal to the accuracy fails", {{5000, 1}}, {{5200, 1}}, 0, 200, true},
      {"one millisecond over the accuracy passes", {{5000, 1}}, {{5201, 1}}, 0, 200, false},
      {"playing early is not measured like playing late", {{5200, 1}}, {{5000, 1}}, 0, 200, true},
      {"times across the clock's wrap are far apart", {{0xFFFFFF9Cu, 1}}, {{100, 1}}, 0, 200, true},
      {"wrapped times 200 ms apart pass accuracy 199", {{0xFFFFFF9Cu, 1}}, {{100, 1}}, 0, 199, false},
      {"played notes with none expected fail without times", {}, {{1000, 3}, {2000, 5}}, 4, 200, true},
      {"nothing played passes", {{1000, 3}}, {}, 4, 200, false},
      {"two empty tables pass", {}, {}, 4, 200, false},
      {"an extra played note passes with times", {{1000, 1}}, {{1000, 1}, {1500, 1}}, 0, 200, false},
      {"an extra played note fails without times", {{1000, 1}}, {{1000, 1}, {1500, 1}}, 4, 200, true},
      {"flag 1 compares the octave", {{1000, 12}}, {{1000, 24}}, 1, 200, true},
      {"flag 2 ignores the octave", {{1000, 12}}, {{1000, 24}}, 2, 200, false},
      {"flags 1 and 2 together do not both apply", {{1000, 12}}, {{1000, 24}}, 3, 200, false},
      {"flag 1 accepts another pitch class", {{1000, 12}}, {{1000, 25}}, 1, 200, false},
      {"flags 1 and 4 still compare times", {{1000, 12}}, {{6000, 36}}, 5, 200, true},
      {"a key without a note is read as a signed -1", {{1000, 3}}, {{1000, 0xFFFF}}, 1, 200, true},
      {"a failure is forgotten by a later good pair", {{1000, 1}, {2000, 2}}, {{1000, 9}, {2000, 2}}, 2, 200, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(capturesMatch(table(c.expected), table(c.played), c.flags, c.accuracy), c.passed) << c.fault;
  }
}

// Each played time is taken latency ms earlier, modulo 2^32 like the clock; an empty entry is
// not moved. Latency 0 is the plain comparison above.
TEST(CaptureComparison, LatencyMovesPlayedTimesAndFlipsExactlyAtTheAccuracyEdge) {
  const uint32_t kMinus40 = 0xFFFFFFD8u;  // 40 ms before the clock's wrap
  struct Case {
    const char* fault;
    std::vector<NoteEvent> expected, played;
    uint32_t accuracy, latency;
    bool passed;
  } cases[] = {
      {"latency 0 changes the three-note example at 200", {{10000, 24}, {10500, 26}, {11000, 28}},
       {{10050, 24}, {10480, 26}, {11150, 28}}, 200, 0, true},
      {"latency 0 changes the three-note example at 100", {{10000, 24}, {10500, 26}, {11000, 28}},
       {{10050, 24}, {10480, 26}, {11150, 28}}, 100, 0, false},
      {"a learner 70 ms late fails at accuracy 20 without latency", {{10000, 1}}, {{10070, 1}}, 20, 0, false},
      {"the latency is not taken off", {{10000, 1}}, {{10070, 1}}, 20, 70, true},
      {"20 ms late after compensation fails", {{10000, 1}}, {{10090, 1}}, 20, 70, true},
      {"21 ms late after compensation passes", {{10000, 1}}, {{10091, 1}}, 20, 70, false},
      {"20 ms early after compensation fails", {{10000, 1}}, {{10050, 1}}, 20, 70, true},
      {"21 ms early after compensation passes", {{10000, 1}}, {{10049, 1}}, 20, 70, false},
      {"the latency is added instead of taken off", {{10000, 1}}, {{9930, 1}}, 20, 70, false},
      {"a compensated time below 0 is not wrapped", {{kMinus40, 1}}, {{30, 1}}, 0, 70, true},
      {"a compensated time below 0 is clamped or made signed", {{kMinus40 - 20, 1}}, {{30, 1}}, 20, 70, true},
      {"a compensated time below 0 is near a time after the wrap", {{50, 1}}, {{30, 1}}, 20, 70, false},
      {"an empty played entry is moved by the latency", {{5000, 1}, {0xFFFFFFBAu, 1}}, {{5070, 1}}, 20, 70, false},
      {"the largest latency overflows", {{1000, 1}}, {{3000, 1}}, 0, kMaxLatencyMs, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(capturesMatch(table(c.expected), table(c.played), 0, c.accuracy, c.latency), c.passed) << c.fault;
  }
}

TEST(CaptureOffset, MeanLatenessOverThePairsWithBothEntries) {
  struct Case {
    const char* fault;
    std::vector<NoteEvent> expected, played;
    int32_t offset;
  } cases[] = {
      {"no pair at all", {}, {}, 0},
      {"nothing played counts the empty entries", {{1000, 1}, {1500, 1}}, {}, 0},
      {"nothing expected counts the empty entries", {}, {{1000, 1}}, 0},
      {"missing pairs are counted", {{1000, 1}, {1500, 1}, {2000, 1}}, {{1070, 1}, {1580, 1}}, 75},
      {"extra played notes are counted", {{1000, 1}}, {{1010, 1}, {1500, 1}, {2600, 1}}, 10},
      {"playing early gives no negative mean", {{1000, 1}, {1500, 1}}, {{990, 1}, {1480, 1}}, -15},
      {"70.75 is not rounded to the nearest", {{1000, 1}, {1500, 1}, {2000, 1}, {2500, 1}},
       {{1070, 1}, {1575, 1}, {2068, 1}, {2570, 1}}, 71},
      {"2.5 is not rounded away from zero", {{1000, 1}, {1500, 1}}, {{1002, 1}, {1503, 1}}, 3},
      {"-2.5 is not rounded away from zero", {{1000, 1}, {1500, 1}}, {{998, 1}, {1497, 1}}, -3},
      {"-1.4 is not rounded to the nearest", {{1000, 1}, {1500, 1}, {2000, 1}, {2500, 1}, {3000, 1}},
       {{999, 1}, {1498, 1}, {1999, 1}, {2499, 1}, {2998, 1}}, -1},
      {"times across the clock's wrap are far apart", {{0xFFFFFFF0u, 1}}, {{0x10, 1}}, 32},
      {"the largest differences overflow the sum", {{1, 1}, {1, 1}}, {{0x7FFFFFFFu, 1}, {0x7FFFFFFFu, 1}}, 0x7FFFFFFE},
  };
  for (const Case& c : cases) EXPECT_EQ(meanOffsetMs(table(c.expected), table(c.played)), c.offset) << c.fault;
}

TEST(CaptureRecording, OnlyWhileOnAndStopClosesThePlayedTableOnly) {
  MelodyCapture capture;
  capture.recordPlayed(1000, 1);
  capture.recordExpected(1000, 1);
  EXPECT_EQ(capture.playedNotes.index(), -1);
  EXPECT_EQ(capture.expectedNotes.index(), 0);
  capture.start();
  capture.recordPlayed(1100, -1);
  capture.recordExpected(1200, 4);
  capture.stop();
  capture.recordPlayed(1300, 2);
  EXPECT_EQ(capture.playedNotes.index(), -1);
  EXPECT_EQ(capture.expectedNotes.index(), 1);
  EXPECT_EQ(capture.playedNotes.length(), 1);
  EXPECT_EQ(capture.playedNotes.at(0).note, 0xFFFF);
  EXPECT_EQ(capture.expectedNotes.at(0).time, 1200u);
}

// Heap-allocated, so that a write past the tables would reach AddressSanitizer's red zone.
TEST(CaptureRecording, The501stNoteOfEitherTableIsDroppedAndNothingElseChanges) {
  auto capture = std::make_unique<MelodyCapture>();
  capture->mode = CheckMode::User;
  capture->flags = 6;
  capture->accuracyMs = 150;
  capture->start();
  for (int i = 0; i < kCaptureSize + 1; ++i) {
    capture->recordPlayed(1000 + i, i);
    capture->recordExpected(5000 + i, static_cast<uint16_t>(i));
  }
  for (const NoteTable* notes : {&capture->playedNotes, &capture->expectedNotes}) {
    EXPECT_EQ(notes->index(), kCaptureSize);
    EXPECT_EQ(notes->length(), kCaptureSize);
    EXPECT_EQ(notes->at(kCaptureSize - 1).note, kCaptureSize - 1);
  }
  EXPECT_EQ(capture->expectedNotes.at(0).time, 5000u);
  EXPECT_EQ(capture->mode, CheckMode::User);
  EXPECT_EQ(capture->flags, 6);
  EXPECT_EQ(capture->accuracyMs, 150u);
}

// The live MIDI handler records on its own thread while keys are recorded on the interpreter's:
// every slot is taken exactly once, and what does not fit is dropped.
TEST(CaptureRecording, StressMidiThreadAndKeyboardFillEachSlotOnce) {
  auto capture = std::make_unique<MelodyCapture>();
  capture->start();
  std::thread midi([&] {
    for (int note = 1000; note < 1300; ++note) capture->recordPlayed(static_cast<uint32_t>(note), note);
  });
  for (int note = 2000; note < 2300; ++note) capture->recordPlayed(static_cast<uint32_t>(note), note);
  midi.join();
  EXPECT_EQ(capture->playedNotes.length(), kCaptureSize);
  std::set<int> seen;
  int lastMidi = 0;
  int lastKey = 0;
  for (int i = 0; i < kCaptureSize; ++i) {
    NoteEvent event = capture->playedNotes.at(i);
    EXPECT_EQ(event.time, event.note) << "entry " << i << " mixes two notes";
    int& last = event.note < 2000 ? lastMidi : lastKey;
    EXPECT_GT(event.note, last) << "each source keeps its order";
    last = event.note;
    seen.insert(event.note);
  }
  EXPECT_EQ(seen.size(), static_cast<size_t>(kCaptureSize));
}

}  // namespace
}  // namespace vellaro
