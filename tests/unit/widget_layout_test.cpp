// The widgets' arithmetic: spin digits and the slider's value and arm position.
#include <gtest/gtest.h>

#include "widgets/widget_layout.h"

namespace vellaro {
namespace {

constexpr int _ = kSpinBlankDigit;

struct SpinCase {
  int min, max, value;
  int count;
  std::vector<int> digits;
};

class SpinLayout : public ::testing::TestWithParam<SpinCase> {};

TEST_P(SpinLayout, ShowsTheValueRightAligned) {
  const SpinCase& c = GetParam();
  EXPECT_EQ(spinDigitCount(c.min, c.max), c.count);
  EXPECT_EQ(spinDigits(c.value, c.count), c.digits);
}

INSTANTIATE_TEST_SUITE_P(Table, SpinLayout,
                         ::testing::Values(SpinCase{0, 9, 0, 1, {0}}, SpinCase{0, 99, 7, 2, {_, 7}},
                                           SpinCase{0, 100, 100, 3, {1, 0, 0}},  // max itself fits
                                           SpinCase{0, 999, 0, 3, {_, _, 0}},
                                           SpinCase{1000, 1005, 1003, 4, {1, 0, 0, 3}},
                                           SpinCase{-5, 5, -3, 1, {3}},
                                           SpinCase{0, 2147483647, 2147483647, 10, {2, 1, 4, 7, 4, 8, 3, 6, 4, 7}}));

struct SliderCase {
  int min, max, trackStart, length, armWidth;
  int value, armX;            // a value and where its arm's left edge goes
  int centre, valueAtCentre;  // an arm centre and the value it reads as
};

class SliderLayout : public ::testing::TestWithParam<SliderCase> {};

TEST_P(SliderLayout, MapsValuesAndArmPositions) {
  const SliderCase& c = GetParam();
  EXPECT_EQ(sliderArmX(c.min, c.max, c.value, c.trackStart, c.length, c.armWidth), c.armX);
  EXPECT_EQ(sliderValue(c.min, c.max, c.centre, c.trackStart, c.length), c.valueAtCentre);
}

INSTANTIATE_TEST_SUITE_P(Table, SliderLayout,
                         ::testing::Values(SliderCase{0, 10, 20, 100, 10, 0, 15, 20, 0},
                                           SliderCase{0, 10, 20, 100, 10, 10, 115, 120, 10},
                                           SliderCase{0, 10, 20, 100, 10, 3, 45, 44, 2},   // 2.4 steps snap to 2
                                           SliderCase{0, 10, 20, 100, 10, 3, 45, 45, 3},   // 2.5 steps snap to 3
                                           SliderCase{5, 5, 0, 100, 10, 5, -5, 50, 5},     // no range: no division
                                           SliderCase{0, 10, 20, 0, 10, 0, 15, 20, 0}));   // no length

TEST(SliderLayout, TheArmCentreStaysOnTheTrack) {
  EXPECT_EQ(sliderClampCentre(5, 20, 100), 20);
  EXPECT_EQ(sliderClampCentre(70, 20, 100), 70);
  EXPECT_EQ(sliderClampCentre(500, 20, 100), 120);
}

}  // namespace
}  // namespace vellaro
