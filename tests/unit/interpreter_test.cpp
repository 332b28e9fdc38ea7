// Whole scenarios run by the main loop. `debug X` is used as a trace: it shows
// "N: debug  -- unknown mode" with the number of the line that ran it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scenario_fixture.h"
#include "script/services.h"
#include "sound_test_support.h"

namespace vellaro {
namespace {

using Messages = std::vector<std::string>;

std::string ran(int line) { return std::to_string(line) + ": debug  -- unknown mode"; }
std::string endOfScenario(int line) { return std::to_string(line) + ": WARNING: end of scenario - exit assumed"; }

using MainLoop = ScenarioTest;

TEST_F(MainLoop, MissingFirstScenario) {
  run("nowhere.scn");
  EXPECT_EQ(host.messages, Messages{"0: Cannot found Scenario file (nowhere.scn)"});
}

TEST_F(MainLoop, RunningPastTheLastLineWarnsWithTheFirstEmptySlot) {
  writeScenario("index.scn", {"debug X", "# comment", ":label", ""});
  run();
  // Four lines and the empty one after the final CR LF: slot 5 is the first empty slot.
  EXPECT_EQ(host.messages, (Messages{ran(0), endOfScenario(5)}));
}

TEST_F(MainLoop, TerminateReturnAndExitAtTopLevelEndSilently) {
  for (const char* word : {"terminate", "return", "exit"}) {
    host.messages.clear();
    writeScenario("index.scn", {word, "debug X"});
    run();
    EXPECT_TRUE(host.messages.empty()) << word;
  }
}

TEST_F(MainLoop, UnknownWordsDoNothing) {
  writeScenario("index.scn", {"frobnicate a b", "SHOW 1 2", "debug X", "terminate"});
  run();
  EXPECT_EQ(host.messages, Messages{ran(2)});
}

TEST_F(MainLoop, GotoFindsTheWholeLineOnly) {
  writeScenario("index.scn", {"goto :start", "debug X", ":start ", "debug X", ":start", "debug X", "terminate"});
  run();
  EXPECT_EQ(host.messages, Messages{ran(5)});
}

TEST_F(MainLoop, MissingLabelAnsweredWithOkRestartsAndWithCancelStops) {
  writeScenario("index.scn", {"debug X", "goto :nowhere", "debug X"});
  host.answers = {true, false};
  run();
  const std::string question = "[Message] Label (:nowhere) not found. index.scn:1 Load it from begin?";
  EXPECT_EQ(host.messages, (Messages{ran(0), question, ran(0), question}));
}

TEST_F(MainLoop, GosubIsAPlainJumpAndAmpersandTargetsCall) {
  writeScenario("index.scn", {"gosub :x", "debug X", ":x", "return", "debug X"});
  run();  // return with an empty stack ends the run
  EXPECT_TRUE(host.messages.empty());

  writeScenario("index.scn", {"goto &sub", "debug X", "terminate", "&sub", "debug X", "return"});
  run();
  EXPECT_EQ(host.messages, (Messages{ran(4), ran(1)}));
}

TEST_F(MainLoop, NumberedJumps) {
  writeScenario("index.scn",
                {"goto $n :a :b &c", "terminate", ":a", "debug A", "terminate", ":b", "debug B", "terminate",
                 "&c", "debug C", "return"});
  struct Case {
    const char* value;  // nullptr: no variable n
    Messages messages;
  } cases[] = {
      {"1", {ran(3)}},
      {"2", {ran(6)}},
      {"3", {ran(9)}},  // a numbered jump never saves a return point: return ends the run
      {"4", {"0: goto N. Variable is out of range"}},
      {"0", {"0: goto N. Variable is out of range"}},
      {"-1", {"0: goto N. Variable is out of range"}},
      {"x", {"0: goto N. Variable is not a NUMBER"}},
      {"", {"0: goto N. Variable is out of range"}},
  };
  for (const Case& c : cases) {
    interpreter.variables.assign("n", c.value);
    host.messages.clear();
    run();
    EXPECT_EQ(host.messages, c.messages) << c.value;
  }
  writeScenario("index.scn", {"goto $missing :a", "terminate"});
  host.messages.clear();
  run();
  EXPECT_EQ(host.messages, Messages{"0: goto N. Variable does not exists"});
}

TEST_F(MainLoop, NumberedJumpReadsABracedName) {
  writeScenario("index.scn", {"goto ${n} :a :b", "terminate", ":a", "debug A", "terminate", ":b", "debug B", "terminate"});
  interpreter.variables.assign("n", "2");
  run();
  EXPECT_EQ(host.messages, Messages{ran(6)});
}

TEST_F(MainLoop, TrueIfRunsTheRestOfItsLineAtItsOwnNumber) {
  interpreter.variables.assign("a", "1");
  writeScenario("index.scn", {"if $a = 1 debug X", "if $a = 2 debug X", "if $a = 1", "debug X", "terminate"});
  run();
  EXPECT_EQ(host.messages, (Messages{ran(0), ran(3)}));
}

TEST_F(MainLoop, TrueIfWithACallTargetReturnsAfterTheIfLine) {
  interpreter.variables.assign("a", "1");
  writeScenario("index.scn", {"if $a = 1 &sub", "debug X", "terminate", "&sub", "debug X", "return"});
  run();
  EXPECT_EQ(host.messages, (Messages{ran(4), ran(1)}));
  EXPECT_TRUE(interpreter.callStack.empty());
}

struct SilenceCase {
  bool services;
  bool voicePlayer;
  bool sounding;
  bool jumps;
};

// ifsilent asks the voice player of the services; without either nothing can sound.
const SilenceCase kSilenceCases[] = {
    {true, true, false, true},
    {true, true, true, false},
    {true, false, false, true},
    {false, false, false, true},
};

TEST_F(MainLoop, IfsilentJumpsOnlyWhileSilent) {
  writeScenario("index.scn", {"ifsilent :quiet", "debug X", "terminate", ":quiet", "debug X", "terminate"});
  for (const SilenceCase& c : kSilenceCases) {
    RecordingVoices voices;
    voices.silent = !c.sounding;
    CommandServices services;
    services.voices = c.voicePlayer ? &voices : nullptr;
    interpreter.services = c.services ? &services : nullptr;
    host.messages.clear();
    run();
    EXPECT_EQ(host.messages, Messages{ran(c.jumps ? 4 : 1)})
        << "services " << c.services << ", voice player " << c.voicePlayer << ", sounding " << c.sounding;
  }
  interpreter.services = nullptr;
}

TEST_F(MainLoop, LoadExitAndReturnAcrossFiles) {
  // The loaded file lives in a subfolder; its own load is completed with its directory.
  writeScenario("index.scn", {"load lesson\\a.scn", "debug X", "terminate"});
  writeScenario("lesson\\a.scn", {"load b.scn :go", "debug X", "exit"});
  writeScenario("lesson\\b.scn", {"debug X", ":go", "debug X", "exit"});
  run();
  EXPECT_EQ(host.messages, (Messages{ran(2), ran(1), ran(1)}));
}

TEST_F(MainLoop, EndOfALoadedFileContinuesAfterTheLoadLine) {
  writeScenario("index.scn", {"load other.scn", "debug X", "terminate"});
  writeScenario("other.scn", {"debug X"});
  run();
  EXPECT_EQ(host.messages, (Messages{ran(0), endOfScenario(2), ran(1)}));
}

TEST_F(MainLoop, ReturnIntoTheSameFileKeepsItsLinesAndBaseDir) {
  writeScenario("index.scn", {"goto &sub", "debug X", "terminate", "&sub", "setdir elsewhere", "return"});
  run();
  EXPECT_EQ(host.messages, Messages{ran(1)});
  EXPECT_STREQ(interpreter.variables.getVariable("base_dir"), "elsewhere");
}

TEST_F(MainLoop, LoadFailuresAndMissingLabels) {
  writeScenario("index.scn", {"load missing.scn", "load other.scn :nolabel", "terminate"});
  writeScenario("other.scn", {"debug X", "exit"});
  run();
  EXPECT_EQ(host.messages, (Messages{"0: Cannot load Scenario File (missing.scn)",
                                     "Label (:nolabel) not found in line 1. Execute scenario from begining", ran(0)}));
}

TEST_F(MainLoop, LoadRefusesAPathLongerThan255Characters) {
  std::string name(250, 'n');
  std::string dir(10, 'd');  // dir, backslash and name make 261 characters
  writeScenario("index.scn", {"setdir " + dir, "load " + name, "debug X", "terminate"});
  run();
  EXPECT_EQ(host.messages, (Messages{"1: Cannot load Scenario File (" + dir + "\\" + name + ")", ran(2)}));
}

TEST_F(MainLoop, ExitLeavesEveryCallOfTheCurrentFile) {
  writeScenario("index.scn", {"load a.scn", "debug X", "terminate"});
  writeScenario("a.scn", {"goto &one", "&one", "goto &two", "&two", "exit", "debug X"});
  run();
  EXPECT_EQ(host.messages, Messages{ran(1)});
  EXPECT_TRUE(interpreter.callStack.empty());
}

TEST_F(MainLoop, ReturnToAMissingParentFileKeepsTheLinesOfTheFileBeingLeft) {
  writeScenario("a.scn", {"exit"});
  interpreter.callStack.push("gone.scn", 1);
  interpreter.scenarioPath = "a.scn";
  interpreter.loadScenario("a.scn");
  EXPECT_EQ(interpreter.popReturn(), 1);
  EXPECT_EQ(interpreter.scenarioPath, "gone.scn");
  EXPECT_STREQ(interpreter.lines.at(0), "exit");
  EXPECT_EQ(host.messages, Messages{"exit: Cannot found parent scenario file"});
  EXPECT_EQ(interpreter.popReturn(), 0);
  EXPECT_EQ(host.messages.back(), "0: CANNOT RETURN FROM TOP_LEVEL FUNCTION");
}

TEST_F(MainLoop, CallStackOverflowIsReportedAndNothingIsStoredPastIt) {
  std::string bytes;
  for (int i = 0; i <= kMaxCallDepth; ++i) bytes += "goto &s" + std::to_string(i) + "\r\n&s" + std::to_string(i) + "\r\n";
  bytes += "terminate\r\n";
  writeFile("index.scn", bytes);
  run();
  EXPECT_EQ(host.messages, (Messages{"198: STACK OVERFLOW", "200: STACK OVERFLOW"}));
  EXPECT_EQ(interpreter.callStack.depth(), kMaxCallDepth);
}

// The 100th load fills the stack and says so; the next one cannot be come back from and stops the run.
TEST_F(MainLoop, AFileThatLoadsItselfStopsWhenTheStackIsFull) {
  writeScenario("index.scn", {"load self.scn"});
  writeScenario("self.scn", {"debug X", "load self.scn"});
  run();
  // index.scn's load is the first entry, so self.scn's 99th load fills the stack.
  Messages expected(kMaxCallDepth - 1, ran(0));
  expected.push_back("1: STACK OVERFLOW");
  expected.push_back(ran(0));
  expected.push_back("1: STACK OVERFLOW");
  EXPECT_EQ(host.messages, expected);
  EXPECT_EQ(interpreter.callStack.depth(), kMaxCallDepth);
}

TEST_F(MainLoop, StopsWhenTheLineNumberReaches3000) {
  std::string bytes;
  for (int i = 0; i < kMaxLines; ++i) bytes += "# filler\r\n";
  bytes += "debug X\r\n";
  writeFile("index.scn", bytes);
  run();
  ASSERT_EQ(host.messages.size(), 1u);  // only the load's note about the cut lines
  EXPECT_NE(host.messages[0].find("more than 3000 lines"), std::string::npos);
}

TEST_F(MainLoop, PendingLineFromTheMenuRunsBeforeTheInterruptedLine) {
  writeScenario("index.scn", {"debug X", "terminate"});
  // Taken in the very first cycle the line number would fall below 0; it is treated as line 0.
  interpreter.pendingLine = "debug Y";
  run();
  EXPECT_EQ(host.messages, (Messages{ran(-2), ran(0)}));
}

TEST_F(MainLoop, DebugLogHoldsOneLinePerDispatchedCommand) {
  interpreter.variables.assign("a", "1");
  RecordingVoices sounding;  // ifsilent then passes its line like a false if
  sounding.silent = false;
  CommandServices services;
  services.voices = &sounding;
  interpreter.services = &services;
  writeScenario("index.scn", {"debug on", "# comment", "foo bar", "if $a = 2 x", "ifsilent :l", "if $a = 1 setdir d",
                              "goto :l", ":l", "terminate"});
  writeScenario("next.scn", {"debug off", "debug on", " x", "terminate"});
  run();
  writeScenario("index.scn", {"load next.scn"});
  interpreter.debugLogOn = false;
  run();
  // A log that comes on begins with the MIDI input's state; these services have no MIDI input.
  EXPECT_EQ(readFile("debug.txt"),
            "MIDI input: no device, so only the computer keyboard plays\r\r\n"
            "(index.scn) 0: debug\r\r\n"
            "(index.scn) 2: foo\r\r\n"
            "(index.scn) 3: if\r\r\n"
            "(index.scn) 4: ifsilent\r\r\n"
            "(index.scn) 5: setdir\r\r\n"
            "MIDI input: no device, so only the computer keyboard plays\r\r\n"
            "(next.scn) 1: debug\r\r\n"
            "(next.scn) 2: \r\r\n");
  interpreter.services = nullptr;
}

// Counts the passes of the running pump and reports the program's end at a given pass.
struct RunningPump : CommandServices {
  bool pumpWhileRunning() override { return ++passes != endAtPass; }
  int passes = 0;
  int endAtPass = -1;
};

// A script that never waits lets messages through every 20 ms of the tick count, and the end of
// the program reported there stops even a loop of jumps, which never tests quitRequested.
TEST_F(MainLoop, ALongRunLetsMessagesThroughAndCanBeEnded) {
  struct Case {
    std::vector<std::string> lines;
    uint32_t tickStep;
    int endAtPass, passes;
    uint64_t executed;
    Messages messages;
  } cases[] = {
      // Every 4th line at 5 ms a reading; the third pass ends the program.
      {{":a", "goto :a"}, 5, 3, 3, 12, {}},
      // A clock that stands still: no pass, and the script runs to its end as before.
      {{"let n 1", "inc n", "poke $n", "terminate"}, 0, 1, 0, 3, {"2"}},
      // 20 lines at 1 ms: one pass, and nothing of the script changes.
      {{"let n 1", "inc n", "inc n", "inc n", "inc n", "inc n", "inc n", "inc n", "inc n", "inc n", "inc n",
        "inc n", "inc n", "inc n", "inc n", "inc n", "inc n", "inc n", "inc n", "poke $n", "terminate"},
       1, -1, 1, 20, {"19"}},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    RunningPump pump;
    pump.endAtPass = c.endAtPass;
    host.tickStep = c.tickStep;
    host.messages.clear();
    interpreter.services = &pump;
    interpreter.quitRequested = false;
    std::string bytes;
    for (const std::string& line : c.lines) bytes += line + "\r\n";
    writeFile("index.scn", bytes);
    run();
    interpreter.services = nullptr;
    EXPECT_EQ(pump.passes, c.passes) << i;
    EXPECT_EQ(interpreter.executedLines, c.executed) << i;
    EXPECT_EQ(host.messages, c.messages) << i;
  }
}

}  // namespace
}  // namespace vellaro
