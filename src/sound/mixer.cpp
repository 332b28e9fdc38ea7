#include "sound/mixer.h"

#include <algorithm>
#include <cstring>
#include <functional>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "sound/interpolation.h"
#include "sound/pitch_table.h"

namespace vellaro {
namespace {

// A voice claimed by a starting thread whose fields are not written yet: busy, but not mixed.
const uint8_t kClaimedMarker = 0;
const uint8_t* const kClaimed = &kClaimedMarker;

size_t frameOf(uint64_t position) { return static_cast<size_t>(position >> 32); }

const int16_t* monoWeightsOf(uint64_t position) { return kMonoWeights[interpolationPhase(position)].w; }

int32_t byteValue(const uint8_t* data, size_t index) { return (int32_t{data[index]} - 128) * 256; }

// The weighted sum of four samples, stride samples apart, from the one at first, as two floored
// halves (interpolation.h).
template <int32_t (*Value)(const uint8_t*, size_t)>
int32_t interpolate(const uint8_t* first, size_t stride, const int16_t* w) {
  int32_t nearHalf = Value(first, 0) * w[0] + Value(first, stride) * w[1];
  int32_t farHalf = Value(first, 2 * stride) * w[2] + Value(first, 3 * stride) * w[3];
  return (nearHalf >> kWeightBits) + (farHalf >> kWeightBits);
}

// The frame before the one at position: where a voice's four frames begin.
template <size_t kFrameBytes>
const uint8_t* frameBefore(const uint8_t* data, uint64_t position) {
  return data + kFrameBytes * frameOf(position) - kFrameBytes;
}

// The sample layouts. For each: Frame, a voice's value at a position (mono: one value for both
// channels) or a sum of several; read, the value at a position, interpolated from the frame before
// it to the second after it; add, the sum of two; addTo, adding one to the sums of an output
// frame; kStride, the sums per output frame; kFrameBytes, the bytes of a sample frame.
struct MonoBytes {
  static constexpr size_t kStride = 1;
  static constexpr size_t kFrameBytes = 1;
  using Frame = int32_t;
  static Frame read(const uint8_t* data, uint64_t position) {
    return interpolate<byteValue>(frameBefore<kFrameBytes>(data, position), 1, monoWeightsOf(position));
  }
  static Frame add(Frame a, Frame b) { return a + b; }
  static void addTo(int32_t* sums, Frame frame) { sums[0] += frame; }
};

struct StereoBytes {
  static constexpr size_t kStride = 2;
  static constexpr size_t kFrameBytes = 2;
  struct Frame {
    int32_t left;
    int32_t right;
  };
  static Frame read(const uint8_t* data, uint64_t position) {
    const uint8_t* first = frameBefore<kFrameBytes>(data, position);
    const int16_t* w = monoWeightsOf(position);
    return {interpolate<byteValue>(first, 2, w), interpolate<byteValue>(first + 1, 2, w)};
  }
  static Frame add(Frame a, Frame b) { return {a.left + b.left, a.right + b.right}; }
  static void addTo(int32_t* sums, Frame frame) {
    sums[0] += frame.left;
    sums[1] += frame.right;
  }
};

#if defined(__SSE2__)
// 16-bit frames are weighed by multiply-adds, whose pairs of products are the two halves of a
// voice's value. A frame holds the halves unfolded: voices add them as they are, and the output
// frame folds them once. Four mono samples are one 64-bit load; four stereo frames one 128-bit
// load, put in the order of the stereo weights by two shuffles.
struct MonoWords {
  static constexpr size_t kStride = 1;
  static constexpr size_t kFrameBytes = 2;
  using Frame = __m128i;  // near half, far half
  static Frame read(const uint8_t* data, uint64_t position) {
    __m128i samples = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(frameBefore<kFrameBytes>(data, position)));
    __m128i weights = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(monoWeightsOf(position)));
    return _mm_srai_epi32(_mm_madd_epi16(samples, weights), kWeightBits);
  }
  static Frame add(Frame a, Frame b) { return _mm_add_epi32(a, b); }
  static void addTo(int32_t* sums, Frame frame) { sums[0] += _mm_cvtsi128_si32(_mm_add_epi32(frame, _mm_srli_si128(frame, 4))); }
};

