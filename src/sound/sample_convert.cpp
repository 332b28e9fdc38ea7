#include "sound/sample_convert.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>

#include "base/text_format.h"
#include "base/messages.h"
#include "sound/mixer.h"

namespace vellaro {
namespace {

enum class Encoding { Pcm, Float, Other };

// The tag that says how samples are stored: the extensible form's subformat, else the format tag.
uint16_t encodingTag(const WavFormat& format) {
  return format.formatTag == kWavExtensible ? format.subFormat : format.formatTag;
}

Encoding encodingOf(const WavFormat& format) {
  switch (encodingTag(format)) {
    case kWavPcm:
      return Encoding::Pcm;
    case kWavFloat:
      return Encoding::Float;
    default:
      return Encoding::Other;
  }
}

// The rates the mixer's SpeedFactor (rate / 11025) steps through exactly.
bool isMixerRate(uint32_t rate) { return rate == 11025 || rate == 22050 || rate == 44100; }

// One source sample as signed 16 bits; deeper integers keep their top 16 bits.
using ReadSample = int16_t (*)(const uint8_t*);

int16_t read8(const uint8_t* p) { return static_cast<int16_t>((p[0] - 128) * 256); }
int16_t read16(const uint8_t* p) { return static_cast<int16_t>(p[0] | p[1] << 8); }
int16_t read24(const uint8_t* p) { return static_cast<int16_t>(p[1] | p[2] << 8); }
int16_t read32(const uint8_t* p) { return static_cast<int16_t>(p[2] | p[3] << 8); }

int16_t readFloat(const uint8_t* p) {
  uint32_t bits = uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
  float value;
  std::memcpy(&value, &bits, sizeof value);
  if (std::isnan(value)) return 0;
  return static_cast<int16_t>(std::lround(std::clamp(value, -1.0f, 1.0f) * 32767.0f));
}

ReadSample readerFor(const WavFormat& format) {
  Encoding encoding = encodingOf(format);
  if (encoding == Encoding::Float) return format.bitsPerSample == 32 ? readFloat : nullptr;
  if (encoding == Encoding::Other) return nullptr;
  switch (format.bitsPerSample) {
    case 8:
      return read8;
    case 16:
      return read16;
    case 24:
      return read24;
    case 32:
      return read32;
    default:
      return nullptr;
  }
}

SampleProblem checkFormat(const WavFormat& format) {
  if (encodingOf(format) == Encoding::Other) return SampleProblem::Compressed;
  if (format.channels == 0) return SampleProblem::NoChannels;
  if (!readerFor(format)) return SampleProblem::SampleBits;
  if (format.sampleRate < kLowestSampleRate || format.sampleRate > kHighestSampleRate) {
    return SampleProblem::SampleRate;
  }
  return SampleProblem::None;
}

// What the mixer has always played as it is; such files keep their bytes and their fields.
bool playsAsItIs(const WavFormat& format) {
  return encodingOf(format) == Encoding::Pcm && (format.bitsPerSample == 8 || format.bitsPerSample == 16) &&
         format.channels <= 2 && isMixerRate(format.sampleRate);
}

// The source frames as the converter walks them, keeping at most two channels.
struct Source {
  const uint8_t* data;
  size_t frames;
  size_t stride;       // bytes from one frame to the next
  size_t sampleBytes;  // bytes of one channel's sample
  unsigned channels;   // channels kept: 1 or 2
  ReadSample read;

  int32_t at(size_t frame, unsigned channel) const { return read(data + frame * stride + channel * sampleBytes); }
};

Source sourceOf(const WavSample& sample) {
  const WavFormat& format = sample.format;
  size_t sampleBytes = format.bitsPerSample / 8u;
  // A block align too small for the declared channels is not trusted: frames never overlap.
  size_t stride = std::max<size_t>(format.blockAlign, sampleBytes * format.channels);
  return Source{sample.data.get(), sample.size / stride, stride, sampleBytes, format.channels >= 2 ? 2u : 1u,
                readerFor(format)};
}

// Linear interpolation between neighbouring source frames, the position kept in 32.32 fixed point.
// At equal rates the fraction is always 0 and every frame is copied as it is.
void resample(const Source& source, uint32_t fromRate, uint32_t toRate, uint8_t* out, size_t outFrames) {
  const uint64_t step = (uint64_t{fromRate} << 32) / toRate;
  uint64_t position = 0;
  for (size_t i = 0; i < outFrames; ++i, position += step) {
    size_t index = std::min<size_t>(position >> 32, source.frames - 1);
    size_t next = std::min(index + 1, source.frames - 1);
    int64_t fraction = static_cast<int64_t>(position & 0xFFFFFFFFu);
    for (unsigned c = 0; c < source.channels; ++c) {
      int64_t a = source.at(index, c);
      int64_t b = source.at(next, c);
      auto value = static_cast<uint16_t>(a + ((b - a) * fraction >> 32));
      *out++ = static_cast<uint8_t>(value);
      *out++ = static_cast<uint8_t>(value >> 8);
    }
  }
}

// Beyond this many source frames the fixed-point position could overflow.
constexpr size_t kMostSourceFrames = size_t{1} << 31;

}  // namespace

SampleProblem prepareSample(WavSample& sample) {
  SampleProblem problem = checkFormat(sample.format);
  if (problem != SampleProblem::None || playsAsItIs(sample.format)) return problem;

  Source source = sourceOf(sample);
  uint32_t fromRate = sample.format.sampleRate;
  uint32_t toRate = isMixerRate(fromRate) ? fromRate : kOutputRate;
  uint64_t outFrames = (uint64_t{source.frames} * toRate + fromRate / 2) / fromRate;
  if (source.frames >= kMostSourceFrames || outFrames > UINT32_MAX) return SampleProblem::TooLarge;
  size_t bytes = static_cast<size_t>(outFrames) * source.channels * 2;
  std::unique_ptr<uint8_t[]> converted(new (std::nothrow) uint8_t[bytes ? bytes : 1]);
  if (!converted) return SampleProblem::TooLarge;
  resample(source, fromRate, toRate, converted.get(), static_cast<size_t>(outFrames));

  sample.data = std::move(converted);  // the file's bytes go now: the sample is held once
  sample.size = bytes;
  sample.format = WavFormat{kWavPcm, static_cast<uint16_t>(source.channels), toRate,
                            static_cast<uint16_t>(2 * source.channels), 16, 0};
  return SampleProblem::None;
}

std::string sampleProblemText(SampleProblem problem, const char* path, const WavFormat& format) {
  std::string reason;
  switch (problem) {
    case SampleProblem::None:
      return "";
    case SampleProblem::Compressed:
      reason = vellaro::format(kWavEncodingUnknown, static_cast<unsigned>(encodingTag(format) ? encodingTag(format) : format.formatTag));
      break;
    case SampleProblem::NoChannels:
      reason = kWavNoChannels;
      break;
    case SampleProblem::SampleBits:
      reason = vellaro::format(encodingOf(format) == Encoding::Float ? kWavFloatBitsUnplayable : kWavBitsUnplayable,
                      static_cast<unsigned>(format.bitsPerSample));
      break;
    case SampleProblem::SampleRate:
      reason = vellaro::format(kWavRateOutside, static_cast<unsigned>(format.sampleRate), static_cast<unsigned>(kLowestSampleRate),
                      static_cast<unsigned>(kHighestSampleRate));
      break;
    case SampleProblem::TooLarge:
      reason = kWavTooLarge;
      break;
  }
  return vellaro::format(kWavCannotPlay, path, reason.c_str());
}

}  // namespace vellaro
