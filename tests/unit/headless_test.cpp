// The headless platform's portable rules: the steps file, the piano keys, how long a sampled voice
// sounds on the virtual clock, and where a lesson's file names lead on this machine.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "headless/headless_files.h"
#include "headless/headless_sound.h"
#include "headless/headless_steps.h"
#include "base/file_open.h"
#include "sound/mixer.h"

namespace vellaro {
namespace {

namespace fs = std::filesystem;

struct StepsCase {
  const char* text;
  const char* error;  // "" when the file is good
};

// Each bad line is reported with its number and the reason, never taken as some other step.
const StepsCase kStepsCases[] = {
    {"answer ok\nanswer Cancel\n", ""},
    {"answer maybe\n", "1: error: answer takes OK or CANCEL"},
    {"click\n", "1: error: click needs the name of an object"},
    {"\n# a comment\nwait soon\n", "3: error: wait takes a number of milliseconds up to a day"},
    {"wait 86400001\n", "1: error: wait takes a number of milliseconds up to a day"},
    {"wait -5\n", "1: error: wait takes a number of milliseconds up to a day"},
    {"key ZX\n", "1: error: key takes one key of the keyboard piano: a letter, a digit, or one of , . ; /"},
    {"type\n", "1: error: type needs the text to type"},
    {"click a\r\njump 3\r\n", "2: error: unknown step (jump); a step is answer, click, type, key or wait"},
};

TEST(HeadlessStepsTest, ReportsTheFirstBadLine) {
  for (const StepsCase& c : kStepsCases) {
    std::vector<Step> steps;
    std::string error;
    EXPECT_EQ(parseSteps(c.text, &steps, &error), c.error[0] == '\0') << c.text;
    EXPECT_EQ(error, c.error) << c.text;
  }
}

// A CR before the LF must not end up in a name or a typed text, and type keeps inner spaces.
TEST(HeadlessStepsTest, KeepsEachStepsArgumentExactly) {
  std::vector<Step> steps;
  std::string error;
  ASSERT_TRUE(parseSteps("click  yes \r\ntype  two  words\r\nkey z\r\nwait 250\r\nanswer CANCEL", &steps, &error));
  ASSERT_EQ(steps.size(), 5u);
  EXPECT_EQ(steps[0].text, "yes");
  EXPECT_EQ(steps[1].text, " two  words");
  EXPECT_EQ(steps[2].keyCode, unsigned{'Z'});
  EXPECT_EQ(steps[3].ms, 250u);
  EXPECT_FALSE(steps[4].ok);
  EXPECT_EQ(steps[4].line, 5);
}

struct KeyCase {
  const char* key;
  unsigned code;
};

// The codes the player's key messages carry: upper-case letters, digits, and the OEM punctuation.
const KeyCase kKeyCases[] = {
    {"z", 'Z'}, {"Q", 'Q'}, {"7", '7'}, {",", 188}, {".", 190}, {";", 186}, {"/", 191},
    {"-", 0},   {"", 0},    {"ab", 0},
};

TEST(HeadlessStepsTest, PianoKeysHaveThePlayersCodes) {
  for (const KeyCase& c : kKeyCases) EXPECT_EQ(pianoKeyCode(c.key), c.code) << c.key;
}

// 16-bit mono at 22050 Hz: 5612 frames, of which the mixer plays all but the last 100.
SampleView toneSample(const std::vector<uint8_t>& bytes) {
  SampleView view;
  view.data = bytes.data();
  view.size = bytes.size();
  view.groupFactor = 2;
  view.channels = 1;
  view.bitsFactor = 2;
  view.speedFactor = 2;
  view.pitchBase = 128;
  return view;
}

struct DurationCase {
  uint16_t note;
  uint64_t ms;
};

// Note 24 plays at the recorded rate, an octave up twice as fast, an octave down half as fast.
const DurationCase kDurationCases[] = {{24, 250}, {36, 125}, {12, 500}};

TEST(HeadlessSoundTest, AVoiceLastsAsLongAsTheMixerPlaysIt) {
  std::vector<uint8_t> bytes(2 * 5612, 0);
  SampleView sample = toneSample(bytes);
  for (const DurationCase& c : kDurationCases) EXPECT_EQ(voiceDurationMs(sample, c.note), c.ms) << c.note;
  EXPECT_EQ(voiceDurationMs(sample, 72), 0u);  // past the pitch table: the mixer starts no voice
  sample.size = 200;  // 100 frames: nothing is left after the tail
  EXPECT_EQ(voiceDurationMs(sample, 24), 0u);
}

// The figure must be the mixer's own: mix 10 ms ticks until the voice is silent.
TEST(HeadlessSoundTest, DurationAgreesWithTheMixer) {
  std::vector<uint8_t> bytes(2 * 5612, 0);
  SampleView sample = toneSample(bytes);
  for (uint16_t note : {uint16_t{5}, uint16_t{24}, uint16_t{41}, uint16_t{66}}) {
    Mixer mixer;
    ASSERT_EQ(mixer.startVoice(sample, note, 1, 127), 1);
    std::vector<int16_t> out(2 * kMixBufferFrames);
    uint64_t frames = 0;
    while (!mixer.isSilent() && frames < 10 * kOutputRate) {
      mixer.mixFrames(out.data(), kTickFrames);
      frames += kTickFrames;
    }
    uint64_t mixedMs = frames * 1000 / kOutputRate;
    uint64_t ms = voiceDurationMs(sample, note);
    EXPECT_LE(ms, mixedMs) << note;
    EXPECT_GE(ms + 10, mixedMs) << note;  // the mixer notices the end within its 10 ms tick
  }
}

// A folder read as a file would make every reading loop spin: it is refused like a missing file.
TEST(HeadlessFilesTest, AFolderIsNoFile) {
  EXPECT_EQ(openPlayerFile(".", "rb"), nullptr);
  EXPECT_EQ(openPlayerFile("", "rb"), nullptr);
}

#ifndef _WIN32
struct PathCase {
  const char* playerPath;
  bool forWriting;
  const char* expected;
};

// Written files go to the scratch folder, never beside the lesson or above it; names read are
// found without regard to case, and a file the run wrote is read back from the scratch folder.
const PathCase kPathCases[] = {
    {"progress.sto", true, "scratch/progress.sto"},
    {"data\\progress.sto", true, "scratch/data/progress.sto"},
    {"..\\..\\escape.sto", true, "scratch/_/_/escape.sto"},
    {"pictures\\note.bmp", false, "Pictures/Note.BMP"},
    {"PICTURES\\missing.bmp", false, "PICTURES/missing.bmp"},
    {"written.sto", false, "scratch/written.sto"},
    {"/elsewhere/file.sto", true, "/elsewhere/file.sto"},
};

TEST(HeadlessFilesTest, PlayerNamesLeadIntoTheLessonOrTheScratchFolder) {
  fs::path before = fs::current_path();
  fs::path root = fs::temp_directory_path() / "vellaro_headless_files_test";
  fs::remove_all(root);
  fs::create_directories(root / "Pictures");
  fs::create_directories(root / "scratch");
  std::ofstream(root / "Pictures" / "Note.BMP") << "x";
  std::ofstream(root / "scratch" / "written.sto") << "x";
  fs::current_path(root);
  for (const PathCase& c : kPathCases) {
    EXPECT_EQ(headlessPath("scratch", c.playerPath, c.forWriting), c.expected) << c.playerPath;
  }
  fs::current_path(before);
  fs::remove_all(root);
}
#endif

}  // namespace
}  // namespace vellaro
