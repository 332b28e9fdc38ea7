// The live instrument: which instrument userinstrument chooses for the computer keyboard, and the
// MIDI keyboard's handler, fed through a MIDI input without a device and installed only while a
// scenario runs.
#include <gtest/gtest.h>

#include "fake_host.h"
#include "script/interpreter.h"
#include "script/live_input.h"
#include "script/services.h"
#include "sound/instrument_bank.h"
#include "sound_test_support.h"

namespace vellaro {
namespace {

class LiveInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    interpreter.reset();
    services.instruments = &bank;
    services.midiIn = &input;
    interpreter.services = &services;
    wavPath = writeTempFile("live.wav", WavBytes::mono16(44100, traceable(100)).bytes);
  }
  const uint8_t* wavData() {
    const Instrument* found = bank.entry(bank.findSample(wavPath.c_str()));
    return found ? found->data.load() : nullptr;
  }

  FakeHost host;
  Interpreter interpreter{host};
  RecordingMessages messages;
  RecordingMidiSink sink;
  MidiOutput midiOut{sink, messages};
  RecordingVoices voices;
  InstrumentBank bank{messages, &voices, &midiOut};
  MidiInput input;
  CommandServices services;
  std::string wavPath;
};

constexpr const char kWavMarker[] = "(the WAV file)";

struct ChoiceCase {
  const char* name;
  const char* value;  // userinstrument, or nullptr when the variable is missing
  std::vector<uint32_t> midi;
  bool sample;
  std::vector<std::string> messages;
};

// The key Z is note 0: MIDI note 48 on a MIDI program, a quarter of the speed on a sample.
TEST_F(LiveInputTest, TheKeyboardPlaysTheInstrumentThatUserinstrumentNames) {
  const ChoiceCase cases[] = {
      {"missing variable", nullptr, {0x00C0, 0x7F3090}, false, {}},
      {"*0", "*0", {0x00C0, 0x7F3090}, false, {}},
      {"*5", "*5", {0x05C0, 0x7F3090}, false, {}},
      {"WAV file", kWavMarker, {}, true, {}},
      {"missing WAV file", "nowhere.wav", {}, false, {"Cannot open WAV file nowhere.wav"}},
  };
  for (const ChoiceCase& c : cases) {
    interpreter.reset();
    if (!c.value) {
      interpreter.variables.clear();
    } else {
      interpreter.variables.setVariable("userinstrument", c.sample ? wavPath.c_str() : c.value);
    }
    sink.sent.clear();
    voices.calls.clear();
    messages.messages.clear();
    EXPECT_EQ(playKey(interpreter, KeyEvent{'Z', true, false}), 0) << c.name;
    EXPECT_EQ(sink.sent, c.midi) << c.name;
    std::vector<VoiceCall> expected;
    if (c.sample) expected.push_back({"start", wavData(), 0, kLiveTag, kFullVelocity});
    EXPECT_EQ(voices.calls, expected) << c.name;
    EXPECT_EQ(messages.messages, c.messages) << c.name;
  }
}

struct MidiInCase {
  const char* name;
  uint32_t message;  // as the driver packs it
  std::vector<uint32_t> sent;
};

// During the run's pause the MIDI keyboard sends its messages; before and after they are dropped.
TEST_F(LiveInputTest, TheMidiKeyboardSoundsOnlyWhileAScenarioRuns) {
  const MidiInCase cases[] = {
      {"note-on 60", 0x643C90, {0x00C0, 0x644890}},
      {"note-on 60 velocity 0", 0x003C90, {0x004890, 0x004880}},
      {"note-off 60", 0x403C80, {0x004890, 0x004880}},
      {"channel 2", 0x643C91, {}},
  };
  struct PlayingServices : CommandServices {
    void pumpFor(uint32_t) override {
      for (uint32_t message : played) midiIn->deliverShortMessage(message);
    }
    std::vector<uint32_t> played;
  } playing;
  playing.instruments = &bank;
  playing.midiIn = &input;
  interpreter.services = &playing;
  std::string scenario = ::testing::TempDir() + "live.scn";
  std::FILE* file = std::fopen(scenario.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  std::fputs("pause 10 ms\r\nterminate\r\n", file);
  std::fclose(file);
  for (const MidiInCase& c : cases) {
    sink.sent.clear();
    playing.played = {c.message};
    input.deliverShortMessage(c.message);  // before the run: no handler
    EXPECT_TRUE(sink.sent.empty()) << c.name;
    interpreter.runScenario(scenario);
    EXPECT_EQ(sink.sent, c.sent) << c.name;
    sink.sent.clear();
    input.deliverShortMessage(c.message);  // after the run: removed again
    EXPECT_TRUE(sink.sent.empty()) << c.name;
  }
}

}  // namespace
}  // namespace vellaro
