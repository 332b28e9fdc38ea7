// melody, expect, check and rdiagram, run as scenario lines with a learner who plays inside the
// waits, a recording MIDI output and a fake screen.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "fake_picture_screen.h"
#include "picture_command_line.h"
#include "scenario_fixture.h"
#include "script/commands/melody.h"
#include "sound/instrument_bank.h"
#include "sound/midi.h"
#include "sound_test_support.h"

namespace vellaro {
namespace {

using Texts = std::vector<std::string>;

// Waits that move the clock on and let the learner play the notes whose moments they pass on the
// MIDI keyboard: each note-on (velocity 100) arrives on a thread of its own, as from the driver.
struct LearnerServices : FakePictureServices {
  void pumpFor(uint32_t durationMs) override {
    FakePictureServices::pumpFor(durationMs);
    uint32_t end = host->clock + durationMs;
    for (const auto& [time, message] : plays) {
      if (time <= host->clock || time > end) continue;
      host->clock = time;
      std::thread driver([this, message = message] { midiIn->deliverShortMessage(message); });
      driver.join();
    }
    host->clock = end;
  }
  FakeHost* host = nullptr;
  std::vector<std::pair<uint32_t, uint32_t>> plays;  // clock time and short message
};

// The MIDI keyboard's note-on of a program note (MIDI key = note + 36) on channel 1.
std::pair<uint32_t, uint32_t> noteOnAt(uint32_t time, int note) {
  return {time, 0x640090u | (static_cast<uint32_t>(note + 36) << 8)};
}

class MelodyCommandsTest : public ScenarioTest {
 protected:
  void SetUp() override {
    ScenarioTest::SetUp();
    services.host = &host;
    services.midiIn = &midiIn;
    services.instruments = &bank;
    services.screen = &screen;
    interpreter.services = &services;
  }
  // Notes the scenario sounded (velocity 127) on MIDI output, as note numbers (MIDI key - 48).
  std::vector<int> notesSounded() const {
    std::vector<int> notes;
    for (uint32_t message : sink.sent) {
      if ((message & 0xFF00FF) == 0x7F0090) notes.push_back(static_cast<int>((message >> 8) & 0xFF) - 48);
    }
    return notes;
  }

