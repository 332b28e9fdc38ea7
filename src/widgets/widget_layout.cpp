#include "widgets/widget_layout.h"

#include <algorithm>
#include <cstdint>

namespace vellaro {
namespace {

int decimalDigits(int64_t value) {
  int digits = 1;
  for (value = value < 0 ? -value : value; value >= 10; value /= 10) ++digits;
  return digits;
}

}  // namespace

int spinDigitCount(int min, int max) {
  return std::min(kSpinLargestDigitCount, std::max(decimalDigits(min), decimalDigits(max)));
}

std::vector<int> spinDigits(int value, int count) {
  std::vector<int> digits(static_cast<size_t>(std::max(count, 0)), kSpinBlankDigit);
  int64_t rest = value < 0 ? -static_cast<int64_t>(value) : value;
  for (int i = count - 1; i >= 0; --i) {
    digits[static_cast<size_t>(i)] = static_cast<int>(rest % 10);
    rest /= 10;
    if (rest == 0) break;
  }
  return digits;
}

int sliderValue(int min, int max, int armCentre, int trackStart, int length) {
  int64_t range = static_cast<int64_t>(max) - min;
  if (range <= 0 || length <= 0) return min;
  int64_t value = range * (static_cast<int64_t>(armCentre) - trackStart + length / range / 2) / length + min;
  return static_cast<int>(std::clamp<int64_t>(value, min, max));
}

int sliderArmX(int min, int max, int value, int trackStart, int length, int armWidth) {
  int64_t range = static_cast<int64_t>(max) - min;
  if (range <= 0) return trackStart - armWidth / 2;
  return static_cast<int>(length / range * (static_cast<int64_t>(value) - min) + trackStart - armWidth / 2);
}

int sliderClampCentre(int centre, int trackStart, int length) {
  return std::clamp(centre, trackStart, trackStart + std::max(length, 0));
}

}  // namespace vellaro
