// The melody capture: what the learner should play (expectedNotes) and what was played
// (playedNotes), each a table of 500 NoteEvents timed by clockMs, and the settings with which
// check result compares the two.
//
// Threads: expected notes are written on the interpreter's thread only. Played notes arrive from
// the interpreter's thread (keys of the PC keyboard, inside a wait) and from the MIDI input thread,
// possibly at the same moment. A writer claims its slot with one compare-and-swap of the table's
// index, writes the note and publishes the entry by storing its non-zero time last (release); a
// reader takes an entry only once it sees that time (acquire). So no entry is written twice or
// read half-written, no write lands past the 500 entries, and nothing takes a lock.
#pragma once

#include <atomic>
#include <cstdint>

#include "base/types.h"
#include "sound/microphone.h"

namespace vellaro {

constexpr int kCaptureSize = 500;
constexpr uint32_t kDefaultAccuracyMs = 200;
// The largest latency compensation check latency accepts, in milliseconds.
constexpr uint32_t kMaxLatencyMs = 2000;

// Which scenario notes count as expected while capture is on.
enum class CheckMode : uint8_t {
  None = 0,  // none: only the learner's notes are recorded
  All = 1,   // every note that play and melody sound
  User = 2,  // only expect commands and melody expect tokens, which sound nothing
};

// Check flags of check mode.
constexpr uint8_t CHECK_PITCH_CLASS = 0x01;  // notes must agree modulo 12 (any octave)
constexpr uint8_t CHECK_EXACT_NOTE = 0x02;   // notes must be equal
constexpr uint8_t CHECK_NO_TIMES = 0x04;     // times are not compared

// A whole table copied at one moment, for the readers (check, rdiagram).
struct NoteSnapshot {
  NoteEvent events[kCaptureSize];
  // Entries before the first empty one.
  int length() const;
};

class NoteTable {
 public:
  explicit NoteTable(int32_t startIndex) : index_(startIndex) {}
  NoteTable(const NoteTable&) = delete;
  NoteTable& operator=(const NoteTable&) = delete;

  // Empties every entry (the times become 0; the notes keep their old values) and opens the
  // table at index 0.
  void restart();
  // Sets the index to -1: nothing more is written until the next restart.
  void close();
  // Writes the event at the index and advances it; returns the entry written. -1, and nothing
  // written, when the table is closed or all 500 entries are taken: notes past the 500th are dropped.
  int32_t record(uint32_t time, uint16_t note);
  // Gives entry i another note when it holds an event at time; false otherwise.
  bool replace(int32_t i, uint32_t time, uint16_t note);

  int32_t index() const { return index_.load(std::memory_order_acquire); }
  NoteEvent at(int i) const;
  int length() const;
  void copyTo(NoteSnapshot& snapshot) const;

 private:
  struct Entry {
    std::atomic<uint32_t> time{0};
    std::atomic<uint16_t> note{0};
  };
  Entry entries_[kCaptureSize];
  std::atomic<int32_t> index_;
};

// The microphone hands its notes to the capture itself, from its own thread, as played notes.
class MelodyCapture final : public HeardNotes {
 public:
  // Empties both tables, opens them at index 0 and switches capture on.
  void start();
  // Switches capture off and closes the played table; both tables keep what they hold.
  void stop();
  // Capture stays on, but keeps only notes from before time (the microphone's, which go out a
  // little after their sound began), until stop.
  void closeAt(uint32_t time) { closesAt_.store(time, std::memory_order_release); }
  bool isOn() const { return on_.load(std::memory_order_acquire); }
  bool keeps(uint32_t time) const { return isOn() && time < closesAt_.load(std::memory_order_acquire); }

  // Each records only while capture is on; the caller has decided by the check mode.
  void recordExpected(uint32_t time, uint16_t note);
  // note -1 (a key that started no note) is held as 0xFFFF.
  void recordPlayed(uint32_t time, int note);
  // recordExpected when capture is on and the check mode is all: a note the scenario sounded.
  void recordSounded(uint32_t time, uint16_t note);
  // A note the microphone heard: recordPlayed, with any note below the keyboard's range as -1. One
  // heard at the very moment of the last one it heard is that note heard better (an octave put
  // right, a scoop that reached its note, the middle of a vibrato): it replaces it.
  void heard(uint32_t timeMs, int note) override;

  NoteTable expectedNotes{0};
  NoteTable playedNotes{-1};
  CheckMode mode = CheckMode::None;
  uint8_t flags = 0;
  uint32_t accuracyMs = kDefaultAccuracyMs;
  // Milliseconds between the moment a sound is asked for and the moment the learner's answer to
  // it is recorded (the sound's way out, the learner's reaction, the key's way in): subtracted
  // from every played time before it is compared or drawn. 0, the start value, compares the
  // times as they were recorded.
  uint32_t latencyMs = 0;

 private:
  std::atomic<bool> on_{false};
  std::atomic<uint32_t> closesAt_{UINT32_MAX};
  std::atomic<int32_t> lastHeard_{-1};  // the played entry of the microphone's last note
};

// The comparison of check result: true for passed. Pairs are taken by position, with no
// alignment, as long as either side has an entry; a missing partner counts as time 0 with
// whatever note its entry still holds. Nothing played always fails. Each played time is taken
// latencyMs earlier (compensatedTime) before it is compared.
bool capturesMatch(const NoteSnapshot& expected, const NoteSnapshot& played, uint8_t flags, uint32_t accuracyMs,
                   uint32_t latencyMs = 0);

// A played time with the latency taken off, modulo 2^32 like the clock itself, so that a time just
// past the clock's wrap stays close to the expected times just before it. An empty entry (time 0)
// stays empty: a note that was not played is not moved.
uint32_t compensatedTime(uint32_t playedTime, uint32_t latencyMs);

// The mean of played time minus expected time, in milliseconds, over the pairs in which both
// entries are present, without compensation; rounded to the nearest integer, halves away from
// zero (so 2.5 gives 3 and -2.5 gives -3: early and late playing round alike). 0 when no pair has
// both entries.
int32_t meanOffsetMs(const NoteSnapshot& expected, const NoteSnapshot& played);

}  // namespace vellaro
