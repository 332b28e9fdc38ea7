// Maps the frames of a capture stream to the clock that check compares (Host::clockMs).
//
// The sound card counts frames by its own crystal and the clock runs on the computer's; the two
// part by up to a few hundred parts per million, which over a 40-minute lesson is most of a second.
// Each buffer the device hands back is one observation: every frame before frameEnd had been
// captured by clockMs. Buffers come back late (the driver, the scheduler), never early, so the
// mapping is the line through the recent observations: of each tenth of a second only the least
// delayed buffer is kept, the line's slope is fitted to those by least squares, and its height is
// moved down to the earliest of them. Only a sliding window of them counts, so a drift is followed instead of summed up, and a clock that is set (a jump
// of more than a second against the line) starts the window over. Portable; the device is the
// platform's.
#pragma once

#include <cstdint>

namespace vellaro {

class CaptureClock {
 public:
  // The tenths of a second the fit uses: the last 12.8 seconds, long enough to fit the rate within
  // some 50 ppm, short enough to follow a card that warms up.
  static constexpr int kWindow = 128;

  explicit CaptureClock(uint32_t sampleRate);

  // The device has captured every frame before frameEnd by clockMs. frameEnd never goes back.
  void observe(uint64_t frameEnd, uint32_t clockMs);
  // The clock reading at which the frame was captured (modulo 2^32, like the clock); 0 before the
  // first observation.
  uint32_t timeOf(uint64_t frame) const;
  // The fitted milliseconds per frame (1000 / the nominal rate until the window spans a second).
  double msPerFrame() const { return slope_; }

 private:
  struct Observation {
    uint64_t frame;
    int64_t ms;  // unwrapped clock, from the first observation
  };
  void keep(const Observation& observation);
  void refit();
  double predictedMs(uint64_t frame) const;

  double nominalSlope_;
  uint32_t sampleRate_;
  uint64_t binFrames_;  // a tenth of a second
  Observation window_[kWindow];
  int count_ = 0;
  int next_ = 0;  // the slot the next observation takes
  uint32_t firstClock_ = 0;
  uint32_t lastClock_ = 0;
  int64_t lastMs_ = 0;
  bool started_ = false;
  // The line: ms = baseMs_ + slope_ * (frame - baseFrame_).
  uint64_t baseFrame_ = 0;
  double baseMs_ = 0;
  double slope_;
};

}  // namespace vellaro
