// The capture clock: frames of a sound card that keeps its own time mapped to the clock of check,
// with buffers that come back late by a varying amount.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>

#include "sound/capture_clock.h"

namespace vellaro {
namespace {

constexpr uint32_t kRate = 44100;
constexpr uint64_t kBuffer = 441;  // 10 ms

// A device whose crystal runs ppm parts per million fast (from changeFrame on, laterPpm: the card
// warmed up): frame f is captured at startMs + f * 1000 / (kRate * (1 + ppm / 1e6)) on the
// computer's clock.
struct DriftingDevice {
  double ppm;
  double startMs;
  uint64_t changeFrame = UINT64_MAX;
  double laterPpm = 0;
  static double msFor(uint64_t frames, double ppm) { return static_cast<double>(frames) * 1000.0 / (kRate * (1 + ppm / 1e6)); }
  double trueMs(uint64_t frame) const {
    if (frame <= changeFrame) return startMs + msFor(frame, ppm);
    return startMs + msFor(changeFrame, ppm) + msFor(frame - changeFrame, laterPpm);
  }
};

// The clock reading for a true time, as the wrapping 32-bit clock gives it.
uint32_t reading(double ms) { return static_cast<uint32_t>(static_cast<int64_t>(std::floor(ms))); }

int32_t errorMs(const CaptureClock& clock, const DriftingDevice& device, uint64_t frame) {
  return static_cast<int32_t>(clock.timeOf(frame) - reading(device.trueMs(frame)));
}

TEST(CaptureClock, NothingObservedGivesZero) {
  CaptureClock clock(kRate);
  EXPECT_EQ(clock.timeOf(1000), 0u);
}

// With buffers on time and no drift, every frame lands on its millisecond from the first buffer on.
TEST(CaptureClock, PunctualBuffersMapFramesToTheirMillisecond) {
  CaptureClock clock(kRate);
  DriftingDevice device{0, 5000};
  clock.observe(kBuffer, reading(device.trueMs(kBuffer)));
  EXPECT_EQ(clock.timeOf(0), 5000u);
  for (uint64_t end = 2 * kBuffer; end <= 300 * kBuffer; end += kBuffer) clock.observe(end, reading(device.trueMs(end)));
  EXPECT_NEAR(errorMs(clock, device, 300 * kBuffer - 2646), 0, 1) << "a note 60 ms before the newest buffer";
  EXPECT_NEAR(clock.msPerFrame(), 1000.0 / kRate, 1e-6);
}

// The guard of the whole class: a card 300 ppm fast that warms up to 200 ppm slow half way, with
// buffers up to 8 ms late, for 40 minutes. Mapped by the nominal rate from the start, the middle
// would be 360 ms off; one line fitted to the whole lesson would miss both halves. The sliding fit
// stays within a few milliseconds all the way, and the late buffers do not pull it late.
TEST(CaptureClock, DriftOfTheCardIsFollowedNotSummedUp) {
  CaptureClock clock(kRate);
  const uint64_t buffers = 40 * 60 * 100;
  DriftingDevice device{300, 123456, buffers / 2 * kBuffer, -200};
  std::mt19937 random(7);
  std::uniform_real_distribution<double> lateness(0.0, 8.0);
  int32_t worst = 0;
  for (uint64_t i = 1; i <= buffers; ++i) {
    uint64_t end = i * kBuffer;
    clock.observe(end, reading(device.trueMs(end) + lateness(random)));
    if (i % 1000 == 0) {
      int32_t error = errorMs(clock, device, end - 2646);
      if (std::abs(error) > std::abs(worst)) worst = error;
    }
  }
  EXPECT_LE(std::abs(worst), 3) << "the worst error over the lesson, a note 60 ms before the newest buffer";
  double nominalMiddle = device.startMs + static_cast<double>(buffers / 2 * kBuffer) * 1000.0 / kRate;
  EXPECT_GT(nominalMiddle - device.trueMs(buffers / 2 * kBuffer), 350.0) << "the drift the test puts in";
  EXPECT_NEAR(clock.msPerFrame() * kRate, 1000.0 / 0.9998, 0.05) << "the rate of the second half within 50 ppm";
}

// The clock wraps at 2^32 ms; frames on both sides of the wrap keep their spacing.
TEST(CaptureClock, FollowsTheClockAcrossItsWrap) {
  CaptureClock clock(kRate);
  DriftingDevice device{0, 4294967296.0 - 3000};
  for (uint64_t end = kBuffer; end <= 600 * kBuffer; end += kBuffer) clock.observe(end, reading(device.trueMs(end)));
  EXPECT_EQ(clock.timeOf(0), reading(device.startMs));
  EXPECT_NEAR(errorMs(clock, device, 500 * kBuffer), 0, 1);
  EXPECT_EQ(clock.timeOf(500 * kBuffer) - clock.timeOf(100 * kBuffer), 4000u);
}

// The clock is wall time: when it is set back an hour, the frames after that follow it at once.
TEST(CaptureClock, AClockSetBackStartsTheWindowOver) {
  CaptureClock clock(kRate);
  DriftingDevice device{0, 10000000};
  for (uint64_t end = kBuffer; end <= 1000 * kBuffer; end += kBuffer) clock.observe(end, reading(device.trueMs(end)));
  device.startMs -= 3600000;
  for (uint64_t end = 1001 * kBuffer; end <= 1010 * kBuffer; end += kBuffer) {
    clock.observe(end, reading(device.trueMs(end)));
  }
  EXPECT_NEAR(errorMs(clock, device, 1009 * kBuffer), 0, 1);
}

}  // namespace
}  // namespace vellaro
