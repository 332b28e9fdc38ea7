// The software mixer: 60 voices that play sample data at the PitchTable's equal-tempered rates,
// interpolated between sample frames (interpolation.h), summed without volume and held at the rails of
// 16 bits. It is pulled: mixFrames fills a caller's buffer, so the Win32 engine calls it from its
// timer and the tests call it by hand.
//
// Threads: voices are started and stopped from the interpreter's and the MIDI input thread while
// the timer thread mixes, without locks. A voice's data pointer is its activity flag: it is written
// last (release) when a voice starts and read first (acquire) by the mixer; one store of nullptr
// frees the voice. The other fields are relaxed atomics guarded by a per-voice serial number, so a
// voice that is restarted while the mixer reads it is never mixed with half-old fields.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vellaro {

constexpr int kVoiceCount = 60;
// The output: 44100 Hz, 16-bit stereo frames. A tick keeps 70 ms of them written ahead of the
// device's play cursor (output_loop.h).
constexpr uint32_t kOutputRate = 44100;
constexpr uint32_t kWriteAheadFrames = 3087;
// The most frames one mixFrames call mixes: a whole write-ahead.
constexpr uint32_t kMixBufferFrames = kWriteAheadFrames;
// The last frames of every sample are never played.
constexpr uint32_t kTailFrames = 100;
// Frames that one 10 ms tick advances the voices when it cannot write to the device.
constexpr uint32_t kTickFrames = 441;

// A read-only view of a sample instrument as a voice needs it.
struct SampleView {
  const uint8_t* data = nullptr;
  size_t size = 0;          // bytes of sample data
  uint8_t groupFactor = 0;  // bytes per frame as the file declares it
  uint8_t channels = 0;     // 1 = mono, anything else is read as two interleaved channels
  uint8_t bitsFactor = 0;   // 1 = 8-bit unsigned, anything else is read as 16-bit signed
  uint8_t speedFactor = 0;  // sample rate / 11025
  uint16_t pitchBase = 0;   // divisor of the PitchTable multiplier
};

// Frames a voice of this sample plays: the frames it holds, less the 100-frame tail. Declared
// frame sizes that disagree with the sample layout never let a voice read past the data; a sample
// of 100 frames or fewer, or one declaring 0 bytes per frame, plays nothing.
uint32_t playableFrames(const SampleView& sample);

// How far a voice moves through its sample per output frame, in sample frames << 32: the
// PitchTable's step for the note scaled by the sample's rate (SpeedFactor / 4) and by
// 128 / PitchBase. Output frame c reads the sample at position c * step, interpolating from the
// frame before c * step >> 32 to the second after it (interpolation.h). 0 for a note outside 0 to 71 or a pitch base of 0.
uint64_t voiceStep(uint16_t note, uint8_t speedFactor, uint16_t pitchBase);

// Output frames a voice of this sample at this note plays before it reaches its end: the first
// output frame whose position reaches playableFrames. 0 when startVoice would start nothing.
uint32_t voiceFrames(const SampleView& sample, uint16_t note);

// What the rest of the program calls to sound samples: the mixer itself, or the Win32 engine that
// drives one.
class VoicePlayer {
 public:
  virtual ~VoicePlayer() = default;
  // 0 when nothing can sound (no data, an unplayable sample, a note outside 0 to 71); otherwise 1,
  // also when all 60 voices are busy and the note is dropped. Velocity has no effect.
  virtual int startVoice(const SampleView& sample, uint16_t note, uint16_t tag, uint8_t velocity) = 0;
  // Frees every voice of this sample, note and tag; returns 0.
  virtual int stopVoice(const SampleView& sample, uint16_t note, uint16_t tag) = 0;
  virtual void stopAllVoices() = 0;
  virtual bool isSilent() const = 0;
  // Milliseconds from now until a voice started now is heard from the output device, as far as the
  // player can measure it (its own buffer; not what the device and the system add after it). 0
  // where nothing plays to a device: the bare mixer, a headless run, an engine without a device.
  virtual uint32_t outputDelayMs() const { return 0; }
  // Ticks that came after the device had played everything written (it played silence meanwhile).
  virtual uint32_t lateTicks() const { return 0; }
};

// What a voice plays in one tick: the sample at position (frame << 32 plus the fraction towards
// the next frame), then position += step, for frames more output frames.
struct MixLane {
  const uint8_t* data;
  uint64_t position;
  uint64_t step;
  uint32_t frames;
};

class Mixer final : public VoicePlayer {
 public:
  Mixer();

  int startVoice(const SampleView& sample, uint16_t note, uint16_t tag, uint8_t velocity) override;
  int stopVoice(const SampleView& sample, uint16_t note, uint16_t tag) override;
  void stopAllVoices() override;
  bool isSilent() const override;
  // Voices that sound or are being started; startVoice drops the note when it is kVoiceCount.
  int activeVoices() const;

  // Mixes frames output frames (at most kMixBufferFrames) as interleaved left/right samples into
  // out, advancing every active voice and freeing those that reach their end. Sums beyond 16 bits
  // are clamped to -32768 and 32767. firstFrame numbers out's first frame in the caller's count of
  // output frames (the one live voices start in). Runs on the timer thread; allocates nothing.
  void mixFrames(int16_t* out, uint32_t frames, uint64_t firstFrame = 0);
  // Moves every voice on by frames output frames without mixing them, as mixFrames would.
  void skipFrames(uint32_t frames, uint64_t firstFrame = 0);

