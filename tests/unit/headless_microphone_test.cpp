// The headless microphone: recordings sound into the room from the moment their step applied, and
// the detector hears them in 10 ms buffers as the virtual clock moves, each note timed by the
// frame where its sound began.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "headless/headless_microphone.h"
#include "headless/headless_transcript.h"
#include "sound_test_support.h"
#include "wav_bytes.h"

namespace vellaro {
namespace {

struct RecordedNotes final : HeardNotes {
  void heard(uint32_t timeMs, int note) override { notes.push_back({timeMs, note}); }
  std::vector<std::pair<uint32_t, int>> notes;
};

// silenceMs of silence, then toneMs of a sine at frequency (amplitude 12000), then 200 ms of silence.
std::string writeTone(const std::string& name, int silenceMs, int toneMs, double frequency) {
  std::vector<int16_t> samples(static_cast<size_t>((silenceMs + toneMs + 200) * 441 / 10), 0);
  size_t first = static_cast<size_t>(silenceMs * 441 / 10);
  for (size_t i = 0; i < static_cast<size_t>(toneMs * 441 / 10); ++i) {
    samples[first + i] = static_cast<int16_t>(12000 * std::sin(2 * M_PI * frequency * static_cast<double>(i) / 44100));
  }
  return writeTempFile(name, WavBytes::mono16(44100, samples).bytes);
}

class HeadlessMicrophoneTest : public ::testing::Test {
 protected:
  void advance(uint64_t ms) {
    clock.advanceTo(ms);
    microphone.catchUp();
  }
  VirtualClock clock;
  Transcript transcript{clock};
  HeadlessMicrophone microphone{clock, transcript};
  RecordedNotes heard;
};

// Middle C begins 300 ms into a recording started at 200 ms: heard as note 24 at 500 ms, no later
// than the detector's 60 ms and a buffer.
TEST_F(HeadlessMicrophoneTest, ANoteIsTimedWhereItsSoundBeganInTheRoom) {
  std::string path = writeTone("middle-c.wav", 300, 400, 261.63);
  EXPECT_EQ(microphone.start(ListenMode::kNotes, heard), "");
  advance(200);
  ASSERT_EQ(microphone.hear(path), "");
  advance(499);
  EXPECT_TRUE(heard.notes.empty()) << "nothing is heard before it sounds";
  advance(570);
  ASSERT_EQ(heard.notes.size(), 1u);
  EXPECT_EQ(heard.notes[0].second, 24);
  EXPECT_NEAR(static_cast<double>(heard.notes[0].first), VirtualClock::kStartClockMs + 500.0, 10.0);
  EXPECT_GT(microphone.level(), 20) << "the tone is loud";
  const std::string& line = transcript.lines().back();
  EXPECT_EQ(line.substr(line.find("ms  ")), "ms  heard note 24");
  EXPECT_NEAR(std::stod(line), 500.0, 10.0) << line;
}

// While the lesson does not listen, nothing is heard: a recording that ends before listen on
// leaves no note, and after stop the level is 0 and no more notes come.
TEST_F(HeadlessMicrophoneTest, OnlyWhatSoundsWhileTheLessonListensIsHeard) {
  ASSERT_EQ(microphone.hear(writeTone("early.wav", 100, 300, 392.0)), "");
  advance(1000);
  EXPECT_EQ(microphone.start(ListenMode::kClaps, heard), "");
  advance(1500);
  EXPECT_TRUE(heard.notes.empty());
  EXPECT_EQ(microphone.hear(writeTone("late.wav", 100, 300, 392.0)), "");
  microphone.stop();
  advance(2500);
  EXPECT_TRUE(heard.notes.empty());
  EXPECT_EQ(microphone.level(), 0);
  EXPECT_EQ(transcript.lines(), (std::vector<std::string>{"   1000 ms  microphone on, listening for claps",
                                                          "   1500 ms  microphone off"}));
}

TEST_F(HeadlessMicrophoneTest, ClapsAreHeardWithoutANote) {
  std::vector<int16_t> samples(44100, 0);
  for (int clap : {4410, 26460}) {  // at 100 and 600 ms: 20 ms bursts of noise-like samples
    for (int i = 0; i < 882; ++i) samples[static_cast<size_t>(clap + i)] = static_cast<int16_t>(((i * 7919) % 2001 - 1000) * 20 * (882 - i) / 882);
  }
  std::string path = writeTempFile("claps.wav", WavBytes::mono16(44100, samples).bytes);
  microphone.start(ListenMode::kClaps, heard);
  ASSERT_EQ(microphone.hear(path), "");
  advance(1000);
  ASSERT_EQ(heard.notes.size(), 2u);
  EXPECT_EQ(heard.notes[0].second, -1);
  EXPECT_NEAR(static_cast<double>(heard.notes[1].first - heard.notes[0].first), 500.0, 10.0);
  EXPECT_EQ(transcript.lines()[1].substr(transcript.lines()[1].find("ms  ")), "ms  heard clap");
}

// A recording in any form the player plays as a sample is heard: its channels averaged, its rate
// brought to the microphone's. Middle C sounds from the start of each, which begins at 200 ms.
TEST_F(HeadlessMicrophoneTest, HearsRecordingsOfEveryPlayableForm) {
  struct Form {
    uint16_t tag, bits, channels;
    uint32_t rate;
  };
  const Form forms[] = {{1, 16, 1, 44100}, {1, 16, 1, 22050}, {1, 8, 1, 11025},
                        {1, 24, 2, 48000}, {3, 32, 1, 96000}, {1, 16, 2, 8000}};
  for (const Form& f : forms) {
    SCOPED_TRACE(::testing::Message() << f.bits << "-bit, " << f.channels << " channels, " << f.rate << " Hz");
    VirtualClock formClock;
    Transcript formTranscript{formClock};
    HeadlessMicrophone formMicrophone{formClock, formTranscript};
    RecordedNotes formHeard;
    WavBytes file;
    file.riff("WAVE")
        .chunk("fmt ", WavBytes::format(f.channels, f.rate, f.bits, f.tag))
        .chunk("data", toneData(f.tag, f.bits, f.channels, f.rate, f.rate / 2, 261.63, 0.4));
    formMicrophone.start(ListenMode::kNotes, formHeard);
    formClock.advanceTo(200);
    ASSERT_EQ(formMicrophone.hear(writeTempFile("form.wav", file.bytes)), "");
    formClock.advanceTo(800);
    formMicrophone.catchUp();
    ASSERT_EQ(formHeard.notes.size(), 1u);
    EXPECT_EQ(formHeard.notes[0].second, 24);
    EXPECT_NEAR(static_cast<double>(formHeard.notes[0].first), VirtualClock::kStartClockMs + 200.0, 10.0);
  }
}

TEST_F(HeadlessMicrophoneTest, RefusesRecordingsItCannotPlay) {
  WavBytes compressed;
  compressed.riff("WAVE").chunk("fmt ", WavBytes::format(1, 44100, 4, 2)).chunk("data", std::vector<uint8_t>(400, 0));
  std::string path = writeTempFile("adpcm.wav", compressed.bytes);
  EXPECT_EQ(microphone.hear(path), "Cannot play WAV file " + path + ": format 2 is compressed or unknown; only PCM and float samples can be played");
  const std::string absent = ::testing::TempDir() + "absent.wav";
  EXPECT_EQ(microphone.hear(absent), "Cannot open WAV file " + absent);
  const std::string text = writeTempFile("text.wav", std::vector<uint8_t>{'h', 'e', 'l', 'l', 'o'});
  EXPECT_EQ(microphone.hear(text), "It is not WAV file " + text);
}

}  // namespace
}  // namespace vellaro
