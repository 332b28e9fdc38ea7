#include "sound/capture_clock.h"

#include <cmath>

namespace vellaro {
namespace {

// A reading this far off the line means the clock was set, not that the card drifted.
constexpr double kClockSetMs = 1000.0;

}  // namespace

CaptureClock::CaptureClock(uint32_t sampleRate)
    : nominalSlope_(1000.0 / (sampleRate ? sampleRate : 1)), sampleRate_(sampleRate ? sampleRate : 1),
      binFrames_(sampleRate_ / 10 ? sampleRate_ / 10 : 1), window_{}, slope_(nominalSlope_) {}

void CaptureClock::observe(uint64_t frameEnd, uint32_t clockMs) {
  if (!started_) {
    started_ = true;
    firstClock_ = clockMs;
    lastClock_ = clockMs;
  }
  // Differences of the wrapping clock taken as signed: it wraps forward and may be set back.
  lastMs_ += static_cast<int32_t>(clockMs - lastClock_);
  lastClock_ = clockMs;
  if (count_ > 0 && std::fabs(static_cast<double>(lastMs_) - predictedMs(frameEnd)) > kClockSetMs) {
    count_ = 0;
    next_ = 0;
  }
  keep(Observation{frameEnd, lastMs_});
  refit();
}

// The newest entry stands for its tenth of a second until the next one begins; a less delayed
// buffer of the same tenth takes its place.
void CaptureClock::keep(const Observation& observation) {
  if (count_ > 0) {
    Observation& newest = window_[(next_ + kWindow - 1) % kWindow];
    if (observation.frame / binFrames_ == newest.frame / binFrames_) {
      double lateBy = static_cast<double>(observation.ms - newest.ms) -
                      nominalSlope_ * static_cast<double>(observation.frame - newest.frame);
      if (lateBy < 0) newest = observation;
      return;
    }
  }
  window_[next_] = observation;
  next_ = (next_ + 1) % kWindow;
  if (count_ < kWindow) ++count_;
}

// Least squares over the window, in values taken from its oldest observation so that the sums
// keep their precision; a window shorter than a second keeps the nominal rate, whose error is
// smaller than what a short fit would guess.
void CaptureClock::refit() {
  int oldest = count_ < kWindow ? 0 : next_;
  const Observation& origin = window_[oldest];
  double sumF = 0, sumT = 0, sumFF = 0, sumFT = 0;
  for (int i = 0; i < count_; ++i) {
    const Observation& o = window_[(oldest + i) % kWindow];
    double f = static_cast<double>(o.frame - origin.frame);
    double t = static_cast<double>(o.ms - origin.ms);
    sumF += f;
    sumT += t;
    sumFF += f * f;
    sumFT += f * t;
  }
  double n = count_;
  double spread = sumFF - sumF * sumF / n;
  const Observation& newest = window_[(next_ + kWindow - 1) % kWindow];
  bool longEnough = newest.frame - origin.frame >= sampleRate_;
  slope_ = longEnough && spread > 0 ? (sumFT - sumF * sumT / n) / spread : nominalSlope_;
  // The earliest observation relative to the line sets its height.
  double lowest = 0;
  for (int i = 0; i < count_; ++i) {
    const Observation& o = window_[(oldest + i) % kWindow];
    double residual = static_cast<double>(o.ms - origin.ms) - slope_ * static_cast<double>(o.frame - origin.frame);
    if (i == 0 || residual < lowest) lowest = residual;
  }
  baseFrame_ = origin.frame;
  baseMs_ = static_cast<double>(origin.ms) + lowest;
}

double CaptureClock::predictedMs(uint64_t frame) const {
  double frames = frame >= baseFrame_ ? static_cast<double>(frame - baseFrame_) : -static_cast<double>(baseFrame_ - frame);
  return baseMs_ + slope_ * frames;
}

uint32_t CaptureClock::timeOf(uint64_t frame) const {
  if (!started_) return 0;
  return firstClock_ + static_cast<uint32_t>(static_cast<int64_t>(std::llround(predictedMs(frame))));
}

}  // namespace vellaro
