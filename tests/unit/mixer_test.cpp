// The software mixer, fed with traceable samples (1, 2, 3, ...) so that a wrong frame shows where it
// came from. Each test names the fault it guards against.
#include <gtest/gtest.h>

#include <vector>

#include "sound/mixer.h"
#include "sound/pitch_table.h"
#include "sound_test_support.h"

namespace vellaro {
namespace {

SampleView view(const void* data, size_t bytes, uint8_t channels, uint8_t bitsFactor, uint8_t speedFactor) {
  SampleView sample;
  sample.data = static_cast<const uint8_t*>(data);
  sample.size = bytes;
  sample.channels = channels;
  sample.bitsFactor = bitsFactor;
  sample.groupFactor = static_cast<uint8_t>(channels * bitsFactor);
  sample.speedFactor = speedFactor;
  sample.pitchBase = 128;
  return sample;
}

SampleView mono16(const std::vector<int16_t>& samples, uint8_t speedFactor = 4) {
  return view(samples.data(), samples.size() * 2, 1, 2, speedFactor);
}

std::vector<int16_t> mix(Mixer& mixer, uint32_t frames) {
  std::vector<int16_t> out(2 * size_t{frames}, -1);
  mixer.mixFrames(out.data(), frames);
  return out;
}

std::vector<int16_t> channel(const std::vector<int16_t>& out, size_t which) {
  std::vector<int16_t> samples;
  for (size_t i = which; i < out.size(); i += 2) samples.push_back(out[i]);
  return samples;
}

// Both channels, checking they are equal (a mono voice sounds on both).
std::vector<int16_t> monoOut(const std::vector<int16_t>& out) {
  EXPECT_EQ(channel(out, 0), channel(out, 1));
  return channel(out, 0);
}

std::vector<int16_t> zeros(size_t n) { return std::vector<int16_t>(n, 0); }

TEST(PitchTable, HoldsTheStoredValuesNotComputedOnes) {
  EXPECT_EQ(kPitchTable[0], 32);
  EXPECT_EQ(kPitchTable[12], 64);
  EXPECT_EQ(kPitchTable[24], 128);
  EXPECT_EQ(kPitchTable[36], 256);
  EXPECT_EQ(kPitchTable[65], 1368);
  EXPECT_EQ(kPitchTable[66], 1428);  // not 1448
  EXPECT_EQ(kPitchTable[71], 1934);
}

TEST(Mixer, WritesZerosWithNoActiveVoice) {
  Mixer mixer;
  EXPECT_EQ(mix(mixer, kBufferFrames), zeros(2 * size_t{kBufferFrames}));
  EXPECT_TRUE(mixer.isSilent());
}

// Guards against an off-by-one in the position or in the 100-frame tail.
TEST(Mixer, Note24PlaysEverySampleOnceAndStopsBeforeTheTail) {
  std::vector<int16_t> samples = traceable(300);
  Mixer mixer;
  ASSERT_EQ(mixer.startVoice(mono16(samples), 24, 88, 127), 1);
  EXPECT_FALSE(mixer.isSilent());
  std::vector<int16_t> out = monoOut(mix(mixer, 250));
  std::vector<int16_t> expected = traceable(200);
  expected.resize(250, 0);
  EXPECT_EQ(out, expected);
  EXPECT_TRUE(mixer.isSilent());  // the mixer freed it on reaching its end
}

TEST(Mixer, Note36SkipsEverySecondFrameAndEndsInHalfTheTime) {
  std::vector<int16_t> samples = traceable(300);
  Mixer mixer;
  mixer.startVoice(mono16(samples), 36, 88, 127);
  std::vector<int16_t> out = monoOut(mix(mixer, 120));
  for (size_t i = 0; i < 100; ++i) EXPECT_EQ(out[i], samples[2 * i]) << i;
  EXPECT_EQ(std::vector<int16_t>(out.begin() + 100, out.end()), zeros(20));
  EXPECT_TRUE(mixer.isSilent());
}

TEST(Mixer, Note12PlaysEveryFrameTwice) {
  std::vector<int16_t> samples = traceable(300);
  Mixer mixer;
  mixer.startVoice(mono16(samples), 12, 88, 127);
  std::vector<int16_t> out = monoOut(mix(mixer, 410));
  for (size_t i = 0; i < 400; ++i) EXPECT_EQ(out[i], samples[i / 2]) << i;
  EXPECT_EQ(std::vector<int16_t>(out.begin() + 400, out.end()), zeros(10));
}

TEST(Mixer, A22050HzSampleAtNote24PlaysEveryFrameTwice) {
  std::vector<int16_t> samples = traceable(300);
  Mixer mixer;
  mixer.startVoice(mono16(samples, 2), 24, 88, 127);
  std::vector<int16_t> out = monoOut(mix(mixer, 402));
  for (size_t i = 0; i < 400; ++i) EXPECT_EQ(out[i], samples[i / 2]) << i;
  EXPECT_EQ(out[400], 0);
}

TEST(Mixer, An11025HzSampleAtNote24PlaysEveryFrameFourTimes) {
  std::vector<int16_t> samples = traceable(110);
  Mixer mixer;
  mixer.startVoice(mono16(samples, 1), 24, 88, 127);
  std::vector<int16_t> out = monoOut(mix(mixer, 44));
  for (size_t i = 0; i < 40; ++i) EXPECT_EQ(out[i], samples[i / 4]) << i;
  EXPECT_EQ(std::vector<int16_t>(out.begin() + 40, out.end()), zeros(4));
}

TEST(Mixer, ConvertsEightBitSamplesToSigned16Bits) {
  std::vector<uint8_t> bytes = {128, 0, 255, 129, 127};
  bytes.resize(105, 128);
  Mixer mixer;
  mixer.startVoice(view(bytes.data(), bytes.size(), 1, 1, 4), 24, 88, 127);
  EXPECT_EQ(monoOut(mix(mixer, 6)), (std::vector<int16_t>{0, -32768, 32512, 256, -256, 0}));
}

TEST(Mixer, ReadsInterleavedStereo16Bits) {
  std::vector<int16_t> frames = traceable(2 * 110);  // left 1, right 2, left 3, ...
  Mixer mixer;
  mixer.startVoice(view(frames.data(), frames.size() * 2, 2, 2, 4), 24, 88, 127);
  std::vector<int16_t> out = mix(mixer, 12);
  EXPECT_EQ(channel(out, 0), (std::vector<int16_t>{1, 3, 5, 7, 9, 11, 13, 15, 17, 19, 0, 0}));
  EXPECT_EQ(channel(out, 1), (std::vector<int16_t>{2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 0, 0}));
}

TEST(Mixer, ReadsInterleavedStereo8Bits) {
  std::vector<uint8_t> frames = {128, 0, 255, 129};
  frames.resize(2 * 102, 128);
  Mixer mixer;
  mixer.startVoice(view(frames.data(), frames.size(), 2, 1, 4), 24, 88, 127);
  std::vector<int16_t> out = mix(mixer, 3);
  EXPECT_EQ(channel(out, 0), (std::vector<int16_t>{0, 32512, 0}));
  EXPECT_EQ(channel(out, 1), (std::vector<int16_t>{-32768, 256, 0}));
}

// Guards against saturation or scaling: sums keep their low 16 bits only.
TEST(Mixer, LoudSumsWrapAroundInsteadOfClipping) {
  std::vector<int16_t> loud(200, 30000);
  Mixer mixer;
  mixer.startVoice(mono16(loud), 24, 88, 127);
  mixer.startVoice(mono16(loud), 24, 88, 127);
  EXPECT_EQ(monoOut(mix(mixer, 3)), (std::vector<int16_t>{-5536, -5536, -5536}));
}

TEST(Mixer, TwoMonoVoicesAddOnBothChannels) {
  std::vector<int16_t> a = traceable(200, 1);
  std::vector<int16_t> b = traceable(200, 1000);
  Mixer mixer;
  mixer.startVoice(mono16(a), 24, 88, 127);
  mixer.startVoice(mono16(b), 24, 88, 127);
  std::vector<int16_t> out = monoOut(mix(mixer, 4));
  EXPECT_EQ(out, (std::vector<int16_t>{1001, 1003, 1005, 1007}));
}

class TailTest : public ::testing::TestWithParam<size_t> {};

TEST_P(TailTest, ASampleOf100PlusKFramesPlaysKFrames) {
  size_t k = GetParam();
  std::vector<int16_t> samples = traceable(100 + k);
  Mixer mixer;
  EXPECT_EQ(mixer.startVoice(mono16(samples), 24, 88, 127), 1);
  std::vector<int16_t> expected = traceable(k);
  expected.resize(k + 5, 0);
  EXPECT_EQ(monoOut(mix(mixer, static_cast<uint32_t>(k + 5))), expected);
  EXPECT_TRUE(mixer.isSilent());
}

INSTANTIATE_TEST_SUITE_P(Frames, TailTest, ::testing::Values(1u, 2u, 7u, 441u, 3083u));

TEST(Mixer, PlaysOnAcrossTicksFromWhereItStopped) {
  std::vector<int16_t> samples = traceable(400);
  Mixer mixer;
  mixer.startVoice(mono16(samples), 24, 88, 127);
  std::vector<int16_t> first = monoOut(mix(mixer, 150));
  std::vector<int16_t> second = monoOut(mix(mixer, 150));
  first.insert(first.end(), second.begin(), second.end());
  EXPECT_EQ(first, traceable(300));
}

TEST(Mixer, AVoiceStartedAgainBeginsAtItsFirstFrame) {
  std::vector<int16_t> samples = traceable(400);
  Mixer mixer;
  mixer.startVoice(mono16(samples), 24, 88, 127);
  mix(mixer, 50);
  mixer.stopAllVoices();
  EXPECT_TRUE(mixer.isSilent());
  mixer.startVoice(mono16(samples), 24, 88, 127);  // takes the same voice
  EXPECT_EQ(monoOut(mix(mixer, 3)), (std::vector<int16_t>{1, 2, 3}));
}

// Guards against a 61st voice overwriting a playing one.
TEST(Mixer, The61stVoiceIsDroppedButStillReportsSuccess) {
  std::vector<int16_t> ones(200, 1);
  std::vector<int16_t> loud(200, 1000);
  Mixer mixer;
  for (int i = 0; i < kVoiceCount; ++i) ASSERT_EQ(mixer.startVoice(mono16(ones), 24, 88, 127), 1);
  EXPECT_EQ(mixer.startVoice(mono16(loud), 24, 88, 127), 1);
  EXPECT_EQ(monoOut(mix(mixer, 2)), (std::vector<int16_t>{60, 60}));
}

struct StopCase {
  const char* name;
  bool sameInstrument;
  uint16_t note;
  uint16_t tag;
  bool stops;
};

class StopVoiceTest : public ::testing::TestWithParam<StopCase> {};

TEST_P(StopVoiceTest, MatchesTagNoteAndInstrument) {
  const StopCase& c = GetParam();
  std::vector<int16_t> samples(300, 7);
  std::vector<int16_t> other(300, 7);
  Mixer mixer;
  mixer.startVoice(mono16(samples), 24, 8, 127);
  EXPECT_EQ(mixer.stopVoice(mono16(c.sameInstrument ? samples : other), c.note, c.tag), 0);
  EXPECT_EQ(mixer.isSilent(), c.stops) << c.name;
  EXPECT_EQ(monoOut(mix(mixer, 1))[0], c.stops ? 0 : 7) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Table, StopVoiceTest,
                         ::testing::Values(StopCase{"identical", true, 24, 8, true},
                                           StopCase{"another tag", true, 24, 88, false},
                                           StopCase{"another note", true, 25, 8, false},
                                           StopCase{"another instrument", false, 24, 8, false},
                                           StopCase{"a note with no pitch", true, 72, 8, false}));

TEST(Mixer, StopVoiceStopsEveryVoiceStartedIdentically) {
  std::vector<int16_t> samples(300, 7);
  Mixer mixer;
  mixer.startVoice(mono16(samples), 30, 8, 127);
  mixer.startVoice(mono16(samples), 30, 8, 127);
  mixer.stopVoice(mono16(samples), 30, 8);
  EXPECT_TRUE(mixer.isSilent());
}

TEST(Mixer, StartVoiceWithoutDataReturns0) {
  Mixer mixer;
  EXPECT_EQ(mixer.startVoice(SampleView{}, 24, 88, 127), 0);
  EXPECT_TRUE(mixer.isSilent());
}

// The open cases: none may read outside the sample or leave a voice that never ends.
struct UnplayableCase {
  const char* name;
  size_t frames;
  uint8_t groupFactor;
  uint16_t note;
  uint16_t pitchBase;
};

class UnplayableTest : public ::testing::TestWithParam<UnplayableCase> {};

TEST_P(UnplayableTest, StartsNoVoice) {
  const UnplayableCase& c = GetParam();
  std::vector<int16_t> samples = traceable(c.frames);
  SampleView sample = mono16(samples);
  sample.groupFactor = c.groupFactor;
  sample.pitchBase = c.pitchBase;
  Mixer mixer;
  EXPECT_EQ(mixer.startVoice(sample, c.note, 88, 127), 0) << c.name;
  EXPECT_TRUE(mixer.isSilent()) << c.name;
  EXPECT_EQ(mix(mixer, 4), zeros(8)) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Table, UnplayableTest,
    ::testing::Values(UnplayableCase{"fewer than 100 frames", 40, 2, 24, 128},
                      UnplayableCase{"exactly 100 frames", 100, 2, 24, 128},
                      UnplayableCase{"no frames", 0, 2, 24, 128},
                      UnplayableCase{"block align 0", 300, 0, 24, 128},
                      UnplayableCase{"note 72", 300, 2, 72, 128},
                      UnplayableCase{"note 65535", 300, 2, 65535, 128},
                      UnplayableCase{"pitch base 0", 300, 2, 24, 0}));

TEST(Mixer, ASampleRateBelow11025HzPlaysAtTheSlowestStepAndEnds) {
  std::vector<int16_t> samples = traceable(103);
  Mixer mixer;
  ASSERT_EQ(mixer.startVoice(mono16(samples, 0), 24, 88, 127), 1);
  std::vector<int16_t> out = monoOut(mix(mixer, 14));
  EXPECT_EQ(out, (std::vector<int16_t>{1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 0, 0}));
  EXPECT_TRUE(mixer.isSilent());
}

// A file may declare fewer bytes per frame than its layout reads: the voice must stop at the data.
TEST(Mixer, AFrameSizeThatUnderstatesTheLayoutNeverReadsPastTheData) {
  std::vector<int16_t> frames = traceable(2 * 150);  // 150 stereo 16-bit frames
  SampleView sample = view(frames.data(), frames.size() * 2, 2, 2, 4);
  sample.groupFactor = 1;  // says 600 frames
  EXPECT_EQ(playableFrames(sample), 50u);
  Mixer mixer;
  mixer.startVoice(sample, 71, 88, 127);
  mix(mixer, kMixBufferFrames);  // AddressSanitizer reports any read past the vector
  EXPECT_TRUE(mixer.isSilent());
}

TEST(Mixer, MixesAtMostOneBufferAndItsSlack) {
  Mixer mixer;
  std::vector<int16_t> out(2 * 4000, 99);
  mixer.mixFrames(out.data(), 4000);
  EXPECT_EQ(out[2 * kMixBufferFrames - 1], 0);
  EXPECT_EQ(out[2 * kMixBufferFrames], 99);
}

struct SpanCase {
  uint32_t write;
  uint32_t play;
  uint32_t bytes;
};

class SpanTest : public ::testing::TestWithParam<SpanCase> {};

TEST_P(SpanTest, RefillsWhatThePlayCursorHasPassed) {
  EXPECT_EQ(spanBytes(GetParam().write, GetParam().play), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(Table, SpanTest,
                         ::testing::Values(SpanCase{0, 1764, 1764}, SpanCase{1764, 3528, 1764},
                                           SpanCase{11760, 1176, 1764}, SpanCase{0, 0, 12348},
                                           SpanCase{5000, 5000, 12348}, SpanCase{4, 0, 12344}));

}  // namespace
}  // namespace vellaro
