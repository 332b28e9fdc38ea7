// The headless platform's portable rules: the steps file, the piano keys, the sound engine that
// runs the player's mixer on the virtual clock, and where a lesson's file names lead on this machine.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "headless/headless_files.h"
#include "headless/headless_screen.h"
#include "headless/headless_sound.h"
#include "headless/headless_steps.h"
#include "headless/headless_transcript.h"
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
    {"down ZX\n", "1: error: down takes one key of the keyboard piano: a letter, a digit, or one of , . ; /"},
    {"down q\nup\n", "2: error: up takes one key of the keyboard piano: a letter, a digit, or one of , . ; /"},
    {"click a\r\njump 3\r\n",
     "2: error: unknown step (jump); a step is answer, click, type, key, down, up, wait or listen"},
    {"listen \n", "1: error: listen needs the WAV file that the microphone hears"},
};

// A type step (UTF-8) into a field of each encoding: what the field receives, a character at a time.
TEST(HeadlessTypingTest, AFieldGetsEachTypedCharacterInItsOwnEncoding) {
  struct Case {
    std::string typed;
    TextEncoding field;
    std::vector<std::string> received;
  } cases[] = {
      {"Zo\xC3\xAB", TextEncoding::Utf8, {"Z", "o", "\xC3\xAB"}},
      {"Zo\xC3\xAB", TextEncoding::Ansi, {"Z", "o", "\xEB"}},
      {"\xCE\xA9!", TextEncoding::Ansi, {"?", "!"}},              // Windows-1252 has no omega
      {"\xE2\x82\xAC", TextEncoding::Ansi, {"\x80"}},            // the euro sign has a byte there
      {"\xEB", TextEncoding::Utf8, {"\xC3\xAB"}},                // a steps file in Windows-1252
      {"\xEB", TextEncoding::Ansi, {"\xEB"}},
  };
  for (const Case& c : cases) EXPECT_EQ(typedCharacters(c.typed, c.field), c.received) << c.typed;
}

TEST(HeadlessTranscriptTest, IsUtf8WhateverTheLessonsEncoding) {
  struct Sink : MessageSink {
    void showMessage(const std::string&) override {}
  } sink;
  VirtualClock clock;
  Transcript transcript(clock);
  transcript.takeEncodingFrom(&sink);
  sink.setTextEncoding(TextEncoding::Ansi);
  transcript.addPlain("\xE9l\xE8ve");
  sink.setTextEncoding(TextEncoding::Utf8);
  transcript.addPlain("\xC3\xA9l\xC3\xA8ve");
  // The variables at the end may come from files of either encoding.
  transcript.addValueLine("\xE9t\xE9");
  transcript.addValueLine("\xC3\xA9t\xC3\xA9");
  EXPECT_EQ(transcript.lines(), (std::vector<std::string>{"\xC3\xA9l\xC3\xA8ve", "\xC3\xA9l\xC3\xA8ve",
                                                          "\xC3\xA9t\xC3\xA9", "\xC3\xA9t\xC3\xA9"}));
}

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
  ASSERT_TRUE(parseSteps("click  yes \r\ntype  two  words\r\nkey z\r\nwait 250\r\nanswer CANCEL\r\nlisten  sung.wav \r\n",
                         &steps, &error));
  ASSERT_EQ(steps.size(), 6u);
  EXPECT_EQ(steps[0].text, "yes");
  EXPECT_EQ(steps[1].text, " two  words");
  EXPECT_EQ(steps[2].keyCode, unsigned{'Z'});
  EXPECT_EQ(steps[3].ms, 250u);
  EXPECT_FALSE(steps[4].ok);
  EXPECT_EQ(steps[4].line, 5);
  EXPECT_EQ(steps[5].kind, StepKind::Listen);
  EXPECT_EQ(steps[5].text, "sung.wav");
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

TEST(HeadlessSoundTest, TheTranscriptFigureIsTheMixersFramesRoundedUp) {
  std::vector<uint8_t> bytes(2 * 5612, 0);
  SampleView sample = toneSample(bytes);
  for (const DurationCase& c : kDurationCases) EXPECT_EQ(voiceDurationMs(sample, c.note), c.ms) << c.note;
  EXPECT_EQ(voiceDurationMs(sample, 72), 0u);  // past the pitch table: the mixer starts no voice
  sample.size = 200;  // 100 frames: nothing is left after the tail
  EXPECT_EQ(voiceDurationMs(sample, 24), 0u);
}

struct FramesCase {
  uint8_t speed;
  uint16_t pitchBase;
  uint16_t note;
};

// Speeds whose division is exact and those that are not (8: 96 kHz), the shifted pitch base and
// another: a frame counted wrong in any of them would move wait by a tick.
const FramesCase kFramesCases[] = {{1, 128, 24}, {2, 128, 5},  {4, 128, 41}, {8, 128, 66},
                                   {3, 128, 30}, {2, 100, 24}, {4, 77, 13},  {0, 128, 24}};