  RecordingMessages messages;
  RecordingMidiSink sink;
  MidiOutput midiOut{sink, messages};
  InstrumentBank bank{messages, nullptr, &midiOut};
  FakePictureScreen screen;
  MidiInput midiIn;
  LearnerServices services;
};

TEST(MelodyTokens, CutAtEverySingleSpaceWithoutQuoting) {
  struct Case {
    const char* line;
    Texts tokens;
  } cases[] = {
      {"melody ( *0 24 -500 26 )", {"(", "*0", "24", "-500", "26", ")"}},
      {"melody", {}},
      {"melody 24  26", {"24", "", "26"}},
      {"melody 24 ", {"24", ""}},
      {"melody \"24 26\" 28", {"\"24", "26\"", "28"}},
  };
  for (const Case& c : cases) EXPECT_EQ(melodyTokens(c.line), c.tokens) << c.line;
}

// The learner plays 50 ms late, 20 ms early and 150 ms late against play at 0, 500 and 1000 ms.
TEST_F(MelodyCommandsTest, PlayAlongWithPlayIsJudgedByTheAccuracy) {
  for (const char* accuracy : {"200", "100"}) {
    interpreter.reset();
    host.clock = 1000;
    services.plays = {noteOnAt(1050, 24), noteOnAt(1480, 26), noteOnAt(2150, 28)};
    writeScenario("index.scn", {std::string("check mode all 2 ") + accuracy, "check on", "play *0 24", "pause 500 ms",
                                "play *0 26", "pause 500 ms", "play *0 28", "pause 500 ms", "check off",
                                "check result r", "check count c", "poke $r", "terminate"});
    run();
  }
  EXPECT_EQ(host.messages, (Texts{"yes", "no"}));
  EXPECT_EQ(interpreter.variables.getVariable("c"), std::string("3"));
}

TEST_F(MelodyCommandsTest, MelodyInModeAllSoundsAndExpectsEachNoteAndStopsCapture) {
  services.plays = {noteOnAt(1040, 24), noteOnAt(1520, 26), noteOnAt(2100, 28)};
  writeScenario("index.scn", {"check mode all 2", "melody ( *0 24 -500 26 -500 28 -500 )x 30", "check result r",
                              "poke $r", "terminate"});
  run();
  EXPECT_EQ(host.messages, Texts{"yes"});
  EXPECT_EQ(notesSounded(), (std::vector<int>{24, 26, 28, 30}));
  EXPECT_EQ(interpreter.capture.expectedNotes.length(), 3) << "note 30 comes after the capture stopped";
  EXPECT_EQ(interpreter.capture.expectedNotes.at(2).time, 2000u);
  EXPECT_FALSE(interpreter.capture.isOn());
}

TEST_F(MelodyCommandsTest, ExpectTokensMarkMomentsInModeUserAndSoundNothing) {
  services.plays = {noteOnAt(2100, 24), noteOnAt(2450, 26), noteOnAt(5000, 28)};
  writeScenario("index.scn", {"check mode user 2 200", "let n (26)", "melody ( -1000 (24) -500 $n -10 (x) )",
                              "check result r", "check count c", "poke $r", "poke $c", "expect 60", "terminate"});
  run();
  EXPECT_EQ(host.messages, (Texts{"2: melody  -- parameter of EXPECT command is not a number", "yes", "2"}));
  EXPECT_TRUE(notesSounded().empty());
  EXPECT_EQ(interpreter.capture.expectedNotes.at(1).time, 2500u);
  EXPECT_EQ(interpreter.capture.expectedNotes.at(1).note, 26);
  EXPECT_EQ(services.waits, (std::vector<uint32_t>{1000, 500, 10}));
}

// Velocity 0, note-offs and other channels are not notes played; after the capture nothing is kept.
TEST_F(MelodyCommandsTest, OnlyNoteOnsOnChannel1AreRecordedWhileCaptureIsOn) {
  services.plays = {noteOnAt(1050, 24), {1060, 0x003C90}, {1070, 0x403C80}, {1080, 0x643C91}, noteOnAt(1700, 24)};
  writeScenario("index.scn", {"check mode user", "melody ( -100 (24) -400 )", "pause 500 ms", "check count c",
                              "poke $c", "terminate"});
  run();
  EXPECT_EQ(host.messages, Texts{"1"});
}

TEST_F(MelodyCommandsTest, CheckAndExpectMessages) {
  struct Case {
    std::vector<std::string> line;
    Texts messages;
  } cases[] = {
      {{"check", "mode", "user", "x", "y"}, {"7: check mode  -- mode is not a number."}},
      {{"check", "mode", "all", "3", "y"}, {"7: check mode  -- accuracy is not a number."}},
      {{"check", "Mode"}, {"7: check  -- Unknown command   <check Mode>"}},
      {{"expect", "x"}, {}},  // capture is off: not even the number test
  };
  interpreter.currentLine = 7;
  for (const Case& c : cases) {
    host.messages.clear();
    PictureCommandLine line({c.line[0], c.line[1], c.line.size() > 2 ? c.line[2] : "",
                             c.line.size() > 3 ? c.line[3] : "", c.line.size() > 4 ? c.line[4] : ""});
    line.run(interpreter, c.line[0] == "check" ? cmdCheck : cmdExpect);
    EXPECT_EQ(host.messages, c.messages) << c.line[1];
  }
  // check mode user 3 sets the mode and the flags and keeps the accuracy.
  PictureCommandLine({"check", "mode", "user", "3"}).run(interpreter, cmdCheck);
  EXPECT_EQ(interpreter.capture.mode, CheckMode::User);
  EXPECT_EQ(interpreter.capture.flags, 3);
  EXPECT_EQ(interpreter.capture.accuracyMs, kDefaultAccuracyMs);
}

// A sound engine that reports a fixed write-ahead, for check latency auto.
struct DelayedVoices : VoicePlayer {
  int startVoice(const SampleView&, uint16_t, uint16_t, uint8_t) override { return 1; }
  int stopVoice(const SampleView&, uint16_t, uint16_t) override { return 0; }
  void stopAllVoices() override {}
  bool isSilent() const override { return true; }
  uint32_t outputDelayMs() const override { return 65; }
};

// Each value starts from compensation 123, so that a refused value visibly keeps it.
TEST_F(MelodyCommandsTest, CheckLatencyBoundsAndMessages) {
  const std::string kRefused = "7: check latency  -- not a number from 0 to 2000.";
  DelayedVoices engine;
  struct Case {
    const char* value;
    bool withEngine;
    uint32_t latency;
    std::string message;
  } cases[] = {
      {"0", false, 0, ""},
      {"2000", false, 2000, ""},
      {"0070", false, 70, ""},
      {"+15", false, 15, ""},
      {"-0", false, 0, ""},
      {"2001", false, 123, kRefused},
      {"-1", false, 123, kRefused},
      {"4294967366", false, 123, kRefused},  // 70 once it wraps modulo 2^32
      {"70ms", false, 123, kRefused},
      {"7.5", false, 123, kRefused},
      {"", false, 123, kRefused},
      {"$late", false, 70, ""},
      {"$early", false, 123, kRefused},
      {"$gone", false, 123, "7: check latency  -- Variable ($gone) Does not Exists"},
      {"auto", false, 0, ""},  // no sound engine
      {"auto", true, 65, ""},
      {"$word", true, 65, ""},
      {"Auto", true, 123, kRefused},
  };
  interpreter.variables.assign("late", "70");
  interpreter.variables.assign("early", "-12");
  interpreter.variables.assign("word", "auto");
  interpreter.currentLine = 7;
  for (const Case& c : cases) {
    host.messages.clear();
    interpreter.capture.latencyMs = 123;
    services.voices = c.withEngine ? &engine : nullptr;
    PictureCommandLine({"check", "latency", c.value}).run(interpreter, cmdCheck);
    EXPECT_EQ(interpreter.capture.latencyMs, c.latency) << c.value;
    EXPECT_EQ(host.messages, c.message.empty() ? Texts{} : Texts{c.message}) << c.value;
  }
}

// A calibration round: a learner 70 ms late fails at accuracy 20; check offset measures the
// lateness before compensation, so the second round, with check latency $o, passes and measures
// the same lateness again.
TEST_F(MelodyCommandsTest, CheckOffsetTurnsACalibrationRoundIntoTheCompensation) {
  const std::string kRound = "melody ( *0 24 -500 24 -500 24 -500 24 -500 )";
  services.plays = {noteOnAt(1070, 0), noteOnAt(1568, 0), noteOnAt(2073, 0), noteOnAt(2569, 0),
                    noteOnAt(3070, 0), noteOnAt(3568, 0), noteOnAt(4073, 0), noteOnAt(4569, 0)};
  writeScenario("index.scn", {"check mode all 0 20", kRound, "check result r", "check offset $o", "poke $r", "poke $o",
                              "check latency $o", kRound, "check result r", "check offset o", "poke $r", "poke $o",
                              "terminate"});
  run();
  EXPECT_EQ(host.messages, (Texts{"no", "70", "yes", "70"}));
  EXPECT_EQ(interpreter.capture.latencyMs, 70u);
}

// C D E C 500 ms apart, expected in mode user at accuracy 100; the learner plays one extra note
// and comes 300 ms late to E. Each check log adds one line and keeps the lines before it.
TEST_F(MelodyCommandsTest, CheckScoreNotesAndLogJudgeEveryNoteOfTheLastCapture) {
  services.plays = {noteOnAt(2000, 24), noteOnAt(2300, 30), noteOnAt(2500, 26), noteOnAt(3300, 28),
                    noteOnAt(3500, 24)};
  writeScenario("index.scn", {"check mode user 2 100", "check latency 0",
                              "melody ( -1000 (24) -500 (26) -500 (28) -500 (24) -500 )", "check score $s",
                              "check notes n", "check result r", "let tag echo", "check log progress.log $tag",
                              "check log progress.log \"echo again\"", "poke $s", "poke $n", "poke $r", "terminate"});
  run();
  EXPECT_EQ(host.messages, (Texts{"60", "ok ok late ok extra", "no"}));
  const std::string kLine = "2026-12-09 14:03:22\techo\t60\tok ok late ok extra\t100\t0\r\n";
  EXPECT_EQ(readFile("progress.log"),
            kLine + "2026-12-09 14:03:22\techo again\t60\tok ok late ok extra\t100\t0\r\n");
}

TEST_F(MelodyCommandsTest, CheckScoreNotesAndLogMessages) {
  struct Case {
    std::vector<std::string> line;
    bool refuseAppend;
    Texts messages;
  } cases[] = {
      {{"check", "score"}, false, {"7: check score  -- variable name is missing"}},
      {{"check", "notes"}, false, {"7: check notes  -- variable name is missing"}},
      {{"check", "log"}, false, {"7: check log  -- file name is missing"}},
      {{"check", "log", "p.log"}, false, {"7: check log  -- tag is missing"}},
      {{"check", "log", "p.log", "$empty"}, false, {"7: check log  -- tag is missing"}},
      {{"check", "log", "$gone", "t"}, false, {"7: check log  -- Variable ($gone) Does not Exists"}},
      {{"check", "log", "p.log", "$gone"}, false, {"7: check log  -- Variable ($gone) Does not Exists"}},
      {{"check", "log", "p.log", "t"}, true, {"7: check log  -- file (p.log) cannot be written; the line is not added"}},
      {{"check", "log", "p.log", "t"}, false, {}},
  };
  interpreter.variables.assign("empty", "");
  interpreter.currentLine = 7;
  for (const Case& c : cases) {
    host.messages.clear();
    host.refuseAppend = c.refuseAppend;
    std::vector<std::string> items = c.line;
    items.resize(5);
    PictureCommandLine({items[0], items[1], items[2], items[3], items[4]}).run(interpreter, cmdCheck);
    EXPECT_EQ(host.messages, c.messages) << c.line.size() << " items";
  }
  EXPECT_EQ(readFile("p.log"), "2026-12-09 14:03:22\tt\t0\t\t200\t0\r\n") << "only the last line is written";
}

TEST(ProgressLogLine, SixFieldsSeparatedByTabsEndedByCrLf) {
  struct Case {
    const char* fault;
    LocalTime time;
    const char* tag;
    const char* line;
  } cases[] = {
      {"the fields are not in order", {2026, 12, 9, 14, 3, 22}, "TAG",
       "2026-12-09 14:03:22\tTAG\t85\tok late ok wrong missed extra\t200\t40\r\n"},
      {"small numbers are not padded", {987, 1, 2, 3, 4, 5}, "a b",
       "0987-01-02 03:04:05\ta b\t85\tok late ok wrong missed extra\t200\t40\r\n"},
      {"a tab or line end in the tag splits the line", {2026, 12, 9, 14, 3, 22}, "x\ty\rz\n",
       "2026-12-09 14:03:22\tx y z \t85\tok late ok wrong missed extra\t200\t40\r\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(progressLogLine(c.time, c.tag, 85, "ok late ok wrong missed extra", 200, 40), c.line) << c.fault;
  }
}

// Expected at 1000 and 1500, played at 1050, scale 10: origin 920, so x 8, 58 and 13.
TEST_F(MelodyCommandsTest, RdiagramDrawsTheStripAndItsMarksAtTheScaledPositions) {
  interpreter.capture.mode = CheckMode::User;
  interpreter.capture.start();
  interpreter.capture.recordExpected(1000, 1);
  interpreter.capture.recordExpected(1500, 2);
  interpreter.capture.recordPlayed(1050, 1);
  interpreter.capture.stop();
  PictureCommandLine({"rdiagram", "10", "strip"}).run(interpreter, cmdRdiagram);
  EXPECT_EQ(screen.log, (Texts{"diagram #1 1024x30", "bounds #1 10 300 1014x30", "fill #1 0 0 1024 30 FF00FF",
                               "fill #1 0 3 1024 5 000000", "fill #1 0 23 1024 25 000000",
                               "fill #1 8 0 16 10 FF0000", "fill #1 13 20 21 30 00FF00",
                               "fill #1 58 0 66 10 FF0000", "invalidate #1", "shape #1 FF00FF", "show #1"}));
  EXPECT_EQ(interpreter.objects.findObject(screen, "strip"), FakePictureScreen::handle(1));
}

// The same capture with compensation 50: the played mark moves 5 pixels left, onto the beat.
TEST_F(MelodyCommandsTest, RdiagramDrawsPlayedMarksAtTheirCompensatedTimes) {
  interpreter.capture.start();
  interpreter.capture.recordExpected(1000, 1);
  interpreter.capture.recordPlayed(1050, 1);
  interpreter.capture.stop();
  PictureCommandLine({"check", "latency", "50"}).run(interpreter, cmdCheck);
  PictureCommandLine({"rdiagram", "10", "strip"}).run(interpreter, cmdRdiagram);
  EXPECT_EQ(screen.log.at(5), "fill #1 8 0 16 10 FF0000");
  EXPECT_EQ(screen.log.at(6), "fill #1 8 20 16 30 00FF00");
  // Nothing expected: the earliest compensated played time gives the origin, so the marks keep
  // their places (an origin from the recorded time would put them 5 pixels to the left).
  interpreter.capture.start();
  interpreter.capture.recordPlayed(3000, 1);
  interpreter.capture.recordPlayed(3200, 1);
  PictureCommandLine({"rdiagram", "10", "other"}).run(interpreter, cmdRdiagram);
  EXPECT_EQ(screen.log.at(15), "fill #2 8 20 16 30 00FF00");
  EXPECT_EQ(screen.log.at(16), "fill #2 28 20 36 30 00FF00");
}

TEST_F(MelodyCommandsTest, RdiagramScaleRules) {
  interpreter.currentLine = 4;
  interpreter.capture.start();
  interpreter.capture.recordPlayed(3000, 1);  // nothing expected: the played note gives the origin
  PictureCommandLine({"rdiagram", "abc", "d"}).run(interpreter, cmdRdiagram);
  EXPECT_EQ(screen.log.at(5), "fill #1 80 20 88 30 00FF00");
  PictureCommandLine({"rdiagram", "", "d"}).run(interpreter, cmdRdiagram);
  PictureCommandLine({"rdiagram", "-5", "d"}).run(interpreter, cmdRdiagram);
  EXPECT_EQ(host.messages, (Texts{"4: rdiagram  -- scale must be at least 1", "4: rdiagram  -- scale must be at least 1"}));
  EXPECT_EQ(screen.objects.size(), 1u);
}

// rdiagram scale name x y width: the strip's place and width, read like show's coordinates, against
// the fake screen of 1024 x 768.
TEST_F(MelodyCommandsTest, RdiagramPlacesTheStripWhereItsItemsSay) {
  struct Case {
    const char* fault;
    std::string x, y, width;
    Texts log;  // the object's size and bounds without its number, or nothing when none is made
    Texts messages;
  } cases[] = {
      {"the items are ignored", "100", "400", "600", {"diagram 600x30", "bounds 100 400 600x30"}, {}},
      {"*0 does not centre the strip by its own size", "*0", "*0", "400", {"diagram 400x30", "bounds 312 369 400x30"},
       {}},
      {"-0 does not put the far side at the screen's edge", "-0", "-0", "200",
       {"diagram 200x30", "bounds 824 738 200x30"}, {}},
      {"without a width the strip is not the two-item strip's width", "100", "400", "",
       {"diagram 1014x30", "bounds 100 400 1014x30"}, {}},
      {"a width of 16384 is refused", "0", "0", "16384", {"diagram 16384x30", "bounds 0 0 16384x30"}, {}},
      {"the items are not resolved", "$x", "\"50\"", "$w", {"diagram 300x30", "bounds 20 50 300x30"}, {}},
      {"a bad coordinate stops the command instead of giving 0, as show does", "left", "400", "600",
       {"diagram 600x30", "bounds 0 400 600x30"}, {"4: Coordinate is not a number"}},
      {"a width that is not a number is taken", "100", "400", "wide", {}, {"4: rdiagram  -- width must be a number from 1 to 16384"}},
      {"a width of 0 makes an empty window", "100", "400", "0", {}, {"4: rdiagram  -- width must be a number from 1 to 16384"}},
      {"a width past 16384 is taken", "100", "400", "16385", {}, {"4: rdiagram  -- width must be a number from 1 to 16384"}},
      {"a missing variable is not named", "$nothing", "400", "600", {}, {"4: rdiagram, X  -- Variable ($nothing) Does not Exists"}},
  };
  interpreter.variables.assign("x", "20");
  interpreter.variables.assign("w", "300");
  interpreter.currentLine = 4;
  interpreter.capture.start();
  interpreter.capture.recordExpected(1000, 1);
  interpreter.capture.stop();
  for (const Case& c : cases) {
    screen.log.clear();
    host.messages.clear();
    PictureCommandLine({"rdiagram", "10", "placed", c.x, c.y, c.width}).run(interpreter, cmdRdiagram);
    Texts placing;
    for (const std::string& line : screen.log) {
      size_t number = line.find(" #");
      if (line.rfind("diagram", 0) != 0 && line.rfind("bounds", 0) != 0) continue;
      placing.push_back(line.substr(0, number) + line.substr(line.find(' ', number + 1)));
    }
    EXPECT_EQ(placing, c.log) << c.fault;
    EXPECT_EQ(host.messages, c.messages) << c.fault;
  }
}

// A placed strip's surface is its own width: the strip and its lines end there.
TEST_F(MelodyCommandsTest, RdiagramDrawsAPlacedStripToItsOwnWidth) {
  interpreter.capture.start();
  interpreter.capture.recordExpected(1000, 1);
  interpreter.capture.stop();
  PictureCommandLine({"rdiagram", "10", "strip", "100", "400", "50"}).run(interpreter, cmdRdiagram);
  EXPECT_EQ(screen.log.at(2), "fill #1 0 0 50 30 FF00FF");
  EXPECT_EQ(screen.log.at(3), "fill #1 0 3 50 5 000000");
  EXPECT_EQ(screen.log.at(4), "fill #1 0 23 50 25 000000");
  EXPECT_EQ(screen.log.back(), "show #1");
  EXPECT_EQ(interpreter.objects.findObject(screen, "strip"), FakePictureScreen::handle(1));
}

// The placed strip paints the judgement of check notes: the same capture drawn by the two-item
// form in red and green. Note 1 on time, an extra note 9, note 2 200 ms late, note 3 missed.
TEST_F(MelodyCommandsTest, RdiagramPlacedMarksTakeTheirVerdictColours) {
  interpreter.capture.flags = 2;
  interpreter.capture.accuracyMs = 100;
  interpreter.capture.start();
  for (uint32_t i = 0; i < 3; ++i) interpreter.capture.recordExpected(1000 + 500 * i, static_cast<uint8_t>(i + 1));
  interpreter.capture.recordPlayed(1050, 1);
  interpreter.capture.recordPlayed(1100, 9);
  interpreter.capture.recordPlayed(1700, 2);
  interpreter.capture.stop();
  PictureCommandLine({"check", "notes", "words"}).run(interpreter, cmdCheck);
  EXPECT_STREQ(interpreter.variables.getVariable("words"), "ok late missed extra");
  PictureCommandLine({"rdiagram", "10", "judged", "0", "0", "200"}).run(interpreter, cmdRdiagram);
  std::vector<std::string> marks(screen.log.begin() + 5, screen.log.begin() + 14);
  EXPECT_EQ(marks, (Texts{"fill #1 8 0 16 10 00FF00", "fill #1 13 20 21 30 00FF00", "fill #1 58 0 66 10 FF8C00",
                          "fill #1 18 20 26 30 808080", "fill #1 108 0 116 2 FF0000", "fill #1 108 8 116 10 FF0000",
                          "fill #1 108 2 110 8 FF0000", "fill #1 114 2 116 8 FF0000", "fill #1 78 20 86 30 FF8C00"}));
  PictureCommandLine({"rdiagram", "10", "plain"}).run(interpreter, cmdRdiagram);
  std::vector<std::string> plain(screen.log.end() - 9, screen.log.end() - 3);
  EXPECT_EQ(plain, (Texts{"fill #2 8 0 16 10 FF0000", "fill #2 13 20 21 30 00FF00", "fill #2 58 0 66 10 FF0000",
                          "fill #2 18 20 26 30 00FF00", "fill #2 108 0 116 10 FF0000", "fill #2 78 20 86 30 00FF00"}));
}

}  // namespace
}  // namespace vellaro
