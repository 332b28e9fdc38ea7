#include "sound/mixer.h"

#include <algorithm>
#include <cstring>
#include <functional>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "sound/pitch_table.h"

namespace vellaro {
namespace {

// A voice claimed by a starting thread whose fields are not written yet: busy, but not mixed.
const uint8_t kClaimedMarker = 0;
const uint8_t* const kClaimed = &kClaimedMarker;

struct VoiceParams {
  const uint8_t* data;
  uint32_t end;
  uint32_t pitch;
  uint32_t pitchBase;
  uint32_t speed;
};

// Sums are kept modulo 2^16: the output stores only the low 16 bits of each sum, and those do not
// depend on the order of the additions nor on the width of the sums in between.
uint16_t byteValue(const uint8_t* data, size_t index) { return static_cast<uint16_t>((int32_t{data[index]} - 128) * 256); }

uint16_t wordValue(const uint8_t* data, size_t index) {
  uint16_t value;
  std::memcpy(&value, data + 2 * index, sizeof value);  // sample data is little-endian, as is x86
  return value;
}

// The sample layouts. For each: Frame, a sample frame's value (mono: one value for both channels)
// or a sum of several; read, the frame at a position; add, the sum of two; addTo, adding one to the
// sums of an output frame; kStride, the sums per output frame.
struct MonoBytes {
  static constexpr size_t kStride = 1;
  using Frame = uint32_t;
  static Frame read(const uint8_t* data, size_t pos) { return byteValue(data, pos); }
  static Frame add(Frame a, Frame b) { return a + b; }
  static void addTo(uint16_t* sums, Frame frame) { sums[0] = static_cast<uint16_t>(sums[0] + frame); }
};

struct MonoWords : MonoBytes {
  static Frame read(const uint8_t* data, size_t pos) { return wordValue(data, pos); }
};

struct StereoBytes {
  static constexpr size_t kStride = 2;
  struct Frame {
    uint32_t left;
    uint32_t right;
  };
  static Frame read(const uint8_t* data, size_t pos) {
    return {byteValue(data, 2 * pos), byteValue(data, 2 * pos + 1)};
  }
  static Frame add(Frame a, Frame b) { return {a.left + b.left, a.right + b.right}; }
  static void addTo(uint16_t* sums, Frame frame) {
    sums[0] = static_cast<uint16_t>(sums[0] + frame.left);
    sums[1] = static_cast<uint16_t>(sums[1] + frame.right);
  }
};

#if defined(__SSE2__)
// A 16-bit stereo frame has the layout of its two sums: one 32-bit load and a 16-bit vector
// addition (which wraps modulo 2^16 like the sums) add both channels.
struct StereoWords {
  static constexpr size_t kStride = 2;
  using Frame = __m128i;
  static Frame load32(const void* bytes) {
    int32_t value;
    std::memcpy(&value, bytes, sizeof value);
    return _mm_cvtsi32_si128(value);
  }
  static Frame read(const uint8_t* data, size_t pos) { return load32(data + 4 * pos); }
  static Frame add(Frame a, Frame b) { return _mm_add_epi16(a, b); }
  static void addTo(uint16_t* sums, Frame frame) {
    int32_t value = _mm_cvtsi128_si32(add(load32(sums), frame));
    std::memcpy(sums, &value, sizeof value);
  }
};
#else
struct StereoWords : StereoBytes {
  static Frame read(const uint8_t* data, size_t pos) {
    return {wordValue(data, 2 * pos), wordValue(data, 2 * pos + 1)};
  }
};
#endif

template <class Format>
void addFrame(const uint8_t* data, uint32_t pos, uint16_t* sums, size_t f) {
  Format::addTo(sums + Format::kStride * f, Format::read(data, pos));
}

// The sample frame that output frame counter of a voice plays: all of it modulo 2^32, as the
// position rule wants it.
uint32_t positionOf(const VoiceParams& p, uint32_t counter) {
  uint32_t product = counter * p.pitch;
  uint32_t scaled = p.pitchBase == 128 ? product >> 7 : product / p.pitchBase;
  return scaled * p.speed / 4;
}

// Adds one voice's frames to the sums, frame by frame with the whole position rule, and returns
// its new counter; ended tells that the voice reached its end frame, which it does not play and
// does not count.
template <class Format>
uint32_t addVoiceExactly(const VoiceParams& p, uint32_t counter, uint16_t* sums, uint32_t frames, bool& ended) {
  for (uint32_t f = 0; f < frames; ++f) {
    uint32_t pos = positionOf(p, counter);
    if (pos >= p.end) {
      ended = true;
      return counter;
    }
    addFrame<Format>(p.data, pos, sums, f);
    ++counter;
  }
  return counter;
}

// The frames of this tick that a voice plays before its end, when the rule can be stepped without
// a division: pitch base 128 and no product of the rule wrapping within the tick. Positions then
// never fall, so the first end frame is found by bisection. False when the exact loop must run.
bool framesBeforeEnd(const VoiceParams& p, uint32_t counter, uint32_t frames, uint32_t& playable) {
  uint64_t lastProduct = (uint64_t{counter} + frames) * p.pitch;
  if (p.pitchBase != 128 || lastProduct > UINT32_MAX || (lastProduct >> 7) * p.speed > UINT32_MAX) return false;
  uint32_t low = 0;
  uint32_t high = frames;  // the answer lies in [low, high]
  while (low < high) {
    uint32_t middle = low + (high - low) / 2;
    if (positionOf(p, counter + middle) >= p.end) {
      high = middle;
    } else {
      low = middle + 1;
    }
  }
  playable = low;
  return true;
}

// The shift that stands for the rule's ">> 7, * speed, / 4" at speeds 1, 2 and 4 (11025, 22050
// and 44100 Hz) while the multiplication cannot wrap: the three floors of a power of two make one.
// -1 for the other speeds.
int shiftForSpeed(uint32_t speed) {
  switch (speed) {
    case 1: return 9;
    case 2: return 8;
    case 4: return 7;
    default: return -1;
  }
}

// The frames a voice plays before its end at a speed without a shift, with the product stepped by
// one addition per frame instead of a multiplication.
template <class Format>
void addFramesMultiplied(const VoiceParams& p, uint32_t counter, uint16_t* sums, uint32_t frames) {
  uint32_t product = counter * p.pitch;
  for (size_t f = 0; f < frames; ++f, product += p.pitch) {
    addFrame<Format>(p.data, ((product >> 7) * p.speed) >> 2, sums, f);
  }
}

// A voice that no lane can play: the exact loop, or the multiplied one.
template <class Format>
uint32_t addVoiceAlone(const VoiceParams& p, uint32_t counter, uint16_t* sums, uint32_t frames, bool& ended) {
  uint32_t playable = 0;
  if (!framesBeforeEnd(p, counter, frames, playable)) return addVoiceExactly<Format>(p, counter, sums, frames, ended);
  addFramesMultiplied<Format>(p, counter, sums, playable);
  ended = playable < frames;
  return counter + playable;
}

// The hot loop: N lanes of one layout at once, so that the sums of an output frame are read and
// written once for N voices instead of N times. The position's upper half is the sample frame.
// The lanes advance by the frames played.
template <class Format, int N>
void addLanes(MixLane* lanes, uint16_t* sums, uint32_t frames) {
  const uint8_t* data[N];
  uint64_t position[N];
  uint64_t step[N];
  for (int n = 0; n < N; ++n) {
    data[n] = lanes[n].data;
    position[n] = lanes[n].position;
    step[n] = lanes[n].step;
  }
  // Four frames per pass: the loop's own test and jump cost less per frame.
#pragma GCC unroll 4
  for (size_t f = 0; f < frames; ++f) {
    typename Format::Frame total = Format::read(data[0], position[0] >> 32);
    position[0] += step[0];
    for (int n = 1; n < N; ++n) {
      total = Format::add(total, Format::read(data[n], position[n] >> 32));
      position[n] += step[n];
    }
    Format::addTo(sums + Format::kStride * f, total);
  }
  for (int n = 0; n < N; ++n) {
    lanes[n].position = position[n];
    lanes[n].frames -= frames;
  }
}

// N lanes play together the frames of the tick that all of them play; a lane that plays on beyond
// plays the rest alone.
template <class Format, int N>
void addGroup(MixLane* lanes, uint16_t* sums, uint32_t length) {
  uint32_t common = length;
  for (int n = 0; n < N; ++n) common = std::min(common, lanes[n].frames);
  addLanes<Format, N>(lanes, sums, common);
  if (common == length) return;
  for (int n = 0; n < N; ++n) {
    uint32_t rest = std::min(lanes[n].frames, length - common);
    if (rest > 0) addLanes<Format, 1>(lanes + n, sums + Format::kStride * common, rest);
  }
}

// Mixes length frames of every lane into sums.
template <class Format>
void addAllLanes(MixLane* lanes, int count, uint16_t* sums, uint32_t length) {
  int first = 0;
  for (; count - first >= 4; first += 4) addGroup<Format, 4>(lanes + first, sums, length);
  switch (count - first) {
    case 3: return addGroup<Format, 3>(lanes + first, sums, length);
    case 2: return addGroup<Format, 2>(lanes + first, sums, length);
    case 1: return addGroup<Format, 1>(lanes + first, sums, length);
    default: return;
  }
}

// Orders lanes by sample and position, so that the voices that read the same stretch of a sample
// mix in the same group: they read the same cache lines in the same pass, and the groups that wait
// for new sample data from memory also have additions to do meanwhile. The order of the lanes
// does not change the sums.
void groupNeighbours(MixLane* lanes, int count) {
  std::sort(lanes, lanes + count, [](const MixLane& a, const MixLane& b) {
    if (a.data != b.data) return std::less<const uint8_t*>()(a.data, b.data);
    return a.position < b.position;
  });
}

}  // namespace

uint32_t playableFrames(const SampleView& sample) {
  if (!sample.data || sample.groupFactor == 0) return 0;
  size_t bytesRead = size_t{sample.bitsFactor == 1 ? 1u : 2u} * (sample.channels == 1 ? 1u : 2u);
  size_t frames = std::min(sample.size / sample.groupFactor, sample.size / bytesRead);
  if (frames <= kTailFrames) return 0;
  return static_cast<uint32_t>(std::min<size_t>(frames - kTailFrames, UINT32_MAX));
}

// positionOf(c) >= end means floor(c * pitch / pitchBase) * speed >= 4 * end, that is
// c * pitch >= ceil(4 * end / speed) * pitchBase.
uint32_t voiceFrames(const SampleView& sample, uint16_t note) {
  uint64_t end = playableFrames(sample);
  if (end == 0 || note >= kPitchTableSize || sample.pitchBase == 0) return 0;
  uint64_t speed = sample.speedFactor ? sample.speedFactor : 1;
  uint64_t pitch = kPitchTable[note];
  uint64_t scaled = (4 * end + speed - 1) / speed;
  uint64_t frames = (scaled * sample.pitchBase + pitch - 1) / pitch;
  return static_cast<uint32_t>(std::min<uint64_t>(frames, UINT32_MAX));
}

Mixer::Mixer() : sums_(2 * size_t{kMixBufferFrames}, 0), monoSums_(kMixBufferFrames, 0) {}

int Mixer::startVoice(const SampleView& sample, uint16_t note, uint16_t tag, uint8_t /*velocity*/) {
  if (!sample.data || note >= kPitchTableSize || sample.pitchBase == 0) return 0;
  uint32_t end = playableFrames(sample);
  if (end == 0) return 0;
  for (Voice& voice : voices_) {
    const uint8_t* expected = nullptr;
    if (!voice.data.compare_exchange_strong(expected, kClaimed, std::memory_order_acquire)) continue;
    voice.serial.fetch_add(1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    voice.end.store(end, std::memory_order_relaxed);
    voice.pitch.store(kPitchTable[note], std::memory_order_relaxed);
    voice.tag.store(tag, std::memory_order_relaxed);
    voice.pitchBase.store(sample.pitchBase, std::memory_order_relaxed);
    voice.channels.store(sample.channels, std::memory_order_relaxed);
    voice.bitsFactor.store(sample.bitsFactor, std::memory_order_relaxed);
    // Rates below 11025 Hz would never advance and never end: they play at the slowest step.
    voice.speedFactor.store(sample.speedFactor ? sample.speedFactor : 1, std::memory_order_relaxed);
    voice.data.store(sample.data, std::memory_order_release);  // now the mixer sees it
    return 1;
  }
  return 1;  // all voices busy: the note is dropped
}

int Mixer::stopVoice(const SampleView& sample, uint16_t note, uint16_t tag) {
  if (!sample.data || note >= kPitchTableSize) return 0;
  for (Voice& voice : voices_) {
    const uint8_t* data = voice.data.load(std::memory_order_acquire);
    if (data != sample.data || voice.tag.load(std::memory_order_relaxed) != tag ||
        voice.pitch.load(std::memory_order_relaxed) != kPitchTable[note]) {
      continue;
    }
    voice.data.compare_exchange_strong(data, nullptr, std::memory_order_relaxed);
  }
  return 0;
}

void Mixer::stopAllVoices() {
  for (Voice& voice : voices_) voice.data.store(nullptr, std::memory_order_relaxed);
}

bool Mixer::isSilent() const {
  for (const Voice& voice : voices_) {
    if (voice.data.load(std::memory_order_relaxed)) return false;
  }
  return true;
}

int Mixer::activeVoices() const {
  int count = 0;
  for (const Voice& voice : voices_) count += voice.data.load(std::memory_order_relaxed) ? 1 : 0;
  return count;
}

void Mixer::mixFrames(int16_t* out, uint32_t frames) {
  frames = std::min(frames, kMixBufferFrames);
  std::fill(sums_.begin(), sums_.begin() + 2 * size_t{frames}, 0);
  std::fill(monoSums_.begin(), monoSums_.begin() + frames, 0);
  int count = collectVoices();
  laneCounts_.fill(0);
  for (int i = 0; i < count; ++i) planVoice(tickVoices_[i], frames);
  for (int layout = 0; layout < kLayoutCount; ++layout) groupNeighbours(lanes_[layout].data(), laneCounts_[layout]);
  // Each group of lanes plays the whole tick before the next group starts: a few streams through
  // the sample data at a time, which the processor's prefetcher follows, while the tick's sums
  // (12 KB) stay in the first-level cache. Sixty streams read side by side, span by span, outrun
  // the prefetcher and wait for memory.
  mixLanes(frames);
  for (int i = 0; i < count; ++i) finishVoice(tickVoices_[i]);
  // No clipping and no scaling: the low 16 bits of each sum are stored, so loud sums wrap around.
  for (size_t f = 0; f < frames; ++f) {
    out[2 * f] = static_cast<int16_t>(static_cast<uint16_t>(sums_[2 * f] + monoSums_[f]));
    out[2 * f + 1] = static_cast<int16_t>(static_cast<uint16_t>(sums_[2 * f + 1] + monoSums_[f]));
  }
}

Mixer::Layout Mixer::layoutOf(bool mono, bool eightBit) {
  if (mono) return eightBit ? kMonoBytes : kMonoWords;
  return eightBit ? kStereoBytes : kStereoWords;
}

int Mixer::collectVoices() {
  int count = 0;
  for (int index = 0; index < kVoiceCount; ++index) {
    Voice& voice = voices_[index];
    uint32_t serial = voice.serial.load(std::memory_order_acquire);
    const uint8_t* data = voice.data.load(std::memory_order_acquire);
    if (!data || data == kClaimed) continue;
    TickVoice tick{data, voice.end.load(std::memory_order_relaxed), voice.pitch.load(std::memory_order_relaxed),
                   voice.pitchBase.load(std::memory_order_relaxed), voice.speedFactor.load(std::memory_order_relaxed),
                   layoutOf(voice.channels.load(std::memory_order_relaxed) == 1,
                            voice.bitsFactor.load(std::memory_order_relaxed) == 1),
                   false, index, 0};
    std::atomic_thread_fence(std::memory_order_acquire);
    // Restarted by another thread while its fields were read: it is picked up at the next tick.
    if (voice.serial.load(std::memory_order_relaxed) != serial) continue;
    Progress& progress = progress_[index];
    if (progress.serial != serial) progress = Progress{serial, 0};
    tick.counter = progress.counter;
    tickVoices_[count++] = tick;
  }
  return count;
}

// A voice of pitch base 128 at speed 1, 2 or 4 whose product does not wrap within the tick plays
// from a lane, which mixLanes mixes with the others of its group; any other voice is mixed at
// once, alone.
void Mixer::planVoice(TickVoice& voice, uint32_t frames) {
  VoiceParams p{voice.data, voice.end, voice.pitch, voice.pitchBase, voice.speed};
  uint32_t playable = 0;
  int shift = shiftForSpeed(p.speed);
  int& lanes = laneCounts_[voice.layout];
  if (shift < 0 || lanes >= kVoiceCount || !framesBeforeEnd(p, voice.counter, frames, playable)) {
    mixAlone(voice, frames);
    return;
  }
  // position << (32 - shift) puts product >> shift in the upper half; the product stays below
  // 2^32, so the 64-bit position never wraps.
  uint32_t product = voice.counter * p.pitch;
  lanes_[voice.layout][lanes++] =
      MixLane{p.data, uint64_t{product} << (32 - shift), uint64_t{p.pitch} << (32 - shift), playable};
  voice.counter += playable;
  voice.ended = playable < frames;
}

void Mixer::mixAlone(TickVoice& voice, uint32_t frames) {
  VoiceParams p{voice.data, voice.end, voice.pitch, voice.pitchBase, voice.speed};
  uint32_t& counter = voice.counter;
  bool& ended = voice.ended;
  switch (voice.layout) {
    case kMonoBytes: counter = addVoiceAlone<MonoBytes>(p, counter, monoSums_.data(), frames, ended); break;
    case kMonoWords: counter = addVoiceAlone<MonoWords>(p, counter, monoSums_.data(), frames, ended); break;
    case kStereoBytes: counter = addVoiceAlone<StereoBytes>(p, counter, sums_.data(), frames, ended); break;
    default: counter = addVoiceAlone<StereoWords>(p, counter, sums_.data(), frames, ended); break;
  }
}

void Mixer::mixLanes(uint32_t frames) {
  uint16_t* mono = monoSums_.data();
  uint16_t* stereo = sums_.data();
  addAllLanes<MonoBytes>(lanes_[kMonoBytes].data(), laneCounts_[kMonoBytes], mono, frames);
  addAllLanes<MonoWords>(lanes_[kMonoWords].data(), laneCounts_[kMonoWords], mono, frames);
  addAllLanes<StereoBytes>(lanes_[kStereoBytes].data(), laneCounts_[kStereoBytes], stereo, frames);
  addAllLanes<StereoWords>(lanes_[kStereoWords].data(), laneCounts_[kStereoWords], stereo, frames);
}

void Mixer::finishVoice(const TickVoice& voice) {
  progress_[voice.index].counter = voice.counter;
  // Free it only if nobody stopped and restarted it meanwhile with other data.
  const uint8_t* data = voice.data;
  if (voice.ended) voices_[voice.index].data.compare_exchange_strong(data, nullptr, std::memory_order_relaxed);
}

uint32_t spanBytes(uint32_t writePosition, uint32_t playCursor) {
  writePosition %= kBufferBytes;
  playCursor %= kBufferBytes;
  if (writePosition < playCursor) return playCursor - writePosition;
  return kBufferBytes - (writePosition - playCursor);
}

uint32_t writeAheadBytes(uint32_t writePosition, uint32_t playCursor, uint32_t writeCursor) {
  writePosition %= kBufferBytes;
  playCursor %= kBufferBytes;
  writeCursor %= kBufferBytes;
  uint32_t ahead = (writePosition + kBufferBytes - playCursor) % kBufferBytes;
  if (ahead == 0) ahead = kBufferBytes;
  uint32_t taken = (writeCursor + kBufferBytes - playCursor) % kBufferBytes;
  return ahead < taken ? ahead + kBufferBytes : ahead;
}

uint32_t outputBytesToMs(uint32_t bytes) {
  constexpr uint64_t kBytesPerSecond = uint64_t{kOutputRate} * 4;
  return static_cast<uint32_t>((uint64_t{bytes} * 1000 + kBytesPerSecond / 2) / kBytesPerSecond);
}

}  // namespace vellaro
