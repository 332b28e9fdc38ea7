#include "sound/onset_detector.h"

#include <algorithm>
#include <cmath>

namespace vellaro {
namespace {

// Compression of the magnitudes (samples scaled to +-1): log(1 + kCompression * |X|).
constexpr float kCompression = 10.0f;
// The candidate must exceed kMeanFactor times the mean flux of the hops before it, plus kDelta.
constexpr float kMeanFactor = 1.5f;
constexpr float kDelta = 0.015f;
constexpr size_t kMeanHops = 10;
constexpr float kMinimumGapSeconds = 0.07f;
constexpr float kLowestHz = 60.0f;
constexpr float kHighestHz = 10000.0f;

}  // namespace

OnsetDetector::OnsetDetector(uint32_t sampleRate, size_t frame, size_t hop)
    : fft_(frame),
      lowBin_(std::max<size_t>(1, static_cast<size_t>(kLowestHz * static_cast<float>(frame) / static_cast<float>(sampleRate)))),
      highBin_(std::min(frame / 2, static_cast<size_t>(kHighestHz * static_cast<float>(frame) / static_cast<float>(sampleRate)))),
      minimumGap_(static_cast<size_t>(kMinimumGapSeconds * static_cast<float>(sampleRate) / static_cast<float>(hop))),
      window_(frame),
      spectrum_(frame),
      logMagnitudes_((kLag + 1) * (frame / 2 + 1)) {
  const double pi = 3.14159265358979323846;
  for (size_t i = 0; i < frame; ++i) {
    window_[i] = static_cast<float>(0.5 - 0.5 * std::cos(2.0 * pi * (static_cast<double>(i) + 0.5) / static_cast<double>(frame)));
  }
}

float OnsetDetector::flux(const float* frame) {
  const size_t size = fft_.size();
  const size_t bins = size / 2 + 1;
  for (size_t i = 0; i < size; ++i) spectrum_[i] = {frame[i] * window_[i], 0.0f};
  fft_.forward(spectrum_.data());
  float* now = &logMagnitudes_[(count_ % (kLag + 1)) * bins];
  const float* before = &logMagnitudes_[((count_ + 1) % (kLag + 1)) * bins];  // kLag pushes ago
  for (size_t k = 0; k < bins; ++k) now[k] = std::log1p(kCompression * std::abs(spectrum_[k]));
  if (count_ < kLag) return 0.0f;
  float sum = 0.0f;
  for (size_t k = lowBin_; k < highBin_; ++k) {
    float reference = std::max({before[k - 1], before[k], before[k + 1]});
    sum += std::max(0.0f, now[k] - reference);
  }
  return sum / static_cast<float>(highBin_ - lowBin_);
}

size_t OnsetDetector::riseHops(float share, size_t maxHops) const {
  const size_t candidate = count_ - 2;
  const float peak = flux_[candidate % kHistory];
  size_t back = 0;
  while (back < maxHops && back + 1 < candidate && back + 3 < kHistory) {
    const float before = flux_[(candidate - back - 1) % kHistory];
    if (before < share * peak || before > flux_[(candidate - back) % kHistory]) break;
    ++back;
  }
  return back;
}

bool OnsetDetector::push(const float* frame) {
  float value = flux(frame);
  flux_[count_ % kHistory] = value;
  ++count_;
  if (count_ < kMeanHops + 3) return false;
  const size_t candidate = count_ - 2;
  auto at = [this](size_t i) { return flux_[i % kHistory]; };
  const float peak = at(candidate);
  if (peak < at(candidate - 1) || peak < at(candidate + 1) || peak < at(candidate - 2)) return false;
  if (peak <= at(candidate - 1) && peak <= at(candidate + 1)) return false;
  float mean = 0.0f;
  for (size_t i = 1; i <= kMeanHops; ++i) mean += at(candidate - i);
  mean /= static_cast<float>(kMeanHops);
  const float threshold = kMeanFactor * mean + kDelta;
  if (peak < threshold) return false;
  if (anyOnset_ && candidate - lastOnset_ < minimumGap_) return false;
  anyOnset_ = true;
  lastOnset_ = candidate;
  strength_ = peak / threshold;
  return true;
}

}  // namespace vellaro
