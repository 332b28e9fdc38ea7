#include "sound/mixer.h"

#include <algorithm>
#include <cstring>

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

int32_t unsignedByte(const uint8_t* data, size_t index) { return (int32_t{data[index]} - 128) * 256; }

int32_t signedWord(const uint8_t* data, size_t index) {
  int16_t value;
  std::memcpy(&value, data + 2 * index, sizeof value);  // sample data is little-endian, as is x86
  return value;
}

// Adds a 16-bit left and right value to a pair of sums. With SSE2, one 64-bit store instead of two
// 32-bit ones: stores bound the hot loop.
inline void addStereoWords(const uint8_t* frame, int32_t* sums) {
#if defined(__SSE2__)
  int32_t bytes;
  std::memcpy(&bytes, frame, sizeof bytes);
  __m128i words = _mm_cvtsi32_si128(bytes);
  __m128i values = _mm_srai_epi32(_mm_unpacklo_epi16(words, words), 16);  // sign-extended left, right
  __m128i pair = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(sums));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(sums), _mm_add_epi32(pair, values));
#else
  sums[0] += signedWord(frame, 0);
  sums[1] += signedWord(frame, 1);
#endif
}

// Adds the sample frame at pos to output frame f. Mono voices add one value to the mono sums,
// which the end of the tick adds to both channels; other voices add a left and a right value.
template <bool kEightBit, bool kMono>
void addFrame(const uint8_t* data, uint32_t pos, int32_t* sums, size_t f) {
  if (kMono) {
    sums[f] += kEightBit ? unsignedByte(data, pos) : signedWord(data, pos);
  } else if (kEightBit) {
    sums[2 * f] += unsignedByte(data, 2 * size_t{pos});
    sums[2 * f + 1] += unsignedByte(data, 2 * size_t{pos} + 1);
  } else {
    addStereoWords(data + 4 * size_t{pos}, sums + 2 * f);
  }
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
template <bool kEightBit, bool kMono>
uint32_t addVoiceExactly(const VoiceParams& p, uint32_t counter, int32_t* sums, uint32_t frames, bool& ended) {
  for (uint32_t f = 0; f < frames; ++f) {
    uint32_t pos = positionOf(p, counter);
    if (pos >= p.end) {
      ended = true;
      return counter;
    }
    addFrame<kEightBit, kMono>(p.data, pos, sums, f);
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

// The hot loop: frames that are known to play, with the product stepped by one addition per frame
// instead of a multiplication, no end test, and a constant shift. Gives the positions of positionOf.
template <bool kEightBit, bool kMono, int kShift>
void addFramesShifted(const uint8_t* data, uint32_t product, uint32_t pitch, int32_t* sums, uint32_t frames) {
#pragma GCC unroll 4
  for (size_t f = 0; f < frames; ++f, product += pitch) addFrame<kEightBit, kMono>(data, product >> kShift, sums, f);
}

template <bool kEightBit, bool kMono>
void addFramesStepped(const VoiceParams& p, uint32_t counter, int32_t* sums, uint32_t frames) {
  uint32_t product = counter * p.pitch;
  switch (shiftForSpeed(p.speed)) {
    case 7: return addFramesShifted<kEightBit, kMono, 7>(p.data, product, p.pitch, sums, frames);
    case 8: return addFramesShifted<kEightBit, kMono, 8>(p.data, product, p.pitch, sums, frames);
    case 9: return addFramesShifted<kEightBit, kMono, 9>(p.data, product, p.pitch, sums, frames);
    default:
      for (size_t f = 0; f < frames; ++f, product += p.pitch) {
        addFrame<kEightBit, kMono>(p.data, ((product >> 7) * p.speed) >> 2, sums, f);
      }
  }
}

template <bool kEightBit, bool kMono>
uint32_t addVoice(const VoiceParams& p, uint32_t counter, int32_t* sums, uint32_t frames, bool& ended) {
  uint32_t playable = 0;
  if (!framesBeforeEnd(p, counter, frames, playable)) {
    return addVoiceExactly<kEightBit, kMono>(p, counter, sums, frames, ended);
  }
  addFramesStepped<kEightBit, kMono>(p, counter, sums, playable);
  ended = playable < frames;
  return counter + playable;
}

}  // namespace

uint32_t playableFrames(const SampleView& sample) {
  if (!sample.data || sample.groupFactor == 0) return 0;
  size_t bytesRead = size_t{sample.bitsFactor == 1 ? 1u : 2u} * (sample.channels == 1 ? 1u : 2u);
  size_t frames = std::min(sample.size / sample.groupFactor, sample.size / bytesRead);
  if (frames <= kTailFrames) return 0;
  return static_cast<uint32_t>(std::min<size_t>(frames - kTailFrames, UINT32_MAX));
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

void Mixer::mixFrames(int16_t* out, uint32_t frames) {
  frames = std::min(frames, kMixBufferFrames);
  std::fill(sums_.begin(), sums_.begin() + 2 * size_t{frames}, 0);
  std::fill(monoSums_.begin(), monoSums_.begin() + frames, 0);
  int count = collectVoices();
  // Span by span, every voice: the sample data that voices of one instrument share is read while
  // it is still in the cache. The sums do not depend on the order of the additions.
  for (uint32_t start = 0; start < frames; start += kSpanFrames) {
    uint32_t length = std::min(kSpanFrames, frames - start);
    for (int i = 0; i < count; ++i) mixSpan(tickVoices_[i], start, length);
  }
  for (int i = 0; i < count; ++i) finishVoice(tickVoices_[i]);
  // No clipping and no scaling: the low 16 bits of each sum are stored, so loud sums wrap around.
  for (size_t f = 0; f < frames; ++f) {
    out[2 * f] = static_cast<int16_t>(static_cast<uint16_t>(sums_[2 * f] + monoSums_[f]));
    out[2 * f + 1] = static_cast<int16_t>(static_cast<uint16_t>(sums_[2 * f + 1] + monoSums_[f]));
  }
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
                   voice.bitsFactor.load(std::memory_order_relaxed) == 1,
                   voice.channels.load(std::memory_order_relaxed) == 1, false, index, 0};
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

void Mixer::mixSpan(TickVoice& voice, uint32_t start, uint32_t frames) {
  if (voice.ended) return;
  VoiceParams p{voice.data, voice.end, voice.pitch, voice.pitchBase, voice.speed};
  uint32_t& counter = voice.counter;
  bool& ended = voice.ended;
  if (voice.mono) {
    int32_t* sums = monoSums_.data() + start;
    counter = voice.eightBit ? addVoice<true, true>(p, counter, sums, frames, ended)
                             : addVoice<false, true>(p, counter, sums, frames, ended);
  } else {
    int32_t* sums = sums_.data() + 2 * size_t{start};
    counter = voice.eightBit ? addVoice<true, false>(p, counter, sums, frames, ended)
                             : addVoice<false, false>(p, counter, sums, frames, ended);
  }
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

}  // namespace vellaro
