// The PitchTable: how far a voice steps through its sample per output frame at each note 0 to 71,
// as 16.16 fixed point at a sample rate equal to the output rate. Note 24 plays a sample at its
// recorded pitch (exactly 1.0); 12 notes are an octave. The steps are equal temperament,
// 2^((n - 24) / 12) rounded to 16 fractional bits (within 0.06 cent of it), computed at compile
// time. The octaves of note 24 are exact powers of two, so such a voice reads whole frames.
#pragma once

#include <array>
#include <cstdint>

namespace vellaro {

constexpr int kPitchTableSize = 72;
constexpr int kRecordedPitchNote = 24;
constexpr uint32_t kUnitStep = 1u << 16;  // one sample frame per output frame

namespace pitch_detail {

// x^12 by squaring.
constexpr double power12(double x) {
  double x2 = x * x;
  double x4 = x2 * x2;
  return x4 * x4 * x4;
}

// 2^(k/12) for k = 0 to 11: the root of x^12 = 2^k by Newton's method, from above, where it falls
// monotonically; it stops when a step no longer lowers x.
constexpr double semitoneRatio(int k) {
  double target = static_cast<double>(1u << k);
  double x = 2.0;
  for (int i = 0; i < 100; ++i) {
    double next = x - (power12(x) - target) / (12.0 * power12(x) / x);
    if (next >= x) break;
    x = next;
  }
  return x;
}

constexpr std::array<uint32_t, kPitchTableSize> makeSteps() {
  std::array<uint32_t, kPitchTableSize> steps{};
  for (int note = 0; note < kPitchTableSize; ++note) {
    // Octave 2 holds notes 24 to 35; each octave below halves the step, each above doubles it.
    int octave = note / 12;
    double scale = static_cast<double>(kUnitStep) * semitoneRatio(note % 12);
    for (int o = octave; o < 2; ++o) scale /= 2.0;
    for (int o = 2; o < octave; ++o) scale *= 2.0;
    steps[static_cast<size_t>(note)] = static_cast<uint32_t>(scale + 0.5);
  }
  return steps;
}

}  // namespace pitch_detail

constexpr std::array<uint32_t, kPitchTableSize> kPitchTable = pitch_detail::makeSteps();

static_assert(kPitchTable[kRecordedPitchNote] == kUnitStep, "note 24 plays the sample at its own rate");
static_assert(kPitchTable[0] == kUnitStep / 4 && kPitchTable[12] == kUnitStep / 2 && kPitchTable[36] == 2 * kUnitStep &&
                  kPitchTable[48] == 4 * kUnitStep && kPitchTable[60] == 8 * kUnitStep,
              "the octaves of note 24 are exact");

}  // namespace vellaro
