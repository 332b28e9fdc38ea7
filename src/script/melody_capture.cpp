#include "script/melody_capture.h"

namespace vellaro {
namespace {

bool timesAgree(uint32_t expected, uint32_t played, uint32_t accuracyMs) {
  // The 32-bit difference, so that two times on either side of the clock's wrap are close.
  int32_t difference = static_cast<int32_t>(expected - played);
  uint32_t distance = difference < 0 ? 0u - static_cast<uint32_t>(difference) : static_cast<uint32_t>(difference);
  return distance <= accuracyMs;
}

bool pairPasses(const NoteEvent& expected, const NoteEvent& played, uint8_t flags, uint32_t accuracyMs,
                uint32_t latencyMs) {
  bool passed = true;
  uint32_t playedTime = compensatedTime(played.time, latencyMs);
  if (!(flags & CHECK_NO_TIMES) && !timesAgree(expected.time, playedTime, accuracyMs)) passed = false;
  if ((flags & CHECK_PITCH_CLASS) && expected.note % 12 != played.note % 12) passed = false;
  if ((flags & CHECK_EXACT_NOTE) && expected.note != played.note) passed = false;
  return passed;
}

}  // namespace

int NoteSnapshot::length() const {
  int count = 0;
  while (count < kCaptureSize && events[count].time != 0) ++count;
  return count;
}

void NoteTable::restart() {
  for (Entry& entry : entries_) entry.time.store(0, std::memory_order_relaxed);
  index_.store(0, std::memory_order_release);
}

void NoteTable::close() { index_.store(-1, std::memory_order_release); }

int32_t NoteTable::record(uint32_t time, uint16_t note) {
  int32_t slot = index_.load(std::memory_order_acquire);
  do {
    if (slot < 0 || slot >= kCaptureSize) return -1;
  } while (!index_.compare_exchange_weak(slot, slot + 1, std::memory_order_acq_rel, std::memory_order_acquire));
  entries_[slot].note.store(note, std::memory_order_relaxed);
  entries_[slot].time.store(time, std::memory_order_release);  // publishes the entry
  return slot;
}

bool NoteTable::replace(int32_t i, uint32_t time, uint16_t note) {
  if (i < 0 || i >= kCaptureSize || entries_[i].time.load(std::memory_order_acquire) != time) return false;
  entries_[i].note.store(note, std::memory_order_relaxed);
  return true;
}

NoteEvent NoteTable::at(int i) const {
  if (i < 0 || i >= kCaptureSize) return NoteEvent{0, 0};
  uint32_t time = entries_[i].time.load(std::memory_order_acquire);
  return NoteEvent{time, entries_[i].note.load(std::memory_order_relaxed)};
}

int NoteTable::length() const {
  int count = 0;
  while (count < kCaptureSize && at(count).time != 0) ++count;
  return count;
}

void NoteTable::copyTo(NoteSnapshot& snapshot) const {
  for (int i = 0; i < kCaptureSize; ++i) snapshot.events[i] = at(i);
}

void MelodyCapture::start() {
  expectedNotes.restart();
  playedNotes.restart();
  closesAt_.store(UINT32_MAX, std::memory_order_release);
  lastHeard_.store(-1, std::memory_order_release);
  on_.store(true, std::memory_order_release);
}

void MelodyCapture::stop() {
  on_.store(false, std::memory_order_release);
  playedNotes.close();
}

void MelodyCapture::recordExpected(uint32_t time, uint16_t note) {
  if (keeps(time)) expectedNotes.record(time, note);
}

void MelodyCapture::recordPlayed(uint32_t time, int note) {
  if (keeps(time)) playedNotes.record(time, static_cast<uint16_t>(note));
}

void MelodyCapture::heard(uint32_t timeMs, int note) {
  const auto value = static_cast<uint16_t>(note < 0 ? -1 : note);
  if (!keeps(timeMs)) return;
  if (playedNotes.replace(lastHeard_.load(std::memory_order_acquire), timeMs, value)) return;
  lastHeard_.store(playedNotes.record(timeMs, value), std::memory_order_release);
}

void MelodyCapture::recordSounded(uint32_t time, uint16_t note) {
  if (mode == CheckMode::All) recordExpected(time, note);
}

bool capturesMatch(const NoteSnapshot& expected, const NoteSnapshot& played, uint8_t flags, uint32_t accuracyMs,
                   uint32_t latencyMs) {
  bool passed = true;
  for (int i = 0; i < kCaptureSize; ++i) {
    const NoteEvent& wanted = expected.events[i];
    const NoteEvent& got = played.events[i];
    if (wanted.time == 0 && got.time == 0) break;
    if (!pairPasses(wanted, got, flags, accuracyMs, latencyMs)) passed = false;  // the walk goes on after a failure
  }
  return passed && played.length() > 0;
}

uint32_t compensatedTime(uint32_t playedTime, uint32_t latencyMs) {
  return playedTime == 0 ? 0 : playedTime - latencyMs;
}

int32_t meanOffsetMs(const NoteSnapshot& expected, const NoteSnapshot& played) {
  int64_t sum = 0;
  int64_t pairs = 0;
  for (int i = 0; i < kCaptureSize; ++i) {
    uint32_t wanted = expected.events[i].time;
    uint32_t got = played.events[i].time;
    if (wanted == 0 && got == 0) break;
    if (wanted == 0 || got == 0) continue;
    sum += static_cast<int32_t>(got - wanted);  // the 32-bit difference, as check result takes it
    ++pairs;
  }
  if (pairs == 0) return 0;
  // |sum| / pairs rounded half up, then the sign: halves go away from zero.
  int64_t rounded = (2 * (sum < 0 ? -sum : sum) + pairs) / (2 * pairs);
  return static_cast<int32_t>(sum < 0 ? -rounded : rounded);
}

}  // namespace vellaro