struct StereoWords {
  static constexpr size_t kStride = 2;
  static constexpr size_t kFrameBytes = 4;
  using Frame = __m128i;  // near left, near right, far left, far right
  static Frame read(const uint8_t* data, uint64_t position) {
    __m128i frames = _mm_loadu_si128(reinterpret_cast<const __m128i*>(frameBefore<kFrameBytes>(data, position)));
    __m128i pairs = _mm_shufflehi_epi16(_mm_shufflelo_epi16(frames, _MM_SHUFFLE(3, 1, 2, 0)), _MM_SHUFFLE(3, 1, 2, 0));
    __m128i weights = _mm_load_si128(reinterpret_cast<const __m128i*>(kStereoWeights[interpolationPhase(position)].w));
    return _mm_srai_epi32(_mm_madd_epi16(pairs, weights), kWeightBits);
  }
  static Frame add(Frame a, Frame b) { return _mm_add_epi32(a, b); }
  static void addTo(int32_t* sums, Frame frame) {
    auto* at = reinterpret_cast<__m128i*>(sums);
    __m128i folded = _mm_add_epi32(frame, _mm_srli_si128(frame, 8));
    _mm_storel_epi64(at, _mm_add_epi32(_mm_loadl_epi64(at), folded));
  }
};
#else
int32_t wordValue(const uint8_t* data, size_t index) {
  int16_t value;
  std::memcpy(&value, data + 2 * index, sizeof value);  // sample data is little-endian
  return value;
}

struct MonoWords : MonoBytes {
  static constexpr size_t kFrameBytes = 2;
  static Frame read(const uint8_t* data, uint64_t position) {
    return interpolate<wordValue>(frameBefore<kFrameBytes>(data, position), 1, monoWeightsOf(position));
  }
};

struct StereoWords : StereoBytes {
  static constexpr size_t kFrameBytes = 4;
  static Frame read(const uint8_t* data, uint64_t position) {
    const uint8_t* first = frameBefore<kFrameBytes>(data, position);
    const int16_t* w = monoWeightsOf(position);
    return {interpolate<wordValue>(first, 2, w), interpolate<wordValue>(first + 2, 2, w)};
  }
};
#endif

// The frames of a voice that lie before its second sample frame, where the interpolation wants a
// frame before the first: the sample is read as if silence came before it.
template <class Format>
void addLeadFrames(const uint8_t* data, uint64_t position, uint64_t step, int32_t* sums, uint32_t frames,
                   uint8_t silence) {
  uint8_t window[4 * Format::kFrameBytes];
  std::memset(window, silence, Format::kFrameBytes);
  std::memcpy(window + Format::kFrameBytes, data, 3 * Format::kFrameBytes);
  for (uint32_t f = 0; f < frames; ++f, position += step) {
    Format::addTo(sums + Format::kStride * f, Format::read(window + Format::kFrameBytes, position));
  }
}

