// The onset function of the listener: spectral flux on a log-compressed magnitude spectrum, each bin
// compared with the loudest of its neighbours two hops earlier (a vibrato moving a partial by a bin
// then adds nothing), and the online peak picker that turns it into onsets.
#pragma once

#include <complex>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "sound/fft.h"

namespace vellaro {

class OnsetDetector {
 public:
  // frame samples (a power of two) at sampleRate, one hop apart.
  OnsetDetector(uint32_t sampleRate, size_t frame, size_t hop);
  // Takes the next frame (frame samples, the newest last) and returns true when the frame one hop
  // before it is an onset: a local peak of the flux above the running threshold, far enough from
  // the last onset. Allocates nothing.
  bool push(const float* frame);
  // The last onset's flux against the threshold it passed (1: just at it).
  float lastStrength() const { return strength_; }
  // Hops from the onset candidate back to the start of its rise: the oldest hop, at most maxHops
  // back, whose flux still stands above share of the peak with no dip between.
  size_t riseHops(float share, size_t maxHops) const;

 private:
  float flux(const float* frame);
  static constexpr size_t kHistory = 16;  // flux values kept for the threshold
  static constexpr size_t kLag = 2;       // hops between the spectra compared
  Fft fft_;
  size_t lowBin_;
  size_t highBin_;
  size_t minimumGap_;  // hops between onsets
  std::vector<float> window_;
  std::vector<std::complex<float>> spectrum_;
  std::vector<float> logMagnitudes_;  // kLag + 1 spectra, the newest at (count_ % (kLag + 1))
  float flux_[kHistory] = {};
  size_t count_ = 0;
  size_t lastOnset_ = 0;
  bool anyOnset_ = false;
  float strength_ = 0.0f;
};

}  // namespace vellaro
