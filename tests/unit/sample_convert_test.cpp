// Samples brought to what the mixer plays in tune, on WAV files generated here.
#include "sound/sample_convert.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <tuple>

#include "sound/instrument_bank.h"
#include "sound_test_support.h"

namespace vellaro {
namespace {

constexpr double kToneHz = 441.0;

// Walks a file of these chunks and converts its sample.
SampleProblem prepared(const std::vector<uint8_t>& fmt, const std::vector<uint8_t>& data, WavSample& sample) {
  WavBytes file;
  file.riff("WAVE").chunk("fmt ", fmt).chunk("data", data);
  EXPECT_EQ(parseWav(file.bytes.data(), file.bytes.size(), sample), WavResult::Loaded);
  return prepareSample(sample);
}

auto fields(const WavFormat& f) {
  return std::make_tuple(f.formatTag, f.channels, f.sampleRate, f.blockAlign, f.bitsPerSample, f.subFormat);
}

// The pitch from the mean distance between the first and the last rising zero crossing.
double pitchOf(const WavSample& sample, unsigned channel) {
  size_t frames = sample.size / sample.format.blockAlign;
  auto at = [&](size_t f) {
    int16_t v;
    std::memcpy(&v, sample.data.get() + f * sample.format.blockAlign + 2 * channel, 2);
    return v;
  };
  size_t first = 0, last = 0, count = 0;
  for (size_t f = 1; f < frames; ++f) {
    if (at(f - 1) >= 0 || at(f) < 0) continue;
    if (count++ == 0) first = f;
    last = f;
  }
  return count < 2 ? 0 : sample.format.sampleRate * static_cast<double>(count - 1) / static_cast<double>(last - first);
}

struct ConvertCase {
  const char* name;
  bool extensible;
  uint16_t tag, bits, channels;
  uint32_t rate, outRate;
};

class ConvertTest : public ::testing::TestWithParam<ConvertCase> {};

// Guards against samples that play at the wrong pitch or length, or as noise.
TEST_P(ConvertTest, HalfASecondOf441HzStaysSo) {
  const ConvertCase& c = GetParam();
  std::vector<uint8_t> fmt = c.extensible ? WavBytes::extensible(c.tag, c.channels, c.rate, c.bits)
                                          : WavBytes::format(c.channels, c.rate, c.bits, c.tag);
  WavSample sample;
  ASSERT_EQ(prepared(fmt, toneData(c.tag, c.bits, c.channels, c.rate, c.rate / 2), sample), SampleProblem::None);
  uint16_t outChannels = c.channels == 1 ? 1 : 2;
  EXPECT_EQ(fields(sample.format), fields({kWavPcm, outChannels, c.outRate, uint16_t(2 * outChannels), 16, 0}));
  EXPECT_EQ(sample.size, size_t{c.outRate} / 2 * 2 * outChannels) << c.name;
  for (unsigned channel = 0; channel < outChannels; ++channel) {
    EXPECT_NEAR(pitchOf(sample, channel), kToneHz, kToneHz * 0.002) << c.name << " channel " << channel;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ConvertTest,
    ::testing::Values(ConvertCase{"16-bit 48000", false, 1, 16, 1, 48000, 44100},
                      ConvertCase{"24-bit 32000", false, 1, 24, 1, 32000, 44100},
                      ConvertCase{"float 96000 stereo", false, 3, 32, 2, 96000, 44100},
                      ConvertCase{"8-bit 8000", false, 1, 8, 1, 8000, 44100},
                      ConvertCase{"32-bit 192000 stereo", false, 1, 32, 2, 192000, 44100},
                      ConvertCase{"24-bit 22050 keeps its rate", false, 1, 24, 1, 22050, 22050},
                      ConvertCase{"16-bit 44100 in six channels", false, 1, 16, 6, 44100, 44100},
                      ConvertCase{"extensible 24-bit 48000 stereo", true, 1, 24, 2, 48000, 44100},
                      ConvertCase{"extensible float 11025", true, 3, 32, 1, 11025, 11025}));

class UnchangedTest : public ::testing::TestWithParam<std::tuple<uint16_t, uint16_t, uint32_t>> {};

// Guards against touching the samples that have always played in tune.
TEST_P(UnchangedTest, KeepsTheFileBytesAndFields) {
  auto [bits, channels, rate] = GetParam();
  WavSample sample;
  ASSERT_EQ(prepared(WavBytes::format(channels, rate, bits), {9, 8, 7, 6, 5, 4, 3}, sample), SampleProblem::None);
  EXPECT_EQ(std::memcmp(sample.data.get(), "\x09\x08\x07\x06\x05\x04\x03", 7), 0);
  EXPECT_EQ(sample.size, 7u);
  EXPECT_EQ(fields(sample.format), std::make_tuple(uint16_t{1}, channels, rate, uint16_t(channels * bits / 8), bits, uint16_t{0}));
}

INSTANTIATE_TEST_SUITE_P(Table, UnchangedTest,
                         ::testing::Combine(::testing::Values(8, 16), ::testing::Values(1, 2),
                                            ::testing::Values(11025, 22050, 44100)));

struct DepthCase {
  const char* name;
  std::vector<uint8_t> fmt;
  std::vector<uint8_t> data;
  std::vector<int16_t> expected;
};

std::vector<uint8_t> floats(std::initializer_list<float> values) {
  std::vector<uint8_t> bytes(values.size() * 4);
  std::memcpy(bytes.data(), values.begin(), bytes.size());  // little-endian, as is x86
  return bytes;
}

class DepthTest : public ::testing::TestWithParam<DepthCase> {};

TEST_P(DepthTest, GivesThese16BitSamples) {
  const DepthCase& c = GetParam();
  WavSample sample;
  ASSERT_EQ(prepared(c.fmt, c.data, sample), SampleProblem::None) << c.name;
  std::vector<int16_t> got(sample.size / 2);
  std::memcpy(got.data(), sample.data.get(), got.size() * 2);
  EXPECT_EQ(got, c.expected) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Table, DepthTest,
    ::testing::Values(
        DepthCase{"24-bit keeps the top 16 bits", WavBytes::format(1, 44100, 24),
                  {0xFF, 0xFF, 0x7F, 0, 0, 0x80, 0, 0x34, 0x12}, {32767, -32768, 0x1234}},
        DepthCase{"32-bit keeps the top 16 bits", WavBytes::format(1, 44100, 32),
                  {0xFF, 0xFF, 0xFF, 0x7F, 0, 0, 0, 0x80, 0, 0, 0x34, 0x12}, {32767, -32768, 0x1234}},
        DepthCase{"float is clipped, NaN is silence", WavBytes::format(1, 44100, 32, kWavFloat),
                  floats({1.5f, -2.0f, 0.5f, NAN}), {32767, -32767, 16384, 0}},
        DepthCase{"extensible float", WavBytes::extensible(kWavFloat, 1, 44100, 32), floats({-0.25f}), {-8192}},
        DepthCase{"four channels keep the first two", WavBytes::format(4, 44100, 16),
                  WavBytes::words({1, 2, 3, 4, 5, 6, 7, 8}), {1, 2, 5, 6}},
        DepthCase{"three 8-bit channels", WavBytes::format(3, 22050, 8), {0, 128, 255, 255, 0, 7},
                  {-32768, 0, 32512, -32768}},
        // Guards against reading a frame that is only partly in the file.
        DepthCase{"a partial last frame is left out", WavBytes::format(1, 44100, 24), {0, 0, 0x40, 0xAA, 0xBB},
                  {0x4000}}));

struct RefusalCase {
  const char* name;
  std::vector<uint8_t> fmt;
  std::string reason;
};

class RefusalTest : public ::testing::TestWithParam<RefusalCase> {};

// Guards against compressed or unusual files playing as loud noise.
TEST_P(RefusalTest, NamesTheFileAndTheReasonAndSoundsNothing) {
  const RefusalCase& c = GetParam();
  RecordingMessages messages;
  RecordingVoices voices;
  InstrumentBank bank{messages, &voices, nullptr};
  WavBytes file;
  file.riff("WAVE").chunk("fmt ", c.fmt).chunk("data", std::vector<uint8_t>(400, 0x55));
  std::string path = writeTempFile("refused.wav", file.bytes);
  int entry = bank.findSample(path.c_str());
  EXPECT_EQ(entry, kNoInstrument);
  EXPECT_EQ(messages.messages, std::vector<std::string>{"Cannot play WAV file " + path + ": " + c.reason}) << c.name;
  EXPECT_EQ(bank.entry(0), nullptr);
  EXPECT_EQ(bank.noteOn(entry, 24, kScriptTag), 0);
}

std::string compressed(unsigned tag) {
  return "format " + std::to_string(tag) + " is compressed or unknown; only PCM and float samples can be played";
}

INSTANTIATE_TEST_SUITE_P(
    Table, RefusalTest,
    ::testing::Values(
        RefusalCase{"ADPCM", WavBytes::format(1, 22050, 4, 2), compressed(2)},
        RefusalCase{"mu-law", WavBytes::format(1, 8000, 8, 7), compressed(7)},
        RefusalCase{"MP3", WavBytes::format(2, 44100, 0, 0x55), compressed(85)},
        RefusalCase{"extensible ADPCM", WavBytes::extensible(2, 1, 44100, 4),
                    compressed(2)},
        RefusalCase{"extensible without its GUID", WavBytes::format(2, 44100, 16, kWavExtensible),
                    compressed(65534)},
        RefusalCase{"12-bit", WavBytes::format(1, 44100, 12), "12-bit samples cannot be played"},
        RefusalCase{"64-bit float", WavBytes::format(1, 44100, 64, kWavFloat),
                    "64-bit float samples cannot be played"},
        RefusalCase{"5512 Hz", WavBytes::format(1, 5512, 16), "its sample rate of 5512 Hz is outside 8000 to 192000 Hz"},
        RefusalCase{"no channels", WavBytes::format(0, 44100, 16), "it has no channels"}));

}  // namespace
}  // namespace vellaro