// The hot loop: N lanes of one layout at once, so that the sums of an output frame are read and
// written once for N voices instead of N times. The position's upper half is the sample frame,
// its lower half the fraction towards the next. The lanes advance by the frames played.
template <class Format, int N>
void addLanes(MixLane* lanes, int32_t* sums, uint32_t frames) {
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
    typename Format::Frame total = Format::read(data[0], position[0]);
    position[0] += step[0];
    for (int n = 1; n < N; ++n) {
      total = Format::add(total, Format::read(data[n], position[n]));
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
void addGroup(MixLane* lanes, int32_t* sums, uint32_t length) {
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
void addAllLanes(MixLane* lanes, int count, int32_t* sums, uint32_t length) {
  int first = 0;
  for (; count - first >= 4; first += 4) addGroup<Format, 4>(lanes + first, sums, length);
  switch (count - first) {
    case 3: return addGroup<Format, 3>(lanes + first, sums, length);
    case 2: return addGroup<Format, 2>(lanes + first, sums, length);
    case 1: return addGroup<Format, 1>(lanes + first, sums, length);
    default: return;
  }
}

// A voice whose first frames of this tick lie before its second sample frame: those frames from a
// window that puts silence before the sample, the rest alone, as a lane would play them.
template <class Format>
void addVoiceStart(const MixLane& lane, uint32_t lead, int32_t* sums, uint8_t silence) {
  addLeadFrames<Format>(lane.data, lane.position, lane.step, sums, lead, silence);
  MixLane rest{lane.data, lane.position + lead * lane.step, lane.step, lane.frames - lead};
  if (rest.frames > 0) addLanes<Format, 1>(&rest, sums + Format::kStride * lead, rest.frames);
}

// One voice alone, as a tick would mix it: its frames before the second sample frame from a
// window with silence before the sample, the rest as a lane.
template <class Format>
void addVoice(const MixLane& lane, int32_t* sums, uint8_t silence) {
  constexpr uint64_t kOneFrame = uint64_t{1} << 32;
  if (lane.frames == 0) return;
  if (lane.position >= kOneFrame) {
    MixLane copy = lane;
    return addLanes<Format, 1>(&copy, sums, copy.frames);
  }
  uint64_t lead = std::min<uint64_t>(lane.frames, (kOneFrame - lane.position - 1) / lane.step + 1);
  addVoiceStart<Format>(lane, static_cast<uint32_t>(lead), sums, silence);
}

// Adds sums to interleaved left/right frames, held at the rails: stride 1 adds one sum to both
// sides, stride 2 a sum to each.
void addClamped(const int32_t* sums, size_t stride, int16_t* out, uint32_t frames) {
  for (size_t f = 0; f < frames; ++f) {
    int32_t left = sums[stride * f];
    int32_t right = sums[stride * f + stride - 1];
    out[2 * f] = static_cast<int16_t>(std::clamp<int32_t>(out[2 * f] + left, INT16_MIN, INT16_MAX));
    out[2 * f + 1] = static_cast<int16_t>(std::clamp<int32_t>(out[2 * f + 1] + right, INT16_MIN, INT16_MAX));
  }
}

// A handoff word: the voice's index in the top 6 bits, its serial in the next 16, the frame in the
// lower 42.
uint64_t handoffWord(int index, uint32_t serial, uint64_t frame) {
  return uint64_t(index) << 58 | uint64_t{serial & 0xFFFFu} << 42 | (frame & Mixer::kHandoffOpen);
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

// The table's step is sample frames << 16 at the output rate; a sample of SpeedFactor s (its rate
// / 11025) is read s / 4 times as fast, and the pitch base scales it by 128 / base. Together
// << (32 - 16) * s / 4 * 128 / base = << 21 * s / base: exact for the rates the bank keeps
// (11025, 22050 and 44100 Hz) at base 128.
uint64_t voiceStep(uint16_t note, uint8_t speedFactor, uint16_t pitchBase) {
  if (note >= kPitchTableSize || pitchBase == 0) return 0;
  uint64_t speed = speedFactor ? speedFactor : 1;  // below 11025 Hz: as slow as 11025
  return (uint64_t{kPitchTable[note]} * speed << 21) / pitchBase;
}

// The voice ends at the first output frame whose position reaches end << 32.
uint32_t voiceFrames(const SampleView& sample, uint16_t note) {
  uint64_t end = playableFrames(sample);
  uint64_t step = voiceStep(note, sample.speedFactor, sample.pitchBase);
  if (end == 0 || step == 0) return 0;
  uint64_t frames = ((end << 32) - 1) / step + 1;
  return static_cast<uint32_t>(std::min<uint64_t>(frames, UINT32_MAX));
}

Mixer::Mixer() : sums_(2 * size_t{kMixBufferFrames}, 0), monoSums_(kMixBufferFrames, 0) {}

int Mixer::startVoice(const SampleView& sample, uint16_t note, uint16_t tag, uint8_t /*velocity*/) {
  uint64_t step = voiceStep(note, sample.speedFactor, sample.pitchBase);
  uint32_t end = playableFrames(sample);
  if (!sample.data || step == 0 || end == 0) return 0;
  claimVoice(sample, note, tag, step, end, kNotLive);
  return 1;  // also when all voices are busy and the note is dropped
}

int Mixer::startLiveVoice(const SampleView& sample, uint16_t note, uint16_t tag, uint64_t startFrame,
                          LiveVoice* live) {
  *live = LiveVoice{};
  uint64_t step = voiceStep(note, sample.speedFactor, sample.pitchBase);
  uint32_t end = playableFrames(sample);
  if (!sample.data || step == 0 || end == 0) return 0;
  int index = claimVoice(sample, note, tag, step, end, startFrame);
  if (index < 0) return 1;
  const Voice& voice = voices_[static_cast<size_t>(index)];
  *live = LiveVoice{index,
                    voice.serial.load(std::memory_order_relaxed),
                    sample.data,
                    step,
                    end,
                    static_cast<uint8_t>(voice.layout.load(std::memory_order_relaxed)),
                    startFrame};
  return 1;
}

int Mixer::claimVoice(const SampleView& sample, uint16_t note, uint16_t tag, uint64_t step, uint32_t end,
                      uint64_t liveStart) {
  for (int index = 0; index < kVoiceCount; ++index) {
    Voice& voice = voices_[static_cast<size_t>(index)];
    const uint8_t* expected = nullptr;
    if (!voice.data.compare_exchange_strong(expected, kClaimed, std::memory_order_acquire)) continue;
    uint32_t serial = voice.serial.fetch_add(1, std::memory_order_relaxed) + 1;
    std::atomic_thread_fence(std::memory_order_release);
    voice.end.store(end, std::memory_order_relaxed);
    voice.step.store(step, std::memory_order_relaxed);
    voice.note.store(note, std::memory_order_relaxed);
    voice.tag.store(tag, std::memory_order_relaxed);
    voice.layout.store(layoutOf(sample.channels == 1, sample.bitsFactor == 1), std::memory_order_relaxed);
    voice.liveStart.store(liveStart, std::memory_order_relaxed);
    if (liveStart != kNotLive) liveHandoff_.store(handoffWord(index, serial, kHandoffOpen), std::memory_order_relaxed);
    // Now the mixer sees it. A key's voice must be seen by any tick that starts after this store,
    // or that tick's start be seen by the thread that mixes the voice's first frames: both sides
    // order their store before their load (output_loop.cpp).
    voice.data.store(sample.data, liveStart == kNotLive ? std::memory_order_release : std::memory_order_seq_cst);
    return index;
  }
  return -1;
}

int Mixer::stopVoice(const SampleView& sample, uint16_t note, uint16_t tag) {
  if (!sample.data || note >= kPitchTableSize) return 0;
  for (Voice& voice : voices_) {
    const uint8_t* data = voice.data.load(std::memory_order_acquire);
    if (data != sample.data || voice.tag.load(std::memory_order_relaxed) != tag ||
        voice.note.load(std::memory_order_relaxed) != note) {
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

void Mixer::mixFrames(int16_t* out, uint32_t frames, uint64_t firstFrame) {
  frames = std::min(frames, kMixBufferFrames);
  std::fill(sums_.begin(), sums_.begin() + 2 * size_t{frames}, 0);
  std::fill(monoSums_.begin(), monoSums_.begin() + frames, 0);
  int count = collectVoices(firstFrame);
  laneCounts_.fill(0);
  for (int i = 0; i < count; ++i) planVoice(tickVoices_[i], frames);
  for (int layout = 0; layout < kLayoutCount; ++layout) groupNeighbours(lanes_[layout].data(), laneCounts_[layout]);
  // Each group of lanes plays the whole tick before the next group starts: a few streams through
  // the sample data at a time, which the processor's prefetcher follows, while the tick's sums
  // (37 KB) stay in the near caches. Sixty streams read side by side, span by span, outrun the
  // prefetcher and wait for memory.
  mixLanes(frames);
  for (int i = 0; i < count; ++i) finishVoice(tickVoices_[i]);
  storeClamped(out, frames);
}

void Mixer::skipFrames(uint32_t frames, uint64_t firstFrame) {
  int count = collectVoices(firstFrame);
  for (int i = 0; i < count; ++i) {
    advanceVoice(tickVoices_[i], frames);
    finishVoice(tickVoices_[i]);
  }
}

void Mixer::addLiveFrames(const LiveVoice& live, uint64_t firstFrame, int16_t* out, uint32_t frames) const {
  constexpr uint32_t kChunk = 256;
  constexpr uint8_t kByteSilence = 128;
  if (live.index < 0 || firstFrame < live.startFrame) return;
  uint64_t endPosition = uint64_t{live.end} << 32;
  uint64_t position = std::min<uint64_t>(firstFrame - live.startFrame, UINT32_MAX) * live.step;
  int32_t sums[2 * kChunk];
  for (uint32_t done = 0; done < frames && position < endPosition;) {
    uint64_t untilEnd = (endPosition - position - 1) / live.step + 1;
    auto length = static_cast<uint32_t>(std::min<uint64_t>({untilEnd, kChunk, frames - done}));
    MixLane lane{live.data, position, live.step, length};
    std::fill(sums, sums + 2 * kChunk, 0);
    switch (live.layout) {
      case kMonoBytes: addVoice<MonoBytes>(lane, sums, kByteSilence); break;
      case kMonoWords: addVoice<MonoWords>(lane, sums, 0); break;
      case kStereoBytes: addVoice<StereoBytes>(lane, sums, kByteSilence); break;
      default: addVoice<StereoWords>(lane, sums, 0); break;
    }
    bool mono = live.layout == kMonoBytes || live.layout == kMonoWords;
    addClamped(sums, mono ? 1 : 2, out + 2 * size_t{done}, length);
    done += length;
    position += uint64_t{length} * live.step;
  }
}

uint64_t Mixer::handoffFrame() const { return liveHandoff_.load(std::memory_order_acquire) & kHandoffOpen; }

uint64_t Mixer::handOff(const LiveVoice& live, uint64_t frame) {
  uint64_t open = handoffWord(live.index, live.serial, kHandoffOpen);
  liveHandoff_.compare_exchange_strong(open, handoffWord(live.index, live.serial, frame), std::memory_order_acq_rel);
  return handoffFrame();
}

// The sums are whole 32-bit integers (60 voices cannot overflow them); each output sample is its
// sum held at the rails of 16 bits, so loud chords flatten instead of wrapping to the other sign.
void Mixer::storeClamped(int16_t* out, uint32_t frames) const {
  for (size_t f = 0; f < frames; ++f) {
    int32_t mono = monoSums_[f];
    out[2 * f] = static_cast<int16_t>(std::clamp<int32_t>(sums_[2 * f] + mono, INT16_MIN, INT16_MAX));
    out[2 * f + 1] = static_cast<int16_t>(std::clamp<int32_t>(sums_[2 * f + 1] + mono, INT16_MIN, INT16_MAX));
  }
}

Mixer::Layout Mixer::layoutOf(bool mono, bool eightBit) {
  if (mono) return eightBit ? kMonoBytes : kMonoWords;
  return eightBit ? kStereoBytes : kStereoWords;
}

int Mixer::collectVoices(uint64_t firstFrame) {
  int count = 0;
  for (int index = 0; index < kVoiceCount; ++index) {
    Voice& voice = voices_[index];
    uint32_t serial = voice.serial.load(std::memory_order_acquire);
    const uint8_t* data = voice.data.load(std::memory_order_seq_cst);
    if (!data || data == kClaimed) continue;
    TickVoice tick{data, voice.end.load(std::memory_order_relaxed), voice.step.load(std::memory_order_relaxed),
                   voice.layout.load(std::memory_order_relaxed), voice.liveStart.load(std::memory_order_relaxed),
                   false, index, 0};
    std::atomic_thread_fence(std::memory_order_acquire);
    // Restarted by another thread while its fields were read: it is picked up at the next tick.
    if (voice.serial.load(std::memory_order_relaxed) != serial) continue;
    Progress& progress = progress_[index];
    if (progress.serial != serial) progress = Progress{serial, firstPosition(tick, serial, firstFrame)};
    tick.position = progress.position;
    tickVoices_[count++] = tick;
  }
  return count;
}

// A key's voice whose first frames were mixed before this tick (or are being mixed now by the
// thread that started it) goes on from the frame where those end: this tick claims it at its own
// first frame, unless the starting thread has handed it off there already (or it is an earlier
// key's voice, handed off before).
uint64_t Mixer::firstPosition(const TickVoice& tick, uint32_t serial, uint64_t firstFrame) {
  if (tick.liveStart == kNotLive) return 0;
  uint64_t open = handoffWord(tick.index, serial, kHandoffOpen);
  liveHandoff_.compare_exchange_strong(open, handoffWord(tick.index, serial, firstFrame), std::memory_order_acq_rel);
  if (firstFrame <= tick.liveStart) return 0;
  uint64_t endPosition = uint64_t{tick.end} << 32;
  uint64_t played = std::min<uint64_t>(firstFrame - tick.liveStart, UINT32_MAX);
  return played >= (endPosition - 1) / tick.step + 1 ? endPosition : played * tick.step;
}

// Every voice plays from a lane: the frames of this tick before its position reaches its end. A
// voice that reaches it just as the tick ends is freed by the next tick, which plays none of it
// (voiceFrames counts on that); its position is held at the end meanwhile. A voice that starts
// inside its first sample frame is mixed at once instead, with silence before the sample.
uint32_t Mixer::advanceVoice(TickVoice& voice, uint32_t frames) {
  uint64_t endPosition = uint64_t{voice.end} << 32;
  uint64_t untilEnd = voice.position < endPosition ? (endPosition - voice.position - 1) / voice.step + 1 : 0;
  auto playable = static_cast<uint32_t>(std::min<uint64_t>(untilEnd, frames));
  voice.ended = playable < frames;
  voice.position = untilEnd <= frames ? endPosition : voice.position + uint64_t{playable} * voice.step;
  return playable;
}

void Mixer::planVoice(TickVoice& voice, uint32_t frames) {
  constexpr uint64_t kOneFrame = uint64_t{1} << 32;
  uint64_t position = voice.position;
  uint32_t playable = advanceVoice(voice, frames);
  MixLane lane{voice.data, position, voice.step, playable};
  if (playable > 0 && position < kOneFrame) {
    mixStart(voice.layout, lane, static_cast<uint32_t>(std::min<uint64_t>(playable, (kOneFrame - position - 1) / voice.step + 1)));
  } else if (playable > 0) {
    lanes_[voice.layout][laneCounts_[voice.layout]++] = lane;
  }
}

void Mixer::mixStart(Layout layout, const MixLane& lane, uint32_t lead) {
  constexpr uint8_t kByteSilence = 128;
  switch (layout) {
    case kMonoBytes: return addVoiceStart<MonoBytes>(lane, lead, monoSums_.data(), kByteSilence);
    case kMonoWords: return addVoiceStart<MonoWords>(lane, lead, monoSums_.data(), 0);
    case kStereoBytes: return addVoiceStart<StereoBytes>(lane, lead, sums_.data(), kByteSilence);
    default: return addVoiceStart<StereoWords>(lane, lead, sums_.data(), 0);
  }
}

void Mixer::mixLanes(uint32_t frames) {
  int32_t* mono = monoSums_.data();
  int32_t* stereo = sums_.data();
  addAllLanes<MonoBytes>(lanes_[kMonoBytes].data(), laneCounts_[kMonoBytes], mono, frames);
  addAllLanes<MonoWords>(lanes_[kMonoWords].data(), laneCounts_[kMonoWords], mono, frames);
  addAllLanes<StereoBytes>(lanes_[kStereoBytes].data(), laneCounts_[kStereoBytes], stereo, frames);
  addAllLanes<StereoWords>(lanes_[kStereoWords].data(), laneCounts_[kStereoWords], stereo, frames);
}

void Mixer::finishVoice(const TickVoice& voice) {
  progress_[voice.index].position = voice.position;
  // Free it only if nobody stopped and restarted it meanwhile with other data.
  const uint8_t* data = voice.data;
  if (voice.ended) voices_[voice.index].data.compare_exchange_strong(data, nullptr, std::memory_order_relaxed);
}

}  // namespace vellaro
