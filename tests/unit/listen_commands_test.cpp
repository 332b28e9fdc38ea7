// listen on, clap, off and level, run as scenario lines against a fake microphone that hears what
// each test plans, on a thread of its own as the capture device's thread would hand it over.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "fake_picture_screen.h"
#include "scenario_fixture.h"
#include "script/debug_menu.h"
#include "script/services.h"
#include "sound/instrument_bank.h"
#include "sound/microphone.h"
#include "sound/midi.h"
#include "sound_test_support.h"

namespace vellaro {
namespace {

using Texts = std::vector<std::string>;

struct FakeMicrophone final : Microphone {
  std::string start(ListenMode mode, HeardNotes& heard) override {
    starts.push_back(mode);
    if (refusal.empty()) notes = &heard;
    return refusal;
  }
  void stop() override {
    ++stops;
    notes = nullptr;
  }
  int level() override { return notes ? currentLevel : 0; }
  bool settled() override { return !notes || nothingOnItsWay; }

  std::vector<ListenMode> starts;
  int stops = 0;
  HeardNotes* notes = nullptr;
  std::string refusal;  // what start answers
  int currentLevel = 0;
  bool nothingOnItsWay = true;
};

// Waits that move the clock on; a planned note is handed over lateMs after its sound began, on a
// thread of its own, with the time its sound began. Until then the microphone is not settled.
struct SingingServices : FakePictureServices {
  void pumpFor(uint32_t durationMs) override {
    FakePictureServices::pumpFor(durationMs);
    if (watched) menuStates.push_back(debugMenuModel(*watched).back().items.back().text);
    uint32_t end = host->clock + durationMs;
    fake.nothingOnItsWay = true;
    for (const auto& [time, note] : sung) {
      const uint32_t handed = time + lateMs;
      if (time < end && handed >= end) fake.nothingOnItsWay = false;
      if (handed < host->clock || handed >= end || !fake.notes) continue;
      std::thread device([this, time = time, note = note] { fake.notes->heard(time, note); });
      device.join();
    }
    host->clock = end;
  }
  uint32_t lateMs = 0;
  FakeHost* host = nullptr;
  FakeMicrophone fake;
  // The debug menu's microphone entry at every wait, when a test watches it.
  Interpreter* watched = nullptr;
  Texts menuStates;
  std::vector<std::pair<uint32_t, int>> sung;  // clock time of the onset, note
};

class ListenCommandsTest : public ScenarioTest {
 protected:
  void SetUp() override {
    ScenarioTest::SetUp();
    services.host = &host;
    services.instruments = &bank;
    services.microphone = &services.fake;
    interpreter.services = &services;
  }
  // Three notes sounded by the lesson at 1000, 1500 and 2000 ms, sung back in user mode from 3000 ms
  // on, judged on exact notes within 150 ms.
  void runSingBack() {
    writeScenario("index.scn", {"check mode all 2 150", "listen on", "check on", "play *0 24", "pause 500 ms",
                                "play *0 26", "pause 500 ms", "play *0 28", "pause 600 ms", "check off",
                                "listen off", "check result r", "check count c", "poke $r", "poke $c",
                                "terminate"});
    run();
  }

