// play, wait and mute against a real bank and mixer, recording MIDI output and message boxes.
#include <gtest/gtest.h>

#include "fake_host.h"
#include "picture_command_line.h"
#include "script/interpreter.h"
#include "script/services.h"
#include "sound/instrument_bank.h"
#include "sound/midi.h"
#include "sound/mixer.h"
#include "sound_test_support.h"

namespace vellaro {
namespace {

// Waits that count their passes and can end the sound or ask to quit at a given pass.
struct CountingServices : CommandServices {
  void pumpPending() override {
    ++passes;
    if (passes == silentAtPass) sounding->silent = true;
    if (passes == quitAtPass) interpreter->quitRequested = true;
  }
  RecordingVoices* sounding = nullptr;
  Interpreter* interpreter = nullptr;
  int passes = 0;
  int silentAtPass = -1;
  int quitAtPass = -1;
};

class SoundCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    interpreter.reset();
    interpreter.currentLine = 7;
    services.sounding = &sounding;
    services.interpreter = &interpreter;
    services.instruments = &bank;
    services.midiOut = &midiOut;
    services.voices = &mixer;
    interpreter.services = &services;
  }
  void run(std::initializer_list<std::string> items, CommandHandler handler) {
    PictureCommandLine(items).run(interpreter, handler);
  }

  FakeHost host;
  Interpreter interpreter{host};
  RecordingMessages messages;
  RecordingMidiSink sink;
  MidiOutput midiOut{sink, messages};
  Mixer mixer;
  InstrumentBank bank{messages, &mixer, &midiOut};
  CountingServices services;
  RecordingVoices sounding;  // the voice player of the wait tests, sounding until told otherwise
  // wait asks the services' voice player, not the host.
  void soundUntilTold() {
    sounding.silent = false;
    services.voices = &sounding;
  }
};

