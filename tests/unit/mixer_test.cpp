// The software mixer, fed with traceable samples (1, 2, 3, ...) so that a wrong frame shows where it
// came from. Each test names the fault it guards against.
#include "sound/mixer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "sound/interpolation.h"
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

// Cents of a step (sample frames << 32 per output frame) from equal temperament at note n of a
// sample recorded at a rate of speedFactor x 11025 Hz.
double centsOff(uint64_t step, int note, int speedFactor) {
  double ratio = static_cast<double>(step) / 4294967296.0 * 4.0 / speedFactor;
  return 1200.0 * std::log2(ratio) - 100.0 * (note - 24);
}

// The stored multipliers were up to 29 cents off; every note must be within 1 cent, at every rate
// the instrument bank keeps (11025, 22050 and 44100 Hz; others are converted to 44100 Hz).
TEST(PitchTable, EveryNoteIsWithinOneCentOfEqualTemperament) {
  double worst = 0;
  for (int speed : {1, 2, 4}) {
    for (int note = 0; note < kPitchTableSize; ++note) {
      uint64_t step = voiceStep(static_cast<uint16_t>(note), static_cast<uint8_t>(speed), 128);
      double cents = centsOff(step, note, speed);
      EXPECT_LT(std::fabs(cents), 1.0) << "note " << note << " at speed " << speed << ": " << cents << " cents";
      worst = std::max(worst, std::fabs(cents));
    }
  }
  std::printf("the furthest note of the pitch table is %.4f cent from equal temperament\n", worst);
}

// The octaves of note 24 must land on whole frames (no interpolation, the sample bit for bit).
TEST(PitchTable, TheOctavesOfNote24AreExact) {
  struct Case {
    uint16_t note;
    uint8_t speed;
    uint64_t step;
  } cases[] = {{24, 4, 1ull << 32}, {36, 4, 2ull << 32}, {48, 4, 4ull << 32}, {60, 4, 8ull << 32},
               {12, 4, 1ull << 31}, {0, 4, 1ull << 30}, {24, 2, 1ull << 31}, {36, 2, 1ull << 32},
               {48, 1, 1ull << 32}, {24, 1, 1ull << 30}, {24, 0, 1ull << 30}};
  for (const Case& c : cases) EXPECT_EQ(voiceStep(c.note, c.speed, 128), c.step) << c.note << " speed " << int{c.speed};
  EXPECT_EQ(voiceStep(72, 4, 128), 0u);
  EXPECT_EQ(voiceStep(24, 4, 0), 0u);
}

// Each row must be the Catmull-Rom cubic at its phase within a rounding and sum to exactly 1 (a
// constant sample stays that constant); the stereo rows hold the same weights in the order
// w0 w1 w0 w1 w2 w3 w2 w3.
TEST(InterpolationWeights, AreTheCatmullRomCubicAtEachPhase) {
  for (int phase = 0; phase < kInterpolationPhases; ++phase) {
    double t = static_cast<double>(phase) / kInterpolationPhases;
    const double cubic[4] = {-0.5 * t * t * t + t * t - 0.5 * t, 1.5 * t * t * t - 2.5 * t * t + 1,
                             -1.5 * t * t * t + 2 * t * t + 0.5 * t, 0.5 * t * t * t - 0.5 * t * t};
    const int16_t* w = kMonoWeights[static_cast<size_t>(phase)].w;
    const int16_t* s = kStereoWeights[static_cast<size_t>(phase)].w;
    int sum = 0;
    for (int j = 0; j < 4; ++j) {
      EXPECT_NEAR(w[j], cubic[j] * 16384, 1.5) << "phase " << phase << ", weight " << j;
      sum += w[j];
    }
    EXPECT_EQ(sum, 16384) << "phase " << phase;
    EXPECT_EQ((std::vector<int16_t>(s, s + 8)), (std::vector<int16_t>{w[0], w[1], w[0], w[1], w[2], w[3], w[2], w[3]}))
        << "phase " << phase;
  }
  struct Case {
    uint64_t position;
    uint32_t phase;
  } cases[] = {{0, 0}, {(5ull << 32) + (1u << 23) - 1, 0}, {(5ull << 32) + (1u << 23), 1},
               {0x80000000u, 256}, {0xFFFFFFFFu, 511}};
  for (const Case& c : cases) EXPECT_EQ(interpolationPhase(c.position), c.phase) << c.position;
}

TEST(Mixer, WritesZerosWithNoActiveVoice) {
  Mixer mixer;
  EXPECT_EQ(mix(mixer, kWriteAheadFrames), zeros(2 * size_t{kWriteAheadFrames}));
  EXPECT_TRUE(mixer.isSilent());
}

