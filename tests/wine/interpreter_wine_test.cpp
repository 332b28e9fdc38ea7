// The interpreter spine seen from outside, where Windows takes part: the command line as the
// player receives it, the OK and Cancel buttons of the label question, files in folders named with
// backslashes, the debug log's folder. The rules themselves (the end of a scenario, the log's
// lines, the trimmed path) are checked natively in tests/unit/interpreter_test.cpp and
// tests/unit/command_line_test.cpp.
#include <gtest/gtest.h>

#include "harness.h"

namespace vellaro::wine {
namespace {

// `debug X` is a harmless line that shows a box with its own line number, so it traces which
// lines ran.
constexpr const char* kTrace = "debug X";
std::string traceBox(int line) { return std::to_string(line) + ": debug  -- unknown mode"; }

PlayerOptions startedWith(const std::string& arguments) {
  PlayerOptions options;
  options.arguments = arguments;
  return options;
}

// --- The first scenario file ---

TEST(ScenarioFileWine, MissingIndexGivesOneBoxAndExitCodeZero) {
  TestFolder folder;
  RunResult run = runPlayer(folder.path());
  expectCleanExit(run);
  ASSERT_EQ(run.texts(), Texts{"0: Cannot found Scenario file (index.scn)"});
  EXPECT_EQ(run.boxes[0].caption, "");
}

TEST(ScenarioFileWine, MissingPathFromCommandLineIsShownAsGiven) {
  TestFolder folder;
  RunResult run = runPlayer(folder.path(), {}, 10000, startedWith("lesson\\missing.scn"));
  expectCleanExit(run);
  EXPECT_EQ(run.texts(), Texts{"0: Cannot found Scenario file (lesson\\missing.scn)"});
}

TEST(ScenarioFileWine, QuotedPathIsNotFound) {
  TestFolder folder;
  folder.writeScenario("a.scn", {"terminate"});
  RunResult run = runPlayer(folder.path(), {}, 10000, startedWith("\"a.scn\""));
  expectCleanExit(run);
  EXPECT_EQ(run.texts(), Texts{"0: Cannot found Scenario file (\"a.scn\")"});
}

// --- The label question ---

TEST(LabelQuestionWine, OkRestartsAtLineZeroAndCancelEndsTheRun) {
  TestFolder folder;
  folder.writeScenario("index.scn", {kTrace, "goto :nowhere", kTrace});
  const std::string question = "Label (:nowhere) not found. index.scn:1 Load it from begin?";
  RunResult run = runPlayer(folder.path(), {{IDOK, IDOK, IDOK, IDCANCEL}});
  expectCleanExit(run);
  // OK: line 0 runs again and reaches the same question; Cancel: nothing more runs.
  ASSERT_EQ(run.texts(), (Texts{traceBox(0), question, traceBox(0), question}));
  EXPECT_EQ(run.boxes[1].caption, "Message");
  EXPECT_EQ(run.boxes[3].caption, "Message");
  EXPECT_EQ(run.boxes[0].caption, "");
}

TEST(LabelQuestionWine, QuestionNamesTheLoadedFile) {
  TestFolder folder;
  folder.writeScenario("index.scn", {"load lesson\\a.scn"});
  folder.writeScenario("lesson\\a.scn", {"# a", "gosub :away"});
  RunResult run = runPlayer(folder.path(), {{IDCANCEL}});
  expectCleanExit(run);
  ASSERT_EQ(run.texts(),
            Texts{"Label (:away) not found. lesson\\a.scn:1 Load it from begin?"});
  EXPECT_EQ(run.boxes[0].caption, "Message");
}

// --- The end of a scenario ---

TEST(EndOfScenarioWine, WithoutFinalLineEndTheFirstEmptySlotFollowsTheLastLine) {
  TestFolder folder;
  folder.writeScenario("index.scn", {"# one", ":two"}, false);
  RunResult run = runPlayer(folder.path());
  expectCleanExit(run);
  EXPECT_EQ(run.texts(), Texts{"2: WARNING: end of scenario - exit assumed"});
}

// --- The debug log ---

TEST(DebugLogWine, IsWrittenInTheCurrentFolderWithTheScenarioPath) {
  TestFolder folder;
  folder.writeScenario("lesson\\intro.scn", {"# intro", "debug on", "terminate"});
  RunResult run = runPlayer(folder.path(), {}, 10000, startedWith("lesson\\intro.scn"));
  expectCleanExit(run);
  EXPECT_EQ(run.texts(), Texts{});
  EXPECT_EQ(folder.readFile("debug.txt"), midiInputState() + "\r\r\n(lesson\\intro.scn) 1: debug\r\r\n");
  EXPECT_FALSE(folder.exists("lesson\\debug.txt"));
}

// --- base_dir ---

TEST(BaseDirWine, LoadInASubfolderFindsItsFilesThere) {
  TestFolder folder;
  folder.writeScenario("index.scn", {"load lesson\\a.scn"});
  folder.writeScenario("lesson\\a.scn", {"load b.scn"});
  folder.writeScenario("lesson\\b.scn", {"debug on", "terminate"});
  folder.writeScenario("b.scn", {kTrace, "terminate"});  // the wrong b.scn would show a box
  RunResult run = runPlayer(folder.path());
  expectCleanExit(run);
  EXPECT_EQ(run.texts(), Texts{});
  EXPECT_EQ(folder.readFile("debug.txt"), midiInputState() + "\r\r\n(lesson\\b.scn) 0: debug\r\r\n");
}

TEST(BaseDirWine, ScenarioStartedInASubfolderLoadsFromIt) {
  TestFolder folder;
  folder.writeScenario("lesson\\intro.scn", {"load b.scn"});
  folder.writeScenario("lesson\\b.scn", {"debug on", "terminate"});
  RunResult run = runPlayer(folder.path(), {}, 10000, startedWith("lesson\\intro.scn"));
  expectCleanExit(run);
  EXPECT_EQ(run.texts(), Texts{});
  EXPECT_EQ(folder.readFile("debug.txt"), midiInputState() + "\r\r\n(lesson\\b.scn) 0: debug\r\r\n");
}

TEST(BaseDirWine, ExitBackToTheCallerRestoresItsFolder) {
  TestFolder folder;
  folder.writeScenario("index.scn", {"load lesson\\a.scn"});
  folder.writeScenario("lesson\\a.scn", {"load deeper\\b.scn", "load c.scn"});
  folder.writeScenario("lesson\\deeper\\b.scn", {"debug on", "exit"});
  folder.writeScenario("lesson\\c.scn", {"foo", "terminate"});
  RunResult run = runPlayer(folder.path());
  expectCleanExit(run);
  EXPECT_EQ(run.texts(), Texts{});
  EXPECT_EQ(folder.readFile("debug.txt"),
            midiInputState() + "\r\r\n(lesson\\deeper\\b.scn) 0: debug\r\r\n(lesson\\c.scn) 0: foo\r\r\n");
}

TEST(BaseDirWine, MissingLoadedFileGoesBackToTheCaller) {
  TestFolder folder;
  folder.writeScenario("index.scn", {"load lesson\\a.scn"});
  folder.writeScenario("lesson\\a.scn", {"load missing.scn", kTrace, "terminate"});
  RunResult run = runPlayer(folder.path());
  expectCleanExit(run);
  EXPECT_EQ(run.texts(),
            (Texts{"0: Cannot load Scenario File (lesson\\missing.scn)", traceBox(1)}));
}

}  // namespace
}  // namespace vellaro::wine
