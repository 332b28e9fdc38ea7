#include "sound/output_loop.h"

#include <algorithm>
#include <cstring>
#include <thread>

#include "sound/instrument_bank.h"

namespace vellaro {
namespace {

// Frames from offset from to offset to, going forwards round the loop.
uint32_t distance(uint32_t from, uint32_t to) { return (to + kLoopFrames - from) % kLoopFrames; }

uint32_t offsetOf(uint64_t frame) { return static_cast<uint32_t>(frame % kLoopFrames); }

}  // namespace

uint32_t scheduledLeadFrames(const LoopCursors& cursors) {
  uint32_t ahead = distance(cursors.play, cursors.end);
  uint32_t taken = distance(cursors.play, cursors.write);
  return ahead < taken || ahead > kWriteAheadFrames ? taken : ahead;
}

uint32_t outputFramesToMs(uint64_t frames) {
  return static_cast<uint32_t>((frames * 1000 + kOutputRate / 2) / kOutputRate);
}

bool MemoryLoop::readCursors(uint32_t* play, uint32_t* write) {
  uint64_t at = play_.load(std::memory_order_acquire);
  *play = offsetOf(at);
  *write = offsetOf(at + writeLead_);
  return true;
}

bool MemoryLoop::lock(uint32_t first, uint32_t frames, LoopRuns* runs) {
  first %= kLoopFrames;
  frames = std::min(frames, kLoopFrames);
  uint32_t before = std::min(frames, kLoopFrames - first);
  *runs = LoopRuns{frames_.data() + 2 * size_t{first}, before, before < frames ? frames_.data() : nullptr,
                   frames - before};
  return true;
}

OutputLoop::OutputLoop(Mixer& mixer, LoopDevice& device)
    : mixer_(mixer), device_(device), mixBuffer_(2 * size_t{kMixBufferFrames}, 0) {}

void OutputLoop::tick() {
  ticks_.fetch_add(1);  // odd: seq_cst, so that a key's thread that starts writing now sees it
  runTick();
  ticks_.fetch_add(1, std::memory_order_release);
}

void OutputLoop::runTick() {
  uint64_t end = end_.load(std::memory_order_relaxed);
  uint32_t play = 0;
  uint32_t write = 0;
  if (!device_.readCursors(&play, &write)) {
    // Nothing is written, but the voices move on, so that they still end and wait does not hang.
    mixer_.skipFrames(kTickFrames, end);
    return;
  }
  play %= kLoopFrames;
  write %= kLoopFrames;
  if (end == 0) {  // the first tick: the device has taken what lies before its write cursor
    played_ = kLoopFrames + play;
    cleared_ = played_;
    end = played_ + distance(play, write);
  }
  played_ += distance(offsetOf(played_), play);
  uint64_t taken = played_ + distance(play, write);
  clearPlayed();
  if (taken > end) {
    lateTicks_.fetch_add(1, std::memory_order_relaxed);
    mixer_.skipFrames(static_cast<uint32_t>(std::min<uint64_t>(taken - end, kLoopFrames)), end);
    end = taken;
  }
  uint64_t target = played_ + kWriteAheadFrames;
  if (target > end) {
    auto frames = static_cast<uint32_t>(target - end);
    mixer_.mixFrames(mixBuffer_.data(), frames, end);
    writeMixed(end, frames);
    end = target;
  }
  end_.store(end, std::memory_order_release);
}

// What the play cursor has passed is cleared, so that the device finds silence there when it comes
// round again without a tick. A key's thread may be adding to frames beyond the cursor right now; the
// next tick clears what this one leaves.
void OutputLoop::clearPlayed() {
  if (inserting_.load()) return;  // seq_cst: see mixLive
  uint64_t from = std::max(cleared_, played_ - std::min<uint64_t>(played_, kLoopFrames));
  if (played_ <= from) return;
  LoopRuns runs;
  if (!device_.lock(offsetOf(from), static_cast<uint32_t>(played_ - from), &runs)) return;
  if (runs.first) std::memset(runs.first, 0, 4 * size_t{runs.firstFrames});
  if (runs.second) std::memset(runs.second, 0, 4 * size_t{runs.secondFrames});
  device_.unlock(runs);
  cleared_ = played_;
}

void OutputLoop::writeMixed(uint64_t from, uint32_t frames) {
  LoopRuns runs;
  if (!device_.lock(offsetOf(from), frames, &runs)) return;
  const int16_t* mixed = mixBuffer_.data();
  uint32_t first = std::min(runs.firstFrames, frames);
  if (runs.first) std::memcpy(runs.first, mixed, 4 * size_t{first});
  if (runs.second) std::memcpy(runs.second, mixed + 2 * size_t{first}, 4 * size_t{std::min(runs.secondFrames, frames - first)});
  device_.unlock(runs);
}

int OutputLoop::startVoice(const SampleView& sample, uint16_t note, uint16_t tag, uint8_t velocity) {
  if (tag != kLiveTag) return mixer_.startVoice(sample, note, tag, velocity);
  std::lock_guard<std::mutex> one(liveMutex_);
  uint64_t start = 0;
  uint32_t lead = 0;
  if (!liveStartFrame(&start, &lead)) return mixer_.startVoice(sample, note, tag, velocity);
  Mixer::LiveVoice voice;
  int started = mixer_.startLiveVoice(sample, note, tag, start, &voice);
  if (voice.index < 0) return started;
  mixLive(voice);
  lastLive_ = LiveStart{lastLive_.count + 1, lead, offsetOf(start)};
  return started;
}

// Read between two ticks, the write cursor lies less than the write-ahead before the written end;
// anywhere else the device has run past the end.
bool OutputLoop::liveStartFrame(uint64_t* frame, uint32_t* lead) {
  uint64_t end = 0;
  LoopCursors cursors{};
  if (!readBetweenTicks(&end, &cursors)) return false;
  uint32_t behind = distance(cursors.write, cursors.end);
  if (behind > kWriteAheadFrames) return false;
  *frame = end - behind;
  *lead = distance(cursors.play, cursors.write);
  return true;
}

// Mixes the voice over the written frames, from its start to the written end, until the ticks take
// it over. Either a tick claims it at the first frame it mixes (which was the written end when the
// tick began, so everything before it is written and ours to add to), or no tick began while this
// thread reached the written end, and the voice is handed off there. A tick that began before the
// voice was started and did not see it makes the counter odd, which this thread sees: it waits
// for that tick and mixes its frames as well.
void OutputLoop::mixLive(const Mixer::LiveVoice& voice) {
  inserting_.store(true);  // seq_cst: a tick that begins after this leaves clearing alone
  uint64_t done = voice.startFrame;
  for (;;) {
    uint32_t ticks = ticks_.load();
    if (ticks & 1) {
      std::this_thread::yield();
      continue;
    }
    uint64_t end = end_.load(std::memory_order_acquire);
    uint64_t handoff = mixer_.handoffFrame();
    if (handoff != Mixer::kHandoffOpen) {
      addLive(voice, done, handoff);
      break;
    }
    addLive(voice, done, end);
    done = std::max(done, end);
    if (ticks_.load() == ticks) {
      mixer_.handOff(voice, done);
      break;
    }
  }
  inserting_.store(false, std::memory_order_release);
}

void OutputLoop::addLive(const Mixer::LiveVoice& voice, uint64_t from, uint64_t to) {
  if (to <= from) return;
  // Frames further back than the loop's silent part were played long ago.
  auto frames = static_cast<uint32_t>(std::min<uint64_t>(to - from, kLoopFrames - kWriteAheadFrames));
  LoopRuns runs;
  if (!device_.lock(offsetOf(from), frames, &runs)) return;
  if (runs.first) mixer_.addLiveFrames(voice, from, runs.first, std::min(runs.firstFrames, frames));
  if (runs.second && frames > runs.firstFrames) {
    mixer_.addLiveFrames(voice, from + runs.firstFrames, runs.second, std::min(runs.secondFrames, frames - runs.firstFrames));
  }
  device_.unlock(runs);
}

bool OutputLoop::readCursors(LoopCursors* cursors) const {
  uint64_t end = 0;
  return readBetweenTicks(&end, cursors);
}

// Taken between two ticks, so that the written end and the cursors belong together.
bool OutputLoop::readBetweenTicks(uint64_t* end, LoopCursors* cursors) const {
  for (;;) {
    uint32_t ticks = ticks_.load(std::memory_order_acquire);
    if (ticks & 1) {
      std::this_thread::yield();
      continue;
    }
    *end = end_.load(std::memory_order_acquire);
    uint32_t play = 0;
    uint32_t write = 0;
    if (*end == 0 || !device_.readCursors(&play, &write)) return false;
    if (ticks_.load(std::memory_order_acquire) == ticks) {
      *cursors = LoopCursors{offsetOf(*end), play % kLoopFrames, write % kLoopFrames};
      return true;
    }
  }
}

uint32_t OutputLoop::scheduledLeadMs() const {
  LoopCursors cursors{};
  return readCursors(&cursors) ? outputFramesToMs(scheduledLeadFrames(cursors)) : 0;
}

OutputLoop::LiveStart OutputLoop::lastLiveStart() const {
  std::lock_guard<std::mutex> one(liveMutex_);
  return lastLive_;
}

}  // namespace vellaro
