// The OutputLoop keeps a device's looping buffer filled from the Mixer. The loop holds one second;
// every 10 ms tick writes what was mixed up to 70 ms ahead of the play cursor and clears what the
// cursor has played, so the rest of the loop holds silence: a tick that comes late lets the device
// play silence, never a lap of old sound. A voice that a key starts does not wait for the next
// tick: the thread that starts it mixes it into the frames already written, from the device's
// write cursor on, and the ticks take it over from the end of what was written.
//
// Threads: tick runs on the timer thread; startVoice and the readings on any thread. No lock is
// held while a tick mixes. The ticks and the threads that start keys' voices agree through a tick
// counter that is odd while a tick runs and the written end that a tick publishes when it is
// done; a key's voice is handed from its thread to the ticks at one frame (Mixer::handOff).
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "sound/mixer.h"

namespace vellaro {

// One second of 16-bit stereo frames: the part beyond the write-ahead stays silent.
constexpr uint32_t kLoopFrames = 44100;

// A stretch of the loop locked for writing: one run, or two when it wraps round the loop's end.
struct LoopRuns {
  int16_t* first = nullptr;  // interleaved left/right samples
  uint32_t firstFrames = 0;
  int16_t* second = nullptr;  // from the loop's start
  uint32_t secondFrames = 0;
};

// The device side: a looping buffer of kLoopFrames frames that plays round and round.
class LoopDevice {
 public:
  virtual ~LoopDevice() = default;
  // Frame offsets in the loop: what the device plays now, and the write cursor, before which it
  // has taken everything. False when the device cannot tell.
  virtual bool readCursors(uint32_t* play, uint32_t* write) = 0;
  // Locks frames frames from the offset first (frames <= kLoopFrames). False when it cannot.
  virtual bool lock(uint32_t first, uint32_t frames, LoopRuns* runs) = 0;
  virtual void unlock(const LoopRuns& runs) = 0;
};

// A loop in memory, for the headless engine and the tests: its owner puts the play cursor where
// it likes (from any thread), and the write cursor runs a fixed distance ahead of it.
class MemoryLoop final : public LoopDevice {
 public:
  explicit MemoryLoop(uint32_t writeLead) : writeLead_(writeLead), frames_(2 * size_t{kLoopFrames}, 0) {}
  void setPlayFrame(uint64_t frame) { play_.store(frame, std::memory_order_release); }
  bool readCursors(uint32_t* play, uint32_t* write) override;
  bool lock(uint32_t first, uint32_t frames, LoopRuns* runs) override;
  void unlock(const LoopRuns&) override {}
  // The left and right sample of output frame frame, where the loop keeps it.
  const int16_t* frameAt(uint64_t frame) const { return frames_.data() + 2 * size_t{frame % kLoopFrames}; }

 private:
  const uint32_t writeLead_;
  std::vector<int16_t> frames_;
  std::atomic<uint64_t> play_{0};
};

// The loop's cursors and the written end, read together.
struct LoopCursors {
  uint32_t end;    // offset of the frame the next tick starts to write at
  uint32_t play;   // the device's play cursor
  uint32_t write;  // the device's write cursor
};

// Frames from the play cursor to the frame a voice started now plays first: the written end, or,
// once the device has taken frames beyond it (a late tick), the write cursor, where the next tick
// starts.
uint32_t scheduledLeadFrames(const LoopCursors& cursors);

// Milliseconds that frames of output hold at 44100 Hz, rounded to the nearest.
uint32_t outputFramesToMs(uint64_t frames);

class OutputLoop {
 public:
  OutputLoop(Mixer& mixer, LoopDevice& device);

  // One tick of the timer: clears what the play cursor passed, writes the mixed frames up to the
  // write-ahead. A tick that finds the device past the written end counts as late; the voices skip
  // the frames the device played as silence, so they stay in time.
  void tick();
  // Starts a voice; a voice of a key (kLiveTag) is mixed into the written frames at once.
  int startVoice(const SampleView& sample, uint16_t note, uint16_t tag, uint8_t velocity);

  // False before the first tick or when the device cannot tell its cursors.
  bool readCursors(LoopCursors* cursors) const;
  // The delay of a voice that a lesson starts now, as scheduledLeadFrames; 0 when unknown.
  uint32_t scheduledLeadMs() const;
  uint32_t lateTicks() const { return lateTicks_.load(std::memory_order_relaxed); }

  // Where the last key's voice went: frames from the play cursor to its first frame, when the
  // voice started. Kept for the measurements.
  struct LiveStart {
    uint64_t count = 0;     // keys' voices mixed in at once so far
    uint32_t leadFrames = 0;
    uint32_t startOffset = 0;  // the loop offset of its first frame
  };
  LiveStart lastLiveStart() const;

 private:
  void runTick();
  void clearPlayed();
  void writeMixed(uint64_t from, uint32_t frames);
  // The written end as an output frame, and the cursors; false before the first tick or when the
  // device cannot tell.
  bool readBetweenTicks(uint64_t* end, LoopCursors* cursors) const;
  // The output frame at the write cursor, between two ticks; false before the first tick, when the
  // device cannot tell, or when it has taken frames beyond the written end.
  bool liveStartFrame(uint64_t* frame, uint32_t* lead);
  void mixLive(const Mixer::LiveVoice& voice);
  // Adds the voice's frames [from, to) to the loop.
  void addLive(const Mixer::LiveVoice& voice, uint64_t from, uint64_t to);

  Mixer& mixer_;
  LoopDevice& device_;
  std::vector<int16_t> mixBuffer_;  // one tick's frames from the mixer

  // Odd while a tick runs. A key's thread writes only while it is even, and reads the written end
  // with it.
  std::atomic<uint32_t> ticks_{0};
  // Output frames are counted from the first lap, starting at kLoopFrames (0: no tick yet): frame f
  // lies at loop offset f % kLoopFrames. The written end is published when the tick is done.
  std::atomic<uint64_t> end_{0};
  // The tick thread's own: the play cursor at the last tick, and where clearing has reached.
  uint64_t played_ = 0;
  uint64_t cleared_ = 0;
  std::atomic<uint32_t> lateTicks_{0};

  // One key's thread at a time: two would add into the same frames. It also guards lastLive_.
  mutable std::mutex liveMutex_;
  // Set while a key's thread writes: the tick leaves clearing to the next tick.
  std::atomic<bool> inserting_{false};
  LiveStart lastLive_;
};

}  // namespace vellaro
