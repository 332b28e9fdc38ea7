#include "sound/mixer.h"

#include <algorithm>
#include <cstring>

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

// Adds one voice's frames to the sums and returns its new counter; ended tells that the voice
// reached its end frame, which it does not play and does not count.
template <bool kEightBit, bool kMono>
uint32_t addVoice(const VoiceParams& p, uint32_t counter, int32_t* sums, uint32_t frames, bool& ended) {
  for (uint32_t f = 0; f < frames; ++f) {
    uint32_t product = counter * p.pitch;  // modulo 2^32, as the position rule wants it
    uint32_t scaled = p.pitchBase == 128 ? product >> 7 : product / p.pitchBase;
    uint32_t pos = scaled * p.speed / 4;
    if (pos >= p.end) {
      ended = true;
      return counter;
    }
    int32_t left;
    int32_t right;
    if (kEightBit) {
      left = kMono ? unsignedByte(p.data, pos) : unsignedByte(p.data, 2 * size_t{pos});
      right = kMono ? left : unsignedByte(p.data, 2 * size_t{pos} + 1);
    } else {
      left = kMono ? signedWord(p.data, pos) : signedWord(p.data, 2 * size_t{pos});
      right = kMono ? left : signedWord(p.data, 2 * size_t{pos} + 1);
    }
    sums[2 * f] += left;
    sums[2 * f + 1] += right;
    ++counter;
  }
  return counter;
}

}  // namespace

uint32_t playableFrames(const SampleView& sample) {
  if (!sample.data || sample.groupFactor == 0) return 0;
  size_t bytesRead = size_t{sample.bitsFactor == 1 ? 1u : 2u} * (sample.channels == 1 ? 1u : 2u);
  size_t frames = std::min(sample.size / sample.groupFactor, sample.size / bytesRead);
  if (frames <= kTailFrames) return 0;
  return static_cast<uint32_t>(std::min<size_t>(frames - kTailFrames, UINT32_MAX));
}

Mixer::Mixer() : sums_(2 * size_t{kMixBufferFrames}, 0) {}

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
  for (int i = 0; i < kVoiceCount; ++i) mixVoice(i, frames);
  // No clipping and no scaling: the low 16 bits of each sum are stored, so loud sums wrap around.
  for (size_t i = 0; i < 2 * size_t{frames}; ++i) {
    out[i] = static_cast<int16_t>(static_cast<uint16_t>(sums_[i]));
  }
}

void Mixer::mixVoice(int index, uint32_t frames) {
  Voice& voice = voices_[index];
  uint32_t serial = voice.serial.load(std::memory_order_acquire);
  const uint8_t* data = voice.data.load(std::memory_order_acquire);
  if (!data || data == kClaimed) return;
  VoiceParams p{data, voice.end.load(std::memory_order_relaxed), voice.pitch.load(std::memory_order_relaxed),
                voice.pitchBase.load(std::memory_order_relaxed), voice.speedFactor.load(std::memory_order_relaxed)};
  bool eightBit = voice.bitsFactor.load(std::memory_order_relaxed) == 1;
  bool mono = voice.channels.load(std::memory_order_relaxed) == 1;
  std::atomic_thread_fence(std::memory_order_acquire);
  // Restarted by another thread while its fields were read: it is picked up at the next tick.
  if (voice.serial.load(std::memory_order_relaxed) != serial) return;

  Progress& progress = progress_[index];
  if (progress.serial != serial) progress = Progress{serial, 0};
  int32_t* sums = sums_.data();
  bool ended = false;
  if (eightBit) {
    progress.counter = mono ? addVoice<true, true>(p, progress.counter, sums, frames, ended)
                            : addVoice<true, false>(p, progress.counter, sums, frames, ended);
  } else {
    progress.counter = mono ? addVoice<false, true>(p, progress.counter, sums, frames, ended)
                            : addVoice<false, false>(p, progress.counter, sums, frames, ended);
  }
  // Free it only if nobody stopped and restarted it meanwhile with other data.
  if (ended) voice.data.compare_exchange_strong(data, nullptr, std::memory_order_relaxed);
}

uint32_t spanBytes(uint32_t writePosition, uint32_t playCursor) {
  writePosition %= kBufferBytes;
  playCursor %= kBufferBytes;
  if (writePosition < playCursor) return playCursor - writePosition;
  return kBufferBytes - (writePosition - playCursor);
}

}  // namespace vellaro