// Sample frame k holds 128 (k + 1), a straight line through the silence before frame 0. The cubic
// keeps a straight line straight, and at quarter frames every weight is a multiple of 128, so each
// half of the weighted sum is whole: output frame i at position x = i * step / 4 frames is exactly
// 128 + 128 x, then silence. Guards against an off-by-one in the position, the rate rule, the
// interpolation's frames or the 100-frame tail.
struct RateCase {
  const char* name;
  uint16_t note;
  uint8_t speedFactor;
  size_t frames;
  uint32_t step;  // sample frames per output frame, times 4
  size_t played;  // output frames before the voice ends
};

class RateTest : public ::testing::TestWithParam<RateCase> {};

TEST_P(RateTest, PlaysTheSampleAtThePositionsOfItsRate) {
  const RateCase& c = GetParam();
  std::vector<int16_t> samples(c.frames);
  for (size_t k = 0; k < c.frames; ++k) samples[k] = static_cast<int16_t>(128 * (k + 1));
  Mixer mixer;
  ASSERT_EQ(mixer.startVoice(mono16(samples, c.speedFactor), c.note, 88, 127), 1);
  EXPECT_FALSE(mixer.isSilent());
  std::vector<int16_t> expected(c.played + 10, 0);
  for (size_t i = 0; i < c.played; ++i) expected[i] = static_cast<int16_t>(128 + 32 * i * c.step);
  EXPECT_EQ(monoOut(mix(mixer, static_cast<uint32_t>(c.played + 10))), expected) << c.name;
  EXPECT_TRUE(mixer.isSilent()) << c.name;  // the mixer freed it at its end
}

INSTANTIATE_TEST_SUITE_P(Table, RateTest,
                         ::testing::Values(RateCase{"44100 Hz at note 24: each frame once", 24, 4, 250, 4, 150},
                                           RateCase{"note 36: every second frame", 36, 4, 250, 8, 75},
                                           RateCase{"note 12: each frame and the midpoint after it", 12, 4, 250, 2, 300},
                                           RateCase{"22050 Hz at note 24: frames and midpoints", 24, 2, 250, 2, 300},
                                           RateCase{"22050 Hz at note 36: each frame once", 36, 2, 250, 4, 150},
                                           RateCase{"11025 Hz at note 24: quarter frames", 24, 1, 110, 1, 40},
                                           RateCase{"below 11025 Hz: as slow as 11025", 24, 0, 103, 1, 12}));

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

// Sums past 16 bits are held at the rails, never wrapped round to the other sign. The voices' frames
// differ from frame to frame, so a value out of place shows which frame it came from.
struct RailCase {
  const char* fault;
  std::vector<std::vector<int16_t>> monoVoices;    // three frames each
  std::vector<std::vector<int16_t>> stereoVoices;  // three frames each, the same on both channels
  std::vector<int16_t> out;
};

const RailCase kRailCases[] = {
    {"the top wraps round", {{30000, 30001, 30002}, {30000, 2767, 2764}}, {}, {32767, 32767, 32766}},
    {"the bottom wraps round", {{-30000, -30001, -30002}, {-30000, -2768, -2765}}, {}, {-32768, -32768, -32767}},
    {"one past a rail wraps", {{32767, -32768, 32767}, {1, -1, 0}}, {}, {32767, -32768, 32767}},
    {"a sum is clamped before the last voice is added",
     {{30000, -30000, 20000}, {30000, -30000, 20000}, {-30000, 30000, -20000}},
     {},
     {30000, -30000, 20000}},
    {"the stereo and the mono sums are clamped apart",
     {{-20000, 20000, -30000}},
     {{20000, -20000, 30000}, {20000, -20000, 30000}},
     {20000, -20000, 30000}},
    {"stereo voices wrap round", {}, {{30000, -30000, 100}, {30000, -30000, 200}}, {32767, -32768, 300}},
};

TEST(Mixer, LoudSumsStayAtTheRails) {
  for (const RailCase& c : kRailCases) {
    std::vector<std::vector<int16_t>> samples;
    for (const std::vector<int16_t>& frames : c.monoVoices) {
      samples.push_back(frames);
      samples.back().resize(103, 0);
    }
    for (const std::vector<int16_t>& frames : c.stereoVoices) {
      std::vector<int16_t> both;
      for (int16_t value : frames) both.insert(both.end(), {value, value});
      both.resize(2 * 103, 0);
      samples.push_back(both);
    }
    Mixer mixer;
    for (size_t v = 0; v < samples.size(); ++v) {
      bool mono = v < c.monoVoices.size();
      ASSERT_EQ(mixer.startVoice(view(samples[v].data(), samples[v].size() * 2, mono ? 1 : 2, 2, 4), 24, 88, 127), 1);
    }
    EXPECT_EQ(monoOut(mix(mixer, 3)), c.out) << c.fault;
  }
}

