// The monophonic pitch estimator of the listener: McLeod's normalised squared difference function
// (NSDF) over one window, its autocorrelation taken through an FFT. Of the NSDF's key maxima (the
// highest point between each upward and downward zero crossing) the first that reaches 0.9 of the
// highest gives the period, refined by a parabola through its neighbours. That first-above-a-share
// rule is what keeps a note's octave below from winning on instruments with strong even harmonics.
#pragma once

#include <complex>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "sound/fft.h"

namespace vellaro {

struct PitchEstimate {
  float midi;     // fractional MIDI pitch, or -1 when no period stands out
  float clarity;  // the NSDF at the chosen period: near 1 for a clean tone, low for noise
};

class PitchEstimator {
 public:
  // window samples at sampleRate; periods between the given lowest and highest frequency are tried.
  // The power spectra of the last history windows given to estimate() are kept for estimateGrown().
  PitchEstimator(uint32_t sampleRate, size_t window, float lowestHz, float highestHz, size_t history = 0);
  // window must hold the window size of samples. Allocates nothing.
  PitchEstimate estimate(const float* window);
  // The pitch of the power that grew in the last window given to estimate() since the one back
  // windows before it (back < history), and in share the grown power against all of it: a note
  // swelling in while the last one fades is heard before it outweighs it.
  PitchEstimate estimateGrown(size_t back, float& share);
  // The pitch of what is new in window since before (two windows of the same size): the
  // autocorrelation of the power spectrum that grew, so that a note struck while the last one still
  // rings is heard rather than the mixture.
  PitchEstimate estimateNew(const float* window, const float* before);
  // The power at the first harmonics of midi in the window given to estimate() back windows before
  // the last (back < history), leaving out those that lie near a harmonic of avoid (-1: none).
  float harmonicPower(size_t back, float midi, float avoid) const;
  size_t window() const { return window_; }

 private:
  void powerSpectrum(const float* x, std::complex<float>* out);
  PitchEstimate pickPeriod() const;
  PitchEstimate pickFromAutocorrelation();
  void dropBelowLowest();
  float sampleRate_;
  float lowestHz_;
  float highestHz_;
  size_t window_;
  size_t shortestLag_;
  size_t longestLag_;
  Fft fft_;
  std::vector<std::complex<float>> spectrum_;
  std::vector<std::complex<float>> beforeSpectrum_;
  std::vector<float> nsdf_;
  size_t history_;
  std::vector<float> powers_;  // history power spectra (the lower half and Nyquist), a ring
  size_t estimates_ = 0;
};

}  // namespace vellaro
