// The arithmetic of the image-drawn widgets, apart from any window: how many digit windows a spin
// field needs and what each shows, and where a slider's arm stands for a value and back.
#pragma once

#include <vector>

namespace vellaro {

constexpr int kSpinBlankDigit = 10;  // the frame index of the blank digit image
constexpr int kSpinLargestDigitCount = 10;

// Enough digit windows for every value from min to max (their decimal digits; 1 to 10).
int spinDigitCount(int min, int max);
// The frame of each digit window, left to right: digits 0 to 9 of the value's magnitude, blanks in
// front; the value 0 shows one 0 in the last place. Digits that do not fit are dropped in front.
std::vector<int> spinDigits(int value, int count);

// The slider's value for an arm whose centre stands at armCentre, snapped to the nearest step:
// (max - min) * (armCentre - trackStart + length / (max - min) / 2) / length + min, kept in min..max.
int sliderValue(int min, int max, int armCentre, int trackStart, int length);
// The arm's left edge for a value: length / (max - min) * (value - min) + trackStart - armWidth / 2.
int sliderArmX(int min, int max, int value, int trackStart, int length, int armWidth);
// The arm's centre limited to the track, from trackStart to trackStart + length.
int sliderClampCentre(int centre, int trackStart, int length);

}  // namespace vellaro