  // A voice that a key started, as the thread that mixes it into the frames already written sees
  // it: the fields are copied when it starts.
  struct LiveVoice {
    int index = -1;  // -1: nothing started
    uint32_t serial = 0;
    const uint8_t* data = nullptr;
    uint64_t step = 0;
    uint32_t end = 0;
    uint8_t layout = 0;
    uint64_t startFrame = 0;  // the output frame that plays its first sample frame
  };
  // What handoffFrame gives while no tick has taken the voice over.
  static constexpr uint64_t kHandoffOpen = (uint64_t{1} << 42) - 1;

  // Starts a voice whose first frame is output frame startFrame, in the count mixFrames' firstFrame
  // uses, for a key of the keyboard piano or the MIDI keyboard. The frames before the tick that
  // takes it over are the caller's to mix (addLiveFrames): either a tick claims it at the first
  // frame it mixes, or the caller hands it off at a frame of its choice (handOff). One key's voice
  // at a time: the next may start once this one is handed off. Returns what startVoice returns;
  // *voice has index -1 when no voice started.
  int startLiveVoice(const SampleView& sample, uint16_t note, uint16_t tag, uint64_t startFrame, LiveVoice* voice);
  // Adds the voice's output frames [firstFrame, firstFrame + frames) to out (interleaved left and
  // right, held at the rails), also once it was stopped: what a key starts sounds at least until
  // the ticks take it over.
  void addLiveFrames(const LiveVoice& voice, uint64_t firstFrame, int16_t* out, uint32_t frames) const;
  // The frame from which the ticks mix the key's voice that started last, kHandoffOpen while none does.
  uint64_t handoffFrame() const;
  // Lets the ticks mix it from frame on, unless a tick has claimed it already; returns the handoff
  // frame in effect.
  uint64_t handOff(const LiveVoice& voice, uint64_t frame);

 private:
  // The sample layouts, each mixed by its own loops.
  enum Layout : uint8_t { kMonoBytes, kMonoWords, kStereoBytes, kStereoWords, kLayoutCount };

  struct Voice {
    std::atomic<const uint8_t*> data{nullptr};
    std::atomic<uint32_t> serial{0};  // counts the starts of this voice
    std::atomic<uint32_t> end{0};
    std::atomic<uint64_t> step{0};
    std::atomic<uint16_t> note{0};
    std::atomic<uint16_t> tag{0};
    std::atomic<Layout> layout{kMonoWords};
    // The output frame a key's voice starts at, kNotLive for a voice the lesson started.
    std::atomic<uint64_t> liveStart{kNotLive};
  };
  static constexpr uint64_t kNotLive = UINT64_MAX;
  // The mixer thread's own record of how far it has played each voice.
  struct Progress {
    uint32_t serial = 0;
    uint64_t position = 0;  // in the sample, frames << 32: output frames played times the step
  };

  // A voice as one tick mixes it: its fields are read once, at the start of the tick.
  struct TickVoice {
    const uint8_t* data;
    uint32_t end;
    uint64_t step;
    Layout layout;
    uint64_t liveStart;
    bool ended;
    int index;
    uint64_t position;
  };
  static Layout layoutOf(bool mono, bool eightBit);
  // Claims a free voice and writes its fields; returns its index, or -1 when all are busy.
  int claimVoice(const SampleView& sample, uint16_t note, uint16_t tag, uint64_t step, uint32_t end,
                 uint64_t liveStart);
  // Reads the active voices into tickVoices_; returns how many there are. firstFrame is the output
  // frame the tick starts at.
  int collectVoices(uint64_t firstFrame);
  // Where a voice that this tick sees for the first time starts: a key's voice where the frames
  // mixed before the tick end.
  uint64_t firstPosition(const TickVoice& tick, uint32_t serial, uint64_t firstFrame);
  // Moves the voice on by up to frames output frames; returns how many of them it plays.
  static uint32_t advanceVoice(TickVoice& voice, uint32_t frames);
  // Puts the frames a voice plays in this tick in a lane, or mixes them at once when it starts.
  void planVoice(TickVoice& voice, uint32_t frames);
  void mixStart(Layout layout, const MixLane& lane, uint32_t lead);
  // Mixes every lane over the whole tick, a group of lanes at a time.
  void mixLanes(uint32_t frames);
  // Keeps the voice's progress and frees it when it reached its end.
  void finishVoice(const TickVoice& voice);
  void storeClamped(int16_t* out, uint32_t frames) const;

  std::array<Voice, kVoiceCount> voices_;
  // The key's voice that started last: its index, its serial and the frame the ticks mix it from
  // (kHandoffOpen until a tick or its thread sets it). Kept apart from the voice, so that it holds
  // when the voice ends and its place is taken before its thread is done.
  std::atomic<uint64_t> liveHandoff_{0};
  std::array<Progress, kVoiceCount> progress_{};
  std::array<TickVoice, kVoiceCount> tickVoices_{};
  std::array<std::array<MixLane, kVoiceCount>, kLayoutCount> lanes_{};
  std::array<int, kLayoutCount> laneCounts_{};
  // Allocated once. Whole 32-bit sums, clamped only when stored: the order in which voices are
  // added cannot change the output.
  std::vector<int32_t> sums_;      // left and right per frame: stereo voices
  std::vector<int32_t> monoSums_;  // one per frame: mono voices
};

}  // namespace vellaro
