#include "sound/pitch_estimator.h"

#include <algorithm>
#include <cmath>

namespace vellaro {
namespace {

constexpr float kShareOfHighest = 0.9f;
// The shortest whole lag may lie well above the highest pitch at a low rate (3 samples at 8000 Hz are
// 2667 Hz): a period heard above the highest pitch by more than half a semitone is not taken.
constexpr float kAboveHighest = 1.0293f;
constexpr float kMostClarity = 1.1f;
constexpr int kHarmonics = 8;
constexpr float kApartBins = 2.5f;

float hzOf(float midi) { return 440.0f * std::exp2((midi - 69.0f) / 12.0f); }

// The fractional position of the top of a parabola through three equally spaced points around i.
float parabolicPeak(const float* y, size_t i) {
  float denominator = y[i - 1] - 2.0f * y[i] + y[i + 1];
  if (std::fabs(denominator) < 1e-12f) return static_cast<float>(i);
  float shift = 0.5f * (y[i - 1] - y[i + 1]) / denominator;
  return static_cast<float>(i) + std::clamp(shift, -0.5f, 0.5f);
}

}  // namespace

PitchEstimator::PitchEstimator(uint32_t sampleRate, size_t window, float lowestHz, float highestHz, size_t history)
    : sampleRate_(static_cast<float>(sampleRate)),
      lowestHz_(lowestHz),
      highestHz_(highestHz),
      window_(window),
      shortestLag_(std::max<size_t>(2, static_cast<size_t>(sampleRate_ / highestHz))),
      longestLag_(std::min(window * 3 / 4, static_cast<size_t>(sampleRate_ / lowestHz) + 1)),
      // Room for the window and the longest lag used, so that no lag wraps round.
      fft_(powerOfTwoAtLeast(window + longestLag_ + 2)),
      spectrum_(fft_.size()),
      beforeSpectrum_(fft_.size()),
      nsdf_(longestLag_ + 2),
      history_(history),
      powers_(history * (fft_.size() / 2 + 1)) {}

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
  const size_t half = fft_.size() / 2 + 1;
  float* kept = history_ > 0 ? &powers_[(estimates_ % history_) * half] : nullptr;
  ++estimates_;
  if (energy < 1e-9f) {
    if (kept) std::fill(kept, kept + half, 0.0f);
    return unvoiced;
  }
  std::fill(spectrum_.begin() + static_cast<std::ptrdiff_t>(window_), spectrum_.end(), std::complex<float>{});
  fft_.forward(spectrum_.data());
  for (auto& bin : spectrum_) bin = {std::norm(bin), 0.0f};
  if (kept) {
    for (size_t i = 0; i < half; ++i) kept[i] = spectrum_[i].real();
  }
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
    // A stretch still rising at the longest lag has no maximum of its own.
    if (best + 2 >= lags) break;
    if (best >= shortestLag_ && best <= longestLag_ && best > 0 && nsdf_[best] > 0.0f) {
      keys[keyCount++] = best;
      highest = std::max(highest, nsdf_[best]);
    }
  }
  for (size_t k = 0; k < keyCount; ++k) {
    if (nsdf_[keys[k]] < kShareOfHighest * highest) continue;
    float period = parabolicPeak(nsdf_.data(), keys[k]);
    float hz = sampleRate_ / period;
    if (hz > kAboveHighest * highestHz_) continue;
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
  dropBelowLowest();
  return pickFromAutocorrelation();
}

// Growth below the lowest pitch (rumble, the spread of a level change) is no partial of a note; left
// in, it makes a broad hump of the autocorrelation at the longest lags.
void PitchEstimator::dropBelowLowest() {
  const size_t size = fft_.size();
  const auto below = std::min(size / 2, static_cast<size_t>(lowestHz_ * static_cast<float>(size) / sampleRate_));
  for (size_t i = 0; i < below; ++i) {
    spectrum_[i] = {0.0f, 0.0f};
    if (i > 0) spectrum_[size - i] = {0.0f, 0.0f};
  }
}

// spectrum_ holds a power spectrum: its autocorrelation normalised to 1 at lag 0, each lag scaled up
// for the overlap it lost, gives the period.
PitchEstimate PitchEstimator::pickFromAutocorrelation() {
  fft_.inverse(spectrum_.data());
  const float zero = spectrum_[0].real();
  if (zero <= 1e-9f) return PitchEstimate{-1.0f, 0.0f};
  const size_t lags = longestLag_ + 2;
  for (size_t lag = 0; lag < lags; ++lag) {
    nsdf_[lag] = spectrum_[lag].real() / zero * static_cast<float>(window_) / static_cast<float>(window_ - lag);
  }
  const PitchEstimate picked = pickPeriod();
  // Scaled for the overlap, a true period stays near 1 or under; far above it is an artefact.
  return picked.clarity > kMostClarity ? PitchEstimate{-1.0f, 0.0f} : picked;
}

float PitchEstimator::harmonicPower(size_t back, float midi, float avoid) const {
  if (back >= history_ || estimates_ <= back) return 0.0f;
  const size_t size = fft_.size();
  const size_t half = size / 2 + 1;
  const float* power = &powers_[((estimates_ - 1 - back) % history_) * half];
  const float binHz = sampleRate_ / static_cast<float>(size);
  const float f0 = hzOf(midi) / binHz;
  const float a0 = avoid < 0.0f ? 0.0f : hzOf(avoid) / binHz;
  float sum = 0.0f;
  for (int k = 1; k <= kHarmonics; ++k) {
    const float bin = f0 * static_cast<float>(k);
    if (bin + 1.0f >= static_cast<float>(half)) break;
    if (a0 > 0.0f) {
      const float nearestOther = a0 * std::round(bin / a0);
      if (nearestOther > 0.0f && std::fabs(nearestOther - bin) < kApartBins) continue;
    }
    const auto centre = static_cast<size_t>(std::lround(bin));
    sum += power[centre - 1] + power[centre] + power[centre + 1];
  }
  return sum;
}

PitchEstimate PitchEstimator::estimateGrown(size_t back, float& share) {
  share = 0.0f;
  if (back == 0 || back >= history_ || estimates_ <= back) return PitchEstimate{-1.0f, 0.0f};
  const size_t size = fft_.size();
  const size_t half = size / 2 + 1;
  const float* now = &powers_[((estimates_ - 1) % history_) * half];
  const float* then = &powers_[((estimates_ - 1 - back) % history_) * half];
  float total = 0.0f;
  float grown = 0.0f;
  for (size_t i = 0; i < half; ++i) {
    const float g = std::max(0.0f, now[i] - then[i]);
    spectrum_[i] = {g, 0.0f};
    if (i > 0 && i < size / 2) spectrum_[size - i] = {g, 0.0f};
    total += now[i];
    grown += g;
  }
  if (total <= 1e-12f) return PitchEstimate{-1.0f, 0.0f};
  share = grown / total;
  dropBelowLowest();
  return pickFromAutocorrelation();
}

}  // namespace vellaro