TEST_F(SoundCommandsTest, PlayStarWithoutANotePlaysNote0OnProgram0) {
  run({"play", "*0"}, cmdPlay);
  EXPECT_EQ(sink.sent, (std::vector<uint32_t>{0x0000C0, 0x7F3090}));
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(SoundCommandsTest, PlayANoteThatIsNotANumberPlaysNothing) {
  run({"play", "*0", "x"}, cmdPlay);
  EXPECT_EQ(host.messages, std::vector<std::string>{"7: melody: parameter of PLAY command is not a number"});
  EXPECT_TRUE(sink.sent.empty());
  EXPECT_EQ(bank.entry(0)->kind, InstrumentKind::Midi);  // the instrument was chosen all the same
}

TEST_F(SoundCommandsTest, PlayLoadsASampleFromBaseDirOnceAndStartsAVoiceTagged88) {
  // On Linux the backslash is part of the file name: base_dir "…/snd" names the file "snd\tone.wav".
  std::string dir = ::testing::TempDir() + "snd";
  writeTempFile("snd\\tone.wav", WavBytes::mono16(44100, traceable(300)).bytes);
  interpreter.variables.setVariable("base_dir", dir.c_str());
  run({"play", "tone.wav", "24"}, cmdPlay);
  run({"play", "tone.wav", "24"}, cmdPlay);
  EXPECT_TRUE(messages.messages.empty()) << messages.messages[0];
  ASSERT_NE(bank.entry(0), nullptr);
  EXPECT_EQ(bank.entry(0)->key, dir + "\\tone.wav");
  EXPECT_EQ(bank.entry(1), nullptr);
  EXPECT_FALSE(mixer.isSilent());
  bank.noteOff(0, 24, kLiveTag);  // a live note-off leaves it playing
  EXPECT_FALSE(mixer.isSilent());
  bank.noteOff(0, 24, kScriptTag);
  EXPECT_TRUE(mixer.isSilent());
}

TEST_F(SoundCommandsTest, PlayAMissingFileShowsTheReadersMessageAndSoundsNothing) {
  run({"play", "absent.wav", "24"}, cmdPlay);
  EXPECT_EQ(messages.messages, std::vector<std::string>{"Cannot open WAV file absent.wav"});
  EXPECT_TRUE(mixer.isSilent());
  EXPECT_TRUE(sink.sent.empty());
}

TEST_F(SoundCommandsTest, PlayResolvesVariablesAndQuotes) {
  interpreter.variables.assign("instrument", "*40");
  interpreter.variables.assign("note", "12");
  run({"play", "$instrument", "\"$note\""}, cmdPlay);
  EXPECT_EQ(sink.sent, (std::vector<uint32_t>{0xC0 + 40 * 256, 0x7F0090 + 60 * 256}));
}

TEST_F(SoundCommandsTest, PlayStopsAfterAMissingVariable) {
  run({"play", "$nothing", "$none"}, cmdPlay);
  EXPECT_EQ(host.messages, (std::vector<std::string>{"7: play, filename  -- Variable ($nothing) Does not Exists",
                                                     "7: play, note  -- Variable ($none) Does not Exists"}));
  EXPECT_EQ(bank.entry(0), nullptr);
  EXPECT_TRUE(sink.sent.empty());
}

TEST_F(SoundCommandsTest, PlayTakesTheLow16BitsOfTheNote) {
  run({"play", "*0", "65536"}, cmdPlay);  // note 0
  EXPECT_EQ(sink.sent, (std::vector<uint32_t>{0x0000C0, 0x7F3090}));
}

TEST_F(SoundCommandsTest, PlayWithoutASoundSideDoesNothing) {
  interpreter.services = nullptr;
  run({"play", "*0", "24"}, cmdPlay);
  run({"play", "*0", "y"}, cmdPlay);
  EXPECT_EQ(host.messages, std::vector<std::string>{"7: melody: parameter of PLAY command is not a number"});
}

TEST_F(SoundCommandsTest, WaitWithNothingPlayingReturnsAfterOnePass) {
  run({"wait"}, cmdWait);
  EXPECT_EQ(services.passes, 1);
}

// Without a voice player nothing can sound: one pass, never an endless wait.
TEST_F(SoundCommandsTest, WaitWithoutAVoicePlayerReturnsAfterOnePass) {
  services.voices = nullptr;
  run({"wait"}, cmdWait);
  EXPECT_EQ(services.passes, 1);
}

// A voice of the real mixer keeps wait pumping; the test's pumps do not mix, so it ends by quitting.
TEST_F(SoundCommandsTest, WaitAsksTheMixerThatPlaysTheSamples) {
  std::string file = writeTempFile("wait.wav", WavBytes::mono16(44100, traceable(300)).bytes);
  bank.noteOn(bank.findSample(file.c_str()), 24, kScriptTag);
  services.quitAtPass = 4;
  run({"wait"}, cmdWait);
  EXPECT_EQ(services.passes, 4);
}

TEST_F(SoundCommandsTest, WaitPumpsUntilSilence) {
  soundUntilTold();
  services.silentAtPass = 5;
  run({"wait"}, cmdWait);
  EXPECT_EQ(services.passes, 5);
}

TEST_F(SoundCommandsTest, WaitEndsWhenTheProgramIsAskedToQuit) {
  soundUntilTold();
  services.quitAtPass = 3;
  run({"wait"}, cmdWait);
  EXPECT_EQ(services.passes, 3);
}

TEST_F(SoundCommandsTest, WaitWithoutThePlatformSideReturnsAtOnce) {
  soundUntilTold();
  interpreter.services = nullptr;
  run({"wait"}, cmdWait);
  EXPECT_EQ(services.passes, 0);
}

TEST_F(SoundCommandsTest, MuteSendsAllNotesOffThenStopsEveryVoice) {
  std::string file = writeTempFile("mute.wav", WavBytes::mono16(44100, traceable(300)).bytes);
  int entry = bank.findSample(file.c_str());
  bank.noteOn(entry, 24, kScriptTag);
  bank.noteOn(entry, 30, kLiveTag);
  run({"mute"}, cmdMute);
  EXPECT_TRUE(mixer.isSilent());
  ASSERT_EQ(sink.sent.size(), 128u);
  EXPECT_EQ(sink.sent.front(), 0x80u);
  EXPECT_EQ(sink.sent.back(), 0x7F80u);
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(SoundCommandsTest, MuteWithoutDevicesIsHarmless) {
  services.midiOut = nullptr;
  services.voices = nullptr;
  run({"mute"}, cmdMute);
  interpreter.services = nullptr;
  run({"mute"}, cmdMute);
  EXPECT_TRUE(host.messages.empty());
}

}  // namespace
}  // namespace vellaro
