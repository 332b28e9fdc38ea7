#include "sound/pitch_estimator.h"

#include <algorithm>
#include <cmath>

namespace vellaro {
namespace {

constexpr float kShareOfHighest = 0.9f;

size_t powerOfTwoAtLeast(size_t n) {
  size_t p = 2;
  while (p < n) p *= 2;
  return p;
}

// The fractional position of the top of a parabola through three equally spaced points around i.
float parabolicPeak(const float* y, size_t i) {
  float denominator = y[i - 1] - 2.0f * y[i] + y[i + 1];
  if (std::fabs(denominator) < 1e-12f) return static_cast<float>(i);
  float shift = 0.5f * (y[i - 1] - y[i + 1]) / denominator;
  return static_cast<float>(i) + std::clamp(shift, -0.5f, 0.5f);
}

}  // namespace

PitchEstimator::PitchEstimator(uint32_t sampleRate, size_t window, float lowestHz, float highestHz)
    : sampleRate_(static_cast<float>(sampleRate)),
      window_(window),
      shortestLag_(std::max<size_t>(2, static_cast<size_t>(sampleRate_ / highestHz))),
      longestLag_(std::min(window * 3 / 4, static_cast<size_t>(sampleRate_ / lowestHz) + 1)),
      fft_(powerOfTwoAtLeast(2 * window)),
      spectrum_(fft_.size()),
      beforeSpectrum_(fft_.size()),
      nsdf_(longestLag_ + 2) {}

PitchEstimate PitchEstimator::estimate(const float* x) {
  const PitchEstimate unvoiced{-1.0f, 0.0f};
  float mean = 0.0f;
  for (size_t i = 0; i < window_; ++i) mean += x[i];
  mean /= static_cast<float>(window_);
  float energy = 0.0f;
  for (size_t i = 0; i < window_; ++i) {
    float v = x[i] - mean;
    spectrum_[i] = {v, 0.0f};
    energy += v * v;
  }
  if (energy < 1e-9f) return unvoiced;
  std::fill(spectrum_.begin() + static_cast<std::ptrdiff_t>(window_), spectrum_.end(), std::complex<float>{});
  fft_.forward(spectrum_.data());
  for (auto& bin : spectrum_) bin = {std::norm(bin), 0.0f};
  fft_.inverse(spectrum_.data());

  // m(lag) = sum of x[j]^2 + x[j+lag]^2 over the overlap, shrunk by one sample at each end per lag.
  const float scale = 1.0f / static_cast<float>(fft_.size());
  float m = 2.0f * energy;
  const size_t lags = longestLag_ + 2;
  for (size_t lag = 0; lag < lags; ++lag) {
    if (lag > 0) {
      float a = x[lag - 1] - mean;
      float b = x[window_ - lag] - mean;
      m -= a * a + b * b;
    }
    nsdf_[lag] = m > 1e-12f ? 2.0f * spectrum_[lag].real() * scale / m : 0.0f;
  }

  return pickPeriod();
}


PitchEstimate PitchEstimator::pickPeriod() const {
  const PitchEstimate unvoiced{-1.0f, 0.0f};
  const size_t lags = longestLag_ + 2;
  // Key maxima: the highest point of each positive stretch after the first downward crossing.
  size_t lag = 1;
  while (lag < lags && nsdf_[lag] > 0.0f) ++lag;
  float highest = 0.0f;
  size_t keys[64];
  size_t keyCount = 0;
  while (lag + 1 < lags && keyCount < 64) {
    while (lag + 1 < lags && nsdf_[lag] <= 0.0f) ++lag;
    size_t best = lag;
    while (lag + 1 < lags && nsdf_[lag] > 0.0f) {
      if (nsdf_[lag] > nsdf_[best]) best = lag;
      ++lag;
    }
    if (best >= shortestLag_ && best <= longestLag_ && best > 0 && nsdf_[best] > 0.0f) {
      keys[keyCount++] = best;
      highest = std::max(highest, nsdf_[best]);
    }
  }
  for (size_t k = 0; k < keyCount; ++k) {
    if (nsdf_[keys[k]] < kShareOfHighest * highest) continue;
    float period = parabolicPeak(nsdf_.data(), keys[k]);
    float hz = sampleRate_ / period;
    return {69.0f + 12.0f * std::log2(hz / 440.0f), nsdf_[keys[k]]};
  }
  return unvoiced;
}

void PitchEstimator::powerSpectrum(const float* x, std::complex<float>* out) {
  float mean = 0.0f;
  for (size_t i = 0; i < window_; ++i) mean += x[i];
  mean /= static_cast<float>(window_);
  for (size_t i = 0; i < window_; ++i) out[i] = {x[i] - mean, 0.0f};
  std::fill(out + window_, out + fft_.size(), std::complex<float>{});
  fft_.forward(out);
  for (size_t i = 0; i < fft_.size(); ++i) out[i] = {std::norm(out[i]), 0.0f};
}

PitchEstimate PitchEstimator::estimateNew(const float* x, const float* before) {
  powerSpectrum(x, spectrum_.data());
  powerSpectrum(before, beforeSpectrum_.data());
  for (size_t i = 0; i < fft_.size(); ++i) {
    spectrum_[i] = {std::max(0.0f, spectrum_[i].real() - beforeSpectrum_[i].real()), 0.0f};
  }
  fft_.inverse(spectrum_.data());
  const float zero = spectrum_[0].real();
  if (zero <= 1e-9f) return PitchEstimate{-1.0f, 0.0f};
  // The autocorrelation normalised to 1 at lag 0, each lag scaled up for the overlap it lost.
  const size_t lags = longestLag_ + 2;
  for (size_t lag = 0; lag < lags; ++lag) {
    nsdf_[lag] = spectrum_[lag].real() / zero * static_cast<float>(window_) / static_cast<float>(window_ - lag);
  }
  return pickPeriod();
}

}  // namespace vellaro