  RecordingMessages messages;
  RecordingMidiSink sink;
  MidiOutput midiOut{sink, messages};
  InstrumentBank bank{messages, nullptr, &midiOut};
  SingingServices services;
};

TEST_F(ListenCommandsTest, SungNotesWithinTheAccuracyPass) {
  services.sung = {{1040, 24}, {1610, 26}, {1980, 28}};
  runSingBack();
  EXPECT_EQ(host.messages, (Texts{"yes", "3"}));
  EXPECT_EQ(services.fake.starts, std::vector<ListenMode>{ListenMode::kNotes});
  EXPECT_EQ(interpreter.capture.playedNotes.at(1).time, 1610u) << "the onset, not the moment it was handed over";
  EXPECT_EQ(interpreter.capture.playedNotes.at(1).note, 26);
}

// The microphone reports a note again at its onset when it has heard it better (here first an octave
// up, then put right): the capture keeps one note, the better one.
TEST_F(ListenCommandsTest, ANoteHeardAgainAtItsOnsetReplacesTheFirstReport) {
  services.sung = {{1040, 36}, {1040, 24}, {1610, 26}, {1980, 28}};
  runSingBack();
  EXPECT_EQ(host.messages, (Texts{"yes", "3"}));
  EXPECT_EQ(interpreter.capture.playedNotes.at(0).note, 24);
}

// The fault a sung check must catch: the second note a semitone flat.
TEST_F(ListenCommandsTest, ASecondNoteSungASemitoneFlatFails) {
  services.sung = {{1040, 24}, {1510, 25}, {1980, 28}};
  runSingBack();
  EXPECT_EQ(host.messages, (Texts{"no", "3"}));
}

// Claps come as notes -1, held as a key without a note is: a rhythm check (times only) passes them,
// a check of exact notes does not.
TEST_F(ListenCommandsTest, ClapsAreOnsetsWithoutANote) {
  for (const char* flags : {"0", "2"}) {
    interpreter.reset();
    host.clock = 1000;
    services.sung = {{1010, -1}, {1490, -1}};
    writeScenario("index.scn", {std::string("check mode all ") + flags + " 100", "listen clap", "check on",
                                "play *0 24", "pause 500 ms", "play *0 24", "pause 500 ms", "check off",
                                "check result r", "poke $r", "terminate"});
    run();
  }
  EXPECT_EQ(services.fake.starts, (std::vector<ListenMode>{ListenMode::kClaps, ListenMode::kClaps}));
  EXPECT_EQ(interpreter.capture.playedNotes.at(0).note, 0xFFFF);
  EXPECT_EQ(host.messages, (Texts{"yes", "no"}));
}

// Heard before check on or after listen off, a note is not kept: the capture decides, as for keys.
TEST_F(ListenCommandsTest, OnlyNotesHeardWhileCaptureIsOnAndTheMicrophoneListensCount) {
  services.sung = {{1100, 24}, {1600, 26}, {2100, 28}};
  writeScenario("index.scn", {"listen on", "pause 500 ms", "check on", "pause 500 ms", "listen off", "pause 500 ms",
                              "check count c", "poke $c", "terminate"});
  run();
  EXPECT_EQ(host.messages, Texts{"1"});
}

// A note is handed over once its pitch is clear, after its sound began: check off waits for the notes
// sung before it (up to a quarter of a second) and keeps none sung after it, keys included.
TEST_F(ListenCommandsTest, CheckOffWaitsForNotesSungJustBeforeIt) {
  struct Case {
    const char* what;
    uint32_t lateMs;
    std::vector<std::pair<uint32_t, int>> sung;
    bool listening;
    std::string count;
    uint32_t waitedMs;
  } cases[] = {
      {"a note 40 ms before, heard 120 ms late", 120, {{1200, 24}, {1460, 26}}, true, "2", 90},
      {"a note that began during the wait", 120, {{1200, 24}, {1460, 26}, {1530, 28}}, true, "2", 160},
      {"nothing on its way", 120, {{1200, 24}}, true, "1", 0},
      {"a note heard later than the wait", 400, {{1200, 24}, {1460, 26}}, true, "1", 250},
      {"no microphone listening", 120, {{1200, 24}, {1460, 26}}, false, "0", 0},
  };
  for (const Case& c : cases) {
    interpreter.reset();
    host.clock = 1000;
    host.messages.clear();
    services.lateMs = c.lateMs;
    services.sung = c.sung;
    writeScenario("index.scn", {c.listening ? "listen on" : "listen off", "check on", "pause 500 ms", "check off",
                                "check count c", "poke $c", "listen off", "terminate"});
    run();
    EXPECT_EQ(host.messages, Texts{c.count}) << c.what;
    EXPECT_EQ(host.clock, 1500 + c.waitedMs) << c.what;
  }
}

TEST_F(ListenCommandsTest, LevelIsTheMicrophonesAndZeroWhenItDoesNotListen) {
  services.fake.currentLevel = 42;
  writeScenario("index.scn", {"listen level before", "listen on", "listen level $now", "listen off",
                              "listen level after", "poke $before", "poke $now", "poke $after", "terminate"});
  run();
  EXPECT_EQ(host.messages, (Texts{"0", "42", "0"}));
}

// Whatever way the run ends, the microphone is closed with it.
TEST_F(ListenCommandsTest, TheEndOfTheRunStopsTheMicrophone) {
  writeScenario("index.scn", {"listen on", "terminate"});
  run();
  EXPECT_EQ(services.fake.stops, 1);
  EXPECT_EQ(services.fake.notes, nullptr);
}

// A refused start says why once a run, with the line number, and the lesson goes on.
TEST_F(ListenCommandsTest, ARefusingDeviceGivesItsReasonOnce) {
  services.fake.refusal = "the device is in use by another program";
  writeScenario("index.scn", {"poke start", "listen on", "listen clap", "listen level v", "poke $v", "terminate"});
  run();
  EXPECT_EQ(host.messages, (Texts{"start", "1: listen  -- the device is in use by another program", "0"}));
  EXPECT_EQ(services.fake.starts.size(), 2u) << "the second listen tries again";
}

TEST_F(ListenCommandsTest, NoMicrophoneAndTheWordsMessages) {
  struct Case {
    std::vector<std::string> lines;
    Texts messages;
  } cases[] = {
      {{"listen on", "listen on"}, {"0: listen  -- no microphone"}},
      {{"listen level"}, {"0: listen level  -- variable name is missing"}},
      {{"listen loud"}, {"0: listen  -- Unknown command   <listen loud>"}},
      {{"listen off", "listen level v", "poke $v"}, {"0"}},
  };
  interpreter.services = nullptr;
  for (const Case& c : cases) {
    interpreter.reset();
    host.messages.clear();
    std::string scenario;
    for (const std::string& line : c.lines) scenario += line + "\r\n";
    scenario += "terminate\r\n";
    writeFile("index.scn", scenario);
    run();
    EXPECT_EQ(host.messages, c.messages) << c.lines[0];
  }
}

// The debug menu's last Debug entry follows listen: not listening, listening for notes or claps with
// the level, and why a microphone could not start.
TEST_F(ListenCommandsTest, TheDebugMenuShowsWhatTheMicrophoneDoes) {
  services.watched = &interpreter;
  services.fake.currentLevel = 42;
  writeScenario("index.scn", {"pause 10 ms", "listen on", "pause 10 ms", "listen clap", "pause 10 ms", "listen off",
                              "pause 10 ms", "terminate"});
  run();
  services.fake.refusal = "no microphone";
  writeScenario("index.scn", {"listen on", "pause 10 ms", "terminate"});
  run();
  EXPECT_EQ(services.menuStates, (Texts{"Microphone: not listening", "Microphone: listening for notes, level 42 of 100",
                                        "Microphone: listening for claps, level 42 of 100", "Microphone: not listening",
                                        "Microphone: cannot listen (no microphone)"}));
  EXPECT_EQ(interpreter.listening, Interpreter::Listening::kOff) << "the end of the run stops listening";
}

}  // namespace
}  // namespace vellaro