// voiceFrames must be exactly the frames the mixer plays: mixing one frame at a time, the mixer
// frees the voice at the call after its last frame.
TEST(HeadlessSoundTest, VoiceFramesAreWhatTheMixerPlays) {
  std::vector<uint8_t> bytes(2 * 1013, 1);
  for (const FramesCase& c : kFramesCases) {
    SampleView sample = toneSample(bytes);
    sample.speedFactor = c.speed;
    sample.pitchBase = c.pitchBase;
    Mixer mixer;
    ASSERT_EQ(mixer.startVoice(sample, c.note, 1, 127), 1);
    int16_t out[2];
    uint32_t calls = 0;
    while (!mixer.isSilent() && calls < 100000) {
      mixer.mixFrames(out, 1);
      ++calls;
    }
    EXPECT_EQ(voiceFrames(sample, c.note), calls - 1) << "speed " << int{c.speed} << " base " << c.pitchBase;
  }
}

// 16-bit mono at 44100 Hz whose sample k holds k + 1: an output frame names the sample frame it
// came from, so a frame out of place points at its cause.
std::vector<uint8_t> countingSamples(int frames) {
  std::vector<uint8_t> bytes;
  for (int k = 0; k < frames; ++k) {
    bytes.push_back(static_cast<uint8_t>((k + 1) & 0xFF));
    bytes.push_back(static_cast<uint8_t>((k + 1) >> 8));
  }
  return bytes;
}

struct Start {
  uint64_t atMs;
  uint16_t note;
};

// Starts at a tick, between ticks, overlapping, and an octave up.
const Start kStarts[] = {{0, 24}, {35, 24}, {500, 36}, {1000, 24}, {1004, 12}};
constexpr uint64_t kRunMs = 2000;

// The headless engine's buffer plays the frames the Mixer mixes for the same voices, each tick's
// frames one buffer (3087 frames, 70 ms) after the tick's play cursor: a voice started between two
// ticks is mixed from the next tick on, like on Windows.
TEST(HeadlessSoundTest, TheBufferPlaysTheMixersFramesOneLapLater) {
  std::vector<uint8_t> bytes = countingSamples(9000);
  SampleView sample = toneSample(bytes);
  sample.speedFactor = 4;
  VirtualClock clock;
  Transcript transcript(clock);
  HeadlessSoundEngine engine(clock, transcript);
  engine.recordOutput();
  for (const Start& start : kStarts) {
    clock.advanceTo(start.atMs);
    engine.catchUp();
    ASSERT_EQ(engine.startVoice(sample, start.note, 1, 127), 1);
  }
  clock.advanceTo(kRunMs);
  std::vector<int16_t> played = engine.playedFrames();
  ASSERT_EQ(played.size(), 2 * kRunMs * kOutputRate / 1000);

  // The reference: the bare Mixer, 441 frames a tick, each voice started before the first tick
  // after its time; frame k of its stream is heard at frame k + kWriteAheadFrames.
  Mixer mixer;
  std::vector<int16_t> stream;
  std::vector<int16_t> tick(2 * kMixBufferFrames);
  for (uint64_t at = 10; at <= kRunMs; at += 10) {
    for (const Start& start : kStarts) {
      if (start.atMs >= at - 10 && start.atMs < at) mixer.startVoice(sample, start.note, 1, 127);
    }
    mixer.mixFrames(tick.data(), kTickFrames);
    stream.insert(stream.end(), tick.begin(), tick.begin() + 2 * kTickFrames);
  }
  size_t mismatches = 0;
  for (size_t i = 0; i < played.size(); ++i) {
    int16_t expected = i < 2 * size_t{kWriteAheadFrames} ? 0 : stream[i - 2 * size_t{kWriteAheadFrames}];
    if (played[i] != expected && ++mismatches <= 5) {
      ADD_FAILURE() << "frame " << i / 2 << ": played " << played[i] << ", the mixer made " << expected;
    }
  }
  EXPECT_EQ(mismatches, 0u);
  EXPECT_NE(played[2 * kWriteAheadFrames], 0);      // the first start is heard at 70 ms
  EXPECT_EQ(played[2 * kWriteAheadFrames - 2], 0);  // and not before
}

// isSilent turns true at the tick that frees the last voice, the moment wait returns in the
// player; a 61st voice is dropped and written as such.
TEST(HeadlessSoundTest, SilenceAndDroppedVoicesComeFromTheMixer) {
  std::vector<uint8_t> bytes(2 * 5612, 0);
  SampleView sample = toneSample(bytes);  // 11024 frames at note 24: 25 ticks, the last one short
  VirtualClock clock;
  Transcript transcript(clock);
  HeadlessSoundEngine engine(clock, transcript);
  for (int i = 0; i < kVoiceCount + 1; ++i) ASSERT_EQ(engine.startVoice(sample, 24, 1, 127), 1);
  ASSERT_EQ(transcript.lines().size(), size_t{kVoiceCount + 1});
  EXPECT_EQ(transcript.lines().front(), "      0 ms  sample a sample note 24 (250 ms)");
  EXPECT_EQ(transcript.lines().back(), "      0 ms  sample a sample note 24 dropped: all 60 voices sound");
  struct Reading {
    uint64_t atMs;
    bool silent;
  };
  for (Reading reading : {Reading{0, false}, Reading{249, false}, Reading{250, true}}) {
    clock.advanceTo(reading.atMs);
    engine.catchUp();
    EXPECT_EQ(engine.isSilent(), reading.silent) << reading.atMs;
  }
  EXPECT_EQ(engine.nextTick(), 260u);
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