TEST(Mixer, EightBitSumsStayAtTheRails) {
  std::vector<uint8_t> loud = {255, 0, 200};  // 32512, -32768, 18432
  loud.resize(103, 128);
  Mixer mixer;
  mixer.startVoice(view(loud.data(), loud.size(), 1, 1, 4), 24, 88, 127);
  mixer.startVoice(view(loud.data(), loud.size(), 1, 1, 4), 24, 88, 127);
  EXPECT_EQ(monoOut(mix(mixer, 3)), (std::vector<int16_t>{32767, -32768, 32767}));
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

INSTANTIATE_TEST_SUITE_P(Frames, TailTest, ::testing::Values(1u, 2u, 7u, 441u, 3082u));

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
                      UnplayableCase{"exactly 100 frames", 100, 2, 24, 128}, UnplayableCase{"no frames", 0, 2, 24, 128},
                      UnplayableCase{"block align 0", 300, 0, 24, 128}, UnplayableCase{"note 72", 300, 2, 72, 128},
                      UnplayableCase{"note 65535", 300, 2, 65535, 128}, UnplayableCase{"pitch base 0", 300, 2, 24, 0}));

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

TEST(Mixer, MixesAtMostAWholeWriteAhead) {
  Mixer mixer;
  std::vector<int16_t> out(2 * 4000, 99);
  mixer.mixFrames(out.data(), 4000);
  EXPECT_EQ(out[2 * kMixBufferFrames - 1], 0);
  EXPECT_EQ(out[2 * kMixBufferFrames], 99);
}

// The whole rule of one voice written out plainly: output frame c reads the sample at position
// c * step (frames << 32) and weighs frames k - 1 to k + 2 around k = c * step >> 32 by the row of
// the fraction's top 9 bits, in two floored halves, with silence before the first frame. For
// comparing the mixer's stepped, grouped and cut-up loops with it.
class ReferenceVoice {
 public:
  ReferenceVoice(const SampleView& sample, uint16_t note)
      : sample_(sample), end_(playableFrames(sample)), step_(voiceStep(note, sample.speedFactor, sample.pitchBase)) {}

  void add(std::vector<int32_t>& sums, uint32_t frames) {
    for (uint32_t f = 0; f < frames && !ended_; ++f) {
      uint64_t position = counter_ * step_;
      int64_t k = static_cast<int64_t>(position >> 32);
      if (static_cast<uint64_t>(k) >= end_) {
        ended_ = true;
        break;
      }
      const int16_t* w = kMonoWeights[(position & 0xFFFFFFFFu) / (1u << 23)].w;
      for (int side = 0; side < 2; ++side) {
        int64_t nearHalf = sampleAt(k - 1, side) * w[0] + sampleAt(k, side) * w[1];
        int64_t farHalf = sampleAt(k + 1, side) * w[2] + sampleAt(k + 2, side) * w[3];
        sums[2 * f + side] += static_cast<int32_t>(floorDivide(nearHalf) + floorDivide(farHalf));
      }
      ++counter_;
    }
  }

 private:
  static int64_t floorDivide(int64_t sum) { return sum >= 0 ? sum / 16384 : -((-sum + 16383) / 16384); }

  int64_t sampleAt(int64_t frame, int side) const {
    if (frame < 0) return 0;
    size_t index = sample_.channels == 1 ? static_cast<size_t>(frame) : 2 * static_cast<size_t>(frame) + side;
    if (sample_.bitsFactor == 1) return (int64_t{sample_.data[index]} - 128) * 256;
    return static_cast<int16_t>(sample_.data[2 * index] | sample_.data[2 * index + 1] << 8);
  }

  SampleView sample_;
  uint64_t end_;
  uint64_t step_;
  uint64_t counter_ = 0;
  bool ended_ = false;
};

struct RandomVoice {
  std::vector<uint8_t> bytes;
  SampleView sample;
  uint16_t note;
};

RandomVoice randomVoice(std::mt19937& random, size_t maxFrames) {
  auto pick = [&random](uint32_t low, uint32_t high) { return std::uniform_int_distribution<uint32_t>(low, high)(random); };
  RandomVoice voice;
  voice.sample.channels = static_cast<uint8_t>(pick(1, 2));
  voice.sample.bitsFactor = static_cast<uint8_t>(pick(1, 2));
  voice.sample.groupFactor = static_cast<uint8_t>(voice.sample.channels * voice.sample.bitsFactor);
  // Speeds 1, 2 and 4 are what the bank makes; others come from a damaged or unusual file, 0 plays
  // as 1.
  voice.sample.speedFactor = static_cast<uint8_t>(pick(0, 3) == 0 ? pick(0, 255) : 1u << pick(0, 2));
  // Base 128 is what the bank makes; any other scales the step.
  voice.sample.pitchBase = static_cast<uint16_t>(pick(0, 3) == 0 ? pick(1, 400) : 128);
  voice.bytes.resize(pick(101, static_cast<uint32_t>(maxFrames)) * voice.sample.groupFactor);
  for (uint8_t& byte : voice.bytes) byte = static_cast<uint8_t>(random());
  voice.sample.data = voice.bytes.data();
  voice.sample.size = voice.bytes.size();
  voice.note = static_cast<uint16_t>(pick(0, kPitchTableSize - 1));
  return voice;
}

