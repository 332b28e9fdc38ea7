// The WAV reader and the sample side of the InstrumentBank, on files generated here byte by byte.
#include "sound/wav_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "sound/instrument_bank.h"
#include "sound_test_support.h"

namespace vellaro {
namespace {

WavResult parse(const WavBytes& file, WavSample& sample) {
  return parseWav(file.bytes.data(), file.bytes.size(), sample);
}

WavBytes riff(const char* form = "WAVE") { return WavBytes().riff(form); }

struct WalkCase {
  const char* name;
  WavBytes file;
  WavResult result;
  uint16_t channels;
  uint32_t rate;
  uint16_t bits;
  size_t size;
  uint8_t lastByte;
};

class WalkTest : public ::testing::TestWithParam<WalkCase> {};

TEST_P(WalkTest, WalksTheChunks) {
  const WalkCase& c = GetParam();
  WavSample sample;
  ASSERT_EQ(parse(c.file, sample), c.result) << c.name;
  if (c.result != WavResult::Loaded) return;
  EXPECT_EQ(sample.format.channels, c.channels) << c.name;
  EXPECT_EQ(sample.format.sampleRate, c.rate) << c.name;
  EXPECT_EQ(sample.format.bitsPerSample, c.bits) << c.name;
  EXPECT_EQ(sample.format.blockAlign, c.channels * c.bits / 8) << c.name;
  ASSERT_EQ(sample.size, c.size) << c.name;
  ASSERT_NE(sample.data, nullptr) << c.name;
  if (c.size) {
    EXPECT_EQ(sample.data[c.size - 1], c.lastByte) << c.name;
  }
}

std::vector<uint8_t> longFmt() {
  std::vector<uint8_t> body = WavBytes::format(2, 44100, 16);
  body.resize(40, 0xEE);  // the extensible form
  return body;
}

INSTANTIATE_TEST_SUITE_P(
    Table, WalkTest,
    ::testing::Values(
        WalkCase{"plain", WavBytes::mono16(22050, {1, 2, 3}), WavResult::Loaded, 1, 22050, 16, 6, 0},
        // Guards against skipping a pad byte after an odd chunk: the next header follows directly.
        WalkCase{"odd chunk",
                 riff()
                     .chunk("junk", {9, 9, 9})
                     .chunk("fmt ", WavBytes::format(2, 44100, 16))
                     .chunk("data", {1, 2, 3, 4, 5}),
                 WavResult::Loaded, 2, 44100, 16, 5, 5},
        WalkCase{"LIST before fmt",
                 riff()
                     .chunk("LIST", {'I', 'N', 'F', 'O', 'a'})
                     .chunk("fmt ", WavBytes::format(1, 11025, 8))
                     .chunk("fact", {0, 0, 0, 0})
                     .chunk("data", {128}),
                 WavResult::Loaded, 1, 11025, 8, 1, 128},
        WalkCase{"later fmt wins",
                 riff()
                     .chunk("fmt ", WavBytes::format(1, 11025, 8))
                     .chunk("fmt ", WavBytes::format(2, 48000, 16))
                     .chunk("data", {0, 0, 0, 7}),
                 WavResult::Loaded, 2, 48000, 16, 4, 7},
        WalkCase{"long fmt and fact",
                 riff().chunk("fmt ", longFmt()).chunk("fact", {1, 2, 3, 4, 5, 6, 7}).chunk("data", {7, 8}),
                 WavResult::Loaded, 2, 44100, 16, 2, 8},
        WalkCase{"no RIFF header", WavBytes().chunk("fmt ", WavBytes::format(1, 44100, 16)).chunk("data", {5, 0}),
                 WavResult::Loaded, 1, 44100, 16, 2, 0},
        WalkCase{"data longer than the file",
                 riff().chunk("fmt ", WavBytes::format(1, 44100, 16)).chunk("data", {1, 2, 3}, 0xFFFFFFF0u),
                 WavResult::Loaded, 1, 44100, 16, 3, 3},
        WalkCase{"empty data", riff().chunk("fmt ", WavBytes::format(1, 44100, 16)).chunk("data", {}),
                 WavResult::Loaded, 1, 44100, 16, 0, 0},
        // No format yet: the fields stay 0, and no voice plays such an entry (block align 0).
        WalkCase{"data before fmt", riff().chunk("data", {1, 2}).chunk("fmt ", WavBytes::format(1, 44100, 16)),
                 WavResult::Loaded, 0, 0, 0, 2, 2},
        WalkCase{"another form type", riff("AVI ").chunk("fmt ", WavBytes::format(1, 44100, 16)).chunk("data", {0, 0}),
                 WavResult::NotWave, 0, 0, 0, 0, 0},
        WalkCase{"a size near 4 GB", riff().chunk("junk", {}, 0xFFFFFFFFu).chunk("data", {1, 2}), WavResult::NoData, 0,
                 0, 0, 0, 0}));

struct TruncatedCase {
  const char* name;
  size_t keep;
};

class TruncatedTest : public ::testing::TestWithParam<TruncatedCase> {};

// Guards against reading past the end of a file that stops before its sound.
TEST_P(TruncatedTest, AFileThatEndsBeforeDataHasNoData) {
  WavBytes file;
  file.riff("WAVE").chunk("fmt ", WavBytes::format(1, 44100, 16)).chunk("LIST", {}, 1000000);
  std::vector<uint8_t> bytes(file.bytes.begin(), file.bytes.begin() + std::min(GetParam().keep, file.bytes.size()));
  WavSample sample;
  EXPECT_EQ(parseWav(bytes.data(), bytes.size(), sample), WavResult::NoData) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(Table, TruncatedTest,
                         ::testing::Values(TruncatedCase{"empty", 0}, TruncatedCase{"half a header", 5},
                                           TruncatedCase{"no form type", 10}, TruncatedCase{"inside fmt", 25},
                                           TruncatedCase{"a chunk that runs past the end", 1000}));

TEST(WavReader, AMissingFileCannotBeOpened) {
  WavSample sample;
  EXPECT_EQ(readWavFile((::testing::TempDir() + "no-such-file.wav").c_str(), sample), WavResult::CannotOpen);
}

class SampleBankTest : public ::testing::Test {
 protected:
  RecordingMessages messages;
  RecordingVoices voices;
  InstrumentBank bank{messages, &voices, nullptr};
};

struct FactorCase {
  uint16_t channels;
  uint32_t rate;
  uint16_t bits;
  uint8_t group, channelCount, bitsFactor, speed;
  size_t size;
};

class FactorTest : public SampleBankTest, public ::testing::WithParamInterface<FactorCase> {};

TEST_P(FactorTest, FillsTheEntryFromTheFormat) {
  const FactorCase& c = GetParam();
  WavBytes file;
  file.riff("WAVE").chunk("fmt ", WavBytes::format(c.channels, c.rate, c.bits)).chunk("data", {1, 2, 3, 4});
  std::string path = writeTempFile("factors.wav", file.bytes);
  int index = bank.findSample(path.c_str());
  ASSERT_EQ(index, 0);
  const Instrument* entry = bank.entry(index);
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->kind, InstrumentKind::Sample);
  EXPECT_EQ(entry->groupFactor, c.group);
  EXPECT_EQ(entry->channels, c.channelCount);
  EXPECT_EQ(entry->bitsFactor, c.bitsFactor);
  EXPECT_EQ(entry->speedFactor, c.speed);
  EXPECT_EQ(entry->pitchBase, 128);
  EXPECT_EQ(entry->octaveShift, 0);
  EXPECT_EQ(entry->size, c.size);
  EXPECT_EQ(entry->key, path);
  EXPECT_EQ(entry->name, path);
}

INSTANTIATE_TEST_SUITE_P(Table, FactorTest,
                         ::testing::Values(FactorCase{1, 11025, 8, 1, 1, 1, 1, 4}, FactorCase{2, 44100, 16, 4, 2, 2, 4, 4},
                                           FactorCase{1, 22050, 16, 2, 1, 2, 2, 4},
                                           // Other rates are held resampled to 44100 Hz: 1 frame stays 1,
                                           // 4 frames at 8000 Hz become 22 frames of 16 bits.
                                           FactorCase{2, 48000, 16, 4, 2, 2, 4, 4},
                                           FactorCase{1, 8000, 8, 2, 1, 2, 4, 44}));

TEST_F(SampleBankTest, TheSamePathTwiceGivesTheSameEntryAndReadsTheFileOnce) {
  std::string path = writeTempFile("once.wav", WavBytes::mono16(44100, {1, 2}).bytes);
  EXPECT_EQ(bank.findSample(path.c_str()), 0);
  std::remove(path.c_str());  // a second read would now fail
  EXPECT_EQ(bank.findSample(path.c_str()), 0);
  EXPECT_TRUE(messages.messages.empty());
}

TEST_F(SampleBankTest, TwoSpellingsOfOneFileGiveTwoEntries) {
  std::string path = writeTempFile("twice.wav", WavBytes::mono16(44100, {1, 2}).bytes);
  EXPECT_EQ(bank.findSample(path.c_str()), 0);
  std::string other = ::testing::TempDir() + "./twice.wav";
  EXPECT_EQ(bank.findSample(other.c_str()), 1);
}

TEST_F(SampleBankTest, AMissingFileIsReportedAndGivesNoInstrument) {
  std::string path = ::testing::TempDir() + "missing.wav";
  EXPECT_EQ(bank.findSample(path.c_str()), kNoInstrument);
  EXPECT_EQ(messages.messages, std::vector<std::string>{"Cannot open WAV file " + path});
  EXPECT_EQ(bank.entry(0), nullptr);  // no entry was added
}

TEST_F(SampleBankTest, AnotherRiffFormIsNotAWavFile) {
  WavBytes avi;
  avi.riff("AVI ").chunk("data", {1, 2});
  std::string path = writeTempFile("movie.avi", avi.bytes);
  EXPECT_EQ(bank.findSample(path.c_str()), kNoInstrument);
  EXPECT_EQ(messages.messages, std::vector<std::string>{"It is not WAV file " + path});
}

TEST_F(SampleBankTest, AFileWithoutDataIsNotAWavFile) {
  WavBytes file;
  file.riff("WAVE").chunk("fmt ", WavBytes::format(1, 44100, 16));
  std::string path = writeTempFile("nodata.wav", file.bytes);
  EXPECT_EQ(bank.findSample(path.c_str()), kNoInstrument);
  EXPECT_EQ(messages.messages, std::vector<std::string>{"It is not WAV file " + path});
}

// Guards against a failed load sounding whatever entry 0 holds.
TEST_F(SampleBankTest, AFailedLoadSoundsNothingEvenWhenEntry0IsUsed) {
  std::string path = writeTempFile("zero.wav", WavBytes::mono16(44100, {1, 2}).bytes);
  ASSERT_EQ(bank.findSample(path.c_str()), 0);
  int failed = bank.findSample((::testing::TempDir() + "absent.wav").c_str());
  EXPECT_EQ(bank.noteOn(failed, 24, kScriptTag), 0);
  bank.noteOff(failed, 24, kScriptTag);
  EXPECT_TRUE(voices.calls.empty());
}

TEST_F(SampleBankTest, WhenAll100AreUsedTheSpareEntryIsLoadedAgainEachTime) {
  std::string path = writeTempFile("many.wav", WavBytes::mono16(44100, {1, 2}).bytes);
  for (int i = 0; i < kBankEntries; ++i) {
    std::string spelling = ::testing::TempDir();
    for (int dots = 0; dots < i; ++dots) spelling += "./";
    spelling += "many.wav";
    ASSERT_EQ(bank.findSample(spelling.c_str()), i);
  }
  std::string spare = writeTempFile("spare.wav", WavBytes::mono16(44100, {5, 6}).bytes);
  EXPECT_EQ(bank.findSample(spare.c_str()), kSpareEntry);
  const uint8_t* first = bank.entry(kSpareEntry)->storage.get();
  writeTempFile("spare.wav", WavBytes::mono16(44100, {7, 8, 9}).bytes);
  EXPECT_EQ(bank.findSample(spare.c_str()), kSpareEntry);  // not found by the search: read again
  EXPECT_EQ(bank.entry(kSpareEntry)->size, 6u);
  EXPECT_NE(bank.entry(kSpareEntry)->storage.get(), first);
  EXPECT_TRUE(messages.messages.empty());
}

TEST_F(SampleBankTest, APathLongerThanTheKeyFieldIsFoundAgainWhole) {
  std::string name = std::string(150, 'x') + ".wav";
  std::string path = writeTempFile(name, WavBytes::mono16(44100, {1, 2}).bytes);
  EXPECT_EQ(bank.findSample(path.c_str()), 0);
  EXPECT_EQ(bank.findSample(path.c_str()), 0);
  EXPECT_EQ(bank.entry(0)->key, path);
  EXPECT_EQ(bank.entry(0)->name, path.substr(0, kInstrumentNameLength));
}

TEST_F(SampleBankTest, EntriesOutsideTheBankAreAbsent) {
  EXPECT_EQ(bank.entry(-1), nullptr);
  EXPECT_EQ(bank.entry(0), nullptr);
  EXPECT_EQ(bank.entry(kSpareEntry + 1), nullptr);
}

}  // namespace
}  // namespace vellaro
