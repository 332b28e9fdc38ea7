// The interpreter spine seen from outside: scenario files, the label question, the end of a
// scenario, the debug log and base_dir, each checked through the real vellaro.exe.
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

TEST(ScenarioFileWine, BlanksAroundThePathAreTrimmed) {
  TestFolder folder;
  RunResult run = runPlayer(folder.path(), {}, 10000, startedWith("  nothere.scn  "));
  expectCleanExit(run);
  EXPECT_EQ(run.texts(), Texts{"0: Cannot found Scenario file (nothere.scn)"});
}

TEST(ScenarioFileWine, BlanksOnlyMeansIndexScn) {
  TestFolder folder;
  folder.writeScenario("index.scn", {kTrace, "terminate"});
  RunResult run = runPlayer(folder.path(), {}, 10000, startedWith("   "));
  expectCleanExit(run);
  EXPECT_EQ(run.texts(), Texts{traceBox(0)});
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

TEST(LabelQuestionWine, CancelEndsTheRunAtOnce) {
  TestFolder folder;
  folder.writeScenario("index.scn", {"# start", kTrace, "goto :nowhere", kTrace});
  RunResult run = runPlayer(folder.path(), {{IDOK, IDCANCEL}});
  expectCleanExit(run);
  EXPECT_EQ(run.texts(),
            (Texts{traceBox(1), "Label (:nowhere) not found. index.scn:2 Load it from begin?"}));
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

TEST(EndOfScenarioWine, FinalLineEndAddsAnEmptyLine) {
  TestFolder folder;
  folder.writeScenario("index.scn", {"# one", ":two"});  // lines 0, 1 and an empty line 2
  RunResult run = runPlayer(folder.path());
  expectCleanExit(run);
  EXPECT_EQ(run.texts(), Texts{"3: WARNING: end of scenario - exit assumed"});
}

TEST(EndOfScenarioWine, WithoutFinalLineEndTheFirstEmptySlotFollowsTheLastLine) {
  TestFolder folder;
  folder.writeScenario("index.scn", {"# one", ":two"}, false);
  RunResult run = runPlayer(folder.path());
  expectCleanExit(run);
  EXPECT_EQ(run.texts(), Texts{"2: WARNING: end of scenario - exit assumed"});
}

TEST(EndOfScenarioWine, EndOfALoadedFileContinuesAfterTheLoadLine) {
  TestFolder folder;
  folder.writeScenario("index.scn", {"load sub.scn", kTrace});
  folder.writeScenario("sub.scn", {"# sub"});
  RunResult run = runPlayer(folder.path());
  expectCleanExit(run);
  EXPECT_EQ(run.texts(), (Texts{"2: WARNING: end of scenario - exit assumed", traceBox(1),
                                "3: WARNING: end of scenario - exit assumed"}));
}

TEST(EndOfScenarioWine, TerminateAndTopLevelReturnEndSilently) {
  for (const char* last : {"terminate", "return", "exit"}) {
    SCOPED_TRACE(last);
    TestFolder folder;
    folder.writeScenario("index.scn", {"# quiet", last, kTrace});
    RunResult run = runPlayer(folder.path());
    expectCleanExit(run);
    EXPECT_EQ(run.texts(), Texts{});
  }
}

// --- The debug log ---

TEST(DebugLogWine, HoldsTheExactBytesOfItsLines) {
  TestFolder folder;
  folder.writeScenario("index.scn", {
                                        "debug on",     // 0: logged, the flag is already set
                                        "foo",          // 1: unknown word, logged
                                        "# comment",    // 2: not logged
                                        "if 1 = 2 :x",  // 3: false if, logged as "if"
                                        "if 1 = 1 bar", // 4: true if, logs the command it ran
                                        ":x",           // 5: label, not logged
                                        "debug off",    // 6: not logged, the flag is clear
                                        "baz",          // 7
                                        "terminate",
                                    });
  RunResult run = runPlayer(folder.path());
  expectCleanExit(run);
  EXPECT_EQ(run.texts(), Texts{});
  EXPECT_EQ(folder.readFile("debug.txt"),
            "(index.scn) 0: debug\r\r\n"
            "(index.scn) 1: foo\r\r\n"
            "(index.scn) 3: if\r\r\n"
            "(index.scn) 4: bar\r\r\n");
}

TEST(DebugLogWine, AppendsAcrossRuns) {
  TestFolder folder;
  folder.writeFile("debug.txt", "earlier\r\n");
  folder.writeScenario("index.scn", {"debug on", "terminate"});
  expectCleanExit(runPlayer(folder.path()));
  expectCleanExit(runPlayer(folder.path()));
  EXPECT_EQ(folder.readFile("debug.txt"),
            "earlier\r\n(index.scn) 0: debug\r\r\n(index.scn) 0: debug\r\r\n");
}

TEST(DebugLogWine, IsWrittenInTheCurrentFolderWithTheScenarioPath) {
  TestFolder folder;
  folder.writeScenario("lesson\\intro.scn", {"# intro", "debug on", "terminate"});
  RunResult run = runPlayer(folder.path(), {}, 10000, startedWith("lesson\\intro.scn"));
  expectCleanExit(run);
  EXPECT_EQ(run.texts(), Texts{});
  EXPECT_EQ(folder.readFile("debug.txt"), "(lesson\\intro.scn) 1: debug\r\r\n");
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
  EXPECT_EQ(folder.readFile("debug.txt"), "(lesson\\b.scn) 0: debug\r\r\n");
}

TEST(BaseDirWine, ScenarioStartedInASubfolderLoadsFromIt) {
  TestFolder folder;
  folder.writeScenario("lesson\\intro.scn", {"load b.scn"});
  folder.writeScenario("lesson\\b.scn", {"debug on", "terminate"});
  RunResult run = runPlayer(folder.path(), {}, 10000, startedWith("lesson\\intro.scn"));
  expectCleanExit(run);
  EXPECT_EQ(run.texts(), Texts{});
  EXPECT_EQ(folder.readFile("debug.txt"), "(lesson\\b.scn) 0: debug\r\r\n");
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
            "(lesson\\deeper\\b.scn) 0: debug\r\r\n(lesson\\c.scn) 0: foo\r\r\n");
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