// The output of the plain rule for the next frames of these voices.
std::vector<int16_t> referenceMix(std::vector<ReferenceVoice>& reference, uint32_t frames) {
  std::vector<int32_t> sums(2 * size_t{frames}, 0);
  for (ReferenceVoice& voice : reference) voice.add(sums, frames);
  std::vector<int16_t> expected(sums.size());
  for (size_t i = 0; i < sums.size(); ++i) expected[i] = static_cast<int16_t>(std::clamp(sums[i], -32768, 32767));
  return expected;
}

// Every output sample of the mixer equals the plain rule's, over random voices, pitches, formats and
// tick lengths: guards the stepped positions, the interpolation of each layout, the end count, the
// spans, the mono sums and the clamp (60 voices of random bytes pass the rails often).
TEST(Mixer, MixesExactlyLikeThePlainPositionRule) {
  std::mt19937 random(20261207);
  for (int round = 0; round < 8; ++round) {
    std::vector<RandomVoice> voices;
    for (int i = 0; i < kVoiceCount; ++i) voices.push_back(randomVoice(random, 30000));
    Mixer mixer;
    std::vector<ReferenceVoice> reference;
    for (const RandomVoice& voice : voices) {
      ASSERT_EQ(mixer.startVoice(voice.sample, voice.note, 88, 127), 1);
      reference.emplace_back(voice.sample, voice.note);
    }
    for (int tick = 0; tick < 12; ++tick) {
      uint32_t frames = std::uniform_int_distribution<uint32_t>(1, kMixBufferFrames)(random);
      ASSERT_EQ(mix(mixer, frames), referenceMix(reference, frames)) << "round " << round << ", tick " << tick;
    }
  }
}

// Voices of one sample started at different ticks read near each other and mix side by side; some
// end while others beside them play on. Guards the ordering of voices that share a sample and the
// frames that the voices which play on mix alone.
TEST(Mixer, VoicesOfOneSampleStartedAtDifferentTicksMixLikeThePlainRule) {
  std::mt19937 random(41);
  for (int round = 0; round < 6; ++round) {
    RandomVoice shared = randomVoice(random, 20000);
    shared.sample.pitchBase = 128;
    shared.sample.speedFactor = static_cast<uint8_t>(1u << std::uniform_int_distribution<int>(0, 2)(random));
    Mixer mixer;
    std::vector<ReferenceVoice> reference;
    for (int tick = 0; tick < 10; ++tick) {
      for (int i = 0; i < kVoiceCount / 10; ++i) {
        auto note = static_cast<uint16_t>(std::uniform_int_distribution<int>(0, kPitchTableSize - 1)(random));
        ASSERT_EQ(mixer.startVoice(shared.sample, note, 88, 127), 1);
        reference.emplace_back(shared.sample, note);
      }
      uint32_t frames = std::uniform_int_distribution<uint32_t>(1, kMixBufferFrames)(random);
      ASSERT_EQ(mix(mixer, frames), referenceMix(reference, frames)) << "round " << round << ", tick " << tick;
    }
  }
}

// A voice that plays for many ticks, millions of frames into its sample: the position stepped by
// addition tick after tick must stay the plain rule's multiplication.
TEST(Mixer, ALongVoicePlaysLikeThePlainRuleTickAfterTick) {
  std::mt19937 random(7);
  std::vector<uint8_t> bytes(9'000'000);
  for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(random());
  SampleView sample = view(bytes.data(), bytes.size(), 1, 1, 1);
  Mixer mixer;
  ASSERT_EQ(mixer.startVoice(sample, 71, 88, 127), 1);
  ReferenceVoice reference(sample, 71);
  for (int tick = 0; tick < 800; ++tick) {
    std::vector<int32_t> sums(2 * size_t{kWriteAheadFrames}, 0);
    reference.add(sums, kWriteAheadFrames);
    std::vector<int16_t> out = mix(mixer, kWriteAheadFrames);
    for (size_t i = 0; i < sums.size(); ++i) {
      ASSERT_EQ(out[i], std::clamp(sums[i], -32768, 32767)) << "tick " << tick << ", sample " << i;
    }
  }
}

}  // namespace
}  // namespace vellaro
