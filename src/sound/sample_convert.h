// Brings a loaded WAV sample to what the mixer plays in tune: 8- or 16-bit PCM, one or two channels,
// at 11025, 22050 or 44100 Hz (the rates whose SpeedFactor is exact).
//
// - Samples already in that form are kept byte for byte.
// - 24- and 32-bit integer PCM and 32-bit float become 16-bit (float clipped to +-1.0).
// - Channels past the second are dropped.
// - Any other rate from 8000 to 192000 Hz is resampled to 44100 Hz by linear interpolation.
// - Compressed formats, other depths and other rates are refused with a reason.
//
// Everything happens once, at load time; the converted sample replaces the file's bytes, so a
// sample is held once whatever its source format.
#pragma once

#include <string>

#include "sound/wav_reader.h"

namespace vellaro {

constexpr uint32_t kLowestSampleRate = 8000;
constexpr uint32_t kHighestSampleRate = 192000;

enum class SampleProblem {
  None,
  Compressed,  // a format tag (or extensible subformat) other than PCM and float
  NoChannels,
  SampleBits,  // a depth that is not 8, 16, 24 or 32 bits, or a float that is not 32 bits
  SampleRate,  // outside 8000 to 192000 Hz
  TooLarge,    // the converted sample does not fit in memory or in a voice's frame counter
};

// Converts sample in place. On success its data, size and format describe the playable sample; on
// a problem the sample is left as it was.
SampleProblem prepareSample(WavSample& sample);

// The message shown when the file at path cannot be played, naming the reason. Every text of a
// refused sample is made here.
std::string sampleProblemText(SampleProblem problem, const char* path, const WavFormat& format);

}  // namespace vellaro
