// The author's reload: reading the running file again (and refusing what would break the run),
// finding the place to go on in the new text, the watched folder's stamps and quiet time, and whole
// runs in which a waiting command is interrupted by a reload.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "scenario_fixture.h"
#include "script/debug_menu.h"
#include "script/reload.h"
#include "script/services.h"
#include "sound_test_support.h"

namespace vellaro {
namespace {

using Lines = std::vector<std::string>;

Lines linesOf(const LineTable& table) {
  Lines lines;
  for (int i = 0; i < table.count(); ++i) lines.emplace_back(table.at(i));
  return lines;
}

LineTable tableOf(const Lines& lines) {
  LineTable table;
  for (const std::string& line : lines) table.append(line.c_str());
  return table;
}

std::string manyLines(int count, const std::string& end) {
  std::string bytes;
  for (int i = 0; i < count; ++i) bytes += "x" + end;
  return bytes;
}

struct ReadCase {
  const char* name;
  std::string bytes;  // "" with missing: no file at all
  bool missing;
  ReloadProblem problem;
  int problemLine;
  size_t lineCount;  // of an accepted file
};

using ReloadRead = ScenarioTest;

// What loadScenario accepts, readForReload reads line for line the same; what would run the lesson
// differently from what the author wrote, or not at all, it refuses and keeps nothing.
TEST_F(ReloadRead, ReadsLikeTheLoaderOrNamesTheProblem) {
  const std::string longest(255, 'a');
  const ReadCase cases[] = {
      {"final line end", "a\r\nb\r\n", false, ReloadProblem::None, 0, 3},
      {"no final line end", "a\r\nb", false, ReloadProblem::None, 0, 2},
      {"a 255-character line", longest + "\r\n", false, ReloadProblem::None, 0, 2},
      {"3000 lines and a final line end", manyLines(3000, "\r\n"), false, ReloadProblem::None, 0, 3000},
      {"NUL and high bytes", std::string("a\0b\r\n\xE9\r\n", 8), false, ReloadProblem::None, 0, 3},
      {"missing", "", true, ReloadProblem::CannotOpen, 0, 0},
      {"empty", "", false, ReloadProblem::Empty, 0, 0},
      {"3001 lines", manyLines(3001, "\r\n"), false, ReloadProblem::TooManyLines, 0, 0},
      {"3000 lines and more text", manyLines(3000, "\r\n") + "y", false, ReloadProblem::TooManyLines, 0, 0},
      {"a 256-character line", "ok\r\n" + longest + "b\r\n", false, ReloadProblem::LongLine, 1, 0},
      {"LF alone", "a\nb\n", false, ReloadProblem::BareLineEnd, 0, 0},
      {"CR alone", "a\rb\r\n", false, ReloadProblem::BareLineEnd, 0, 0},
      {"LF before CR", "a\n\rb", false, ReloadProblem::BareLineEnd, 0, 0},
      {"cut after the CR", "a\r\nb\r", false, ReloadProblem::BareLineEnd, 0, 0},
  };
  for (const ReadCase& c : cases) {
    std::remove("index.scn");
    if (!c.missing) writeFile("index.scn", c.bytes);
    ReloadedText text = readForReload("index.scn");
    EXPECT_EQ(text.problem, c.problem) << c.name;
    EXPECT_EQ(text.problemLine, c.problemLine) << c.name;
    EXPECT_EQ(static_cast<size_t>(text.lines.count()), c.lineCount) << c.name;
    if (c.problem != ReloadProblem::None) continue;
    ASSERT_TRUE(interpreter.loadScenario("index.scn")) << c.name;
    EXPECT_EQ(linesOf(text.lines), linesOf(interpreter.lines)) << c.name;
  }
  EXPECT_EQ(readForReload(".").problem, ReloadProblem::CannotOpen) << "a folder";
}

struct PlaceCase {
  int line;
  const char* label;  // labelAbove in the old text
  int relocated;      // relocateLine into the new text
};

TEST(ReloadPlace, TheLabelAboveAndTheSamePlaceBelowItInTheNewText) {
  const LineTable oldText = tableOf({"let a 1", ":intro", "poke a", "&sub", "poke b", "return", ":gone", "poke c", ""});
  const LineTable newText = tableOf({"# new", "let a 1", "&sub", "poke B", "return", ":intro", "poke a", ":intro"});
  const PlaceCase cases[] = {
      {0, "", 0},          // above every label: the number stays
      {1, ":intro", 5},    // a label line itself; the first :intro of the new text
      {2, ":intro", 6},
      {4, "&sub", 3},      // subroutine labels count
      {5, "&sub", 4},
      {7, ":gone", -1},    // the label is gone
      {8, ":gone", -1},
      {50, ":gone", -1},   // past the end: the last label of the file
      {-1, "", -1},
  };
  for (const PlaceCase& c : cases) {
    EXPECT_EQ(labelAbove(oldText, c.line), c.label) << c.line;
    EXPECT_EQ(relocateLine(oldText, newText, c.line), c.relocated) << c.line;
  }
  EXPECT_EQ(labelAbove(LineTable{}, 3), "");
}

TEST(ReloadPlace, OnlyReturnPointsIntoTheReloadedFileMove) {
  const LineTable oldText = tableOf({":main", "goto &a", "poke back", "&a", "goto &b", "poke x", ":gone", "x"});
  const LineTable newText = tableOf({"# two new", "# lines", ":main", "goto &a", "poke back", "&a", "goto &b", "poke x"});
  CallStack stack;
  stack.push("index.scn", 2);   // after goto &a: moves with :main
  stack.push("other.scn", 2);   // another file: its own text was not read again
  stack.push("index.scn", 5);   // after goto &b: moves with &a
  stack.push("index.scn", 7);   // under :gone: keeps its number
  relocateReturnPoints(stack, "index.scn", oldText, newText);
  EXPECT_EQ(stack.text(), "index.scn : 4\r\nother.scn : 2\r\nindex.scn : 7\r\nindex.scn : 7\r\n");
}

TEST(ReloadWatch, FolderOfAScenarioPath) {
  const std::pair<const char*, const char*> cases[] = {
      {"index.scn", "."},         {"lessons\\demo\\index.scn", "lessons\\demo"},
      {"lessons/demo/a.scn", "lessons/demo"}, {"C:\\index.scn", "C:\\"},
      {"\\index.scn", "\\"},      {"C:index.scn", "C:"},
      {"a\\b/c.scn", "a\\b"},
  };
  for (const auto& [path, folder] : cases) EXPECT_EQ(folderOfPath(path), folder) << path;
}

TEST(ReloadWatch, ScenarioFilesByTheirEnding) {
  const std::pair<const char*, bool> cases[] = {
      {"index.scn", true}, {"INDEX.SCN", true}, {"a.Scn", true}, {".scn", true},
      {"index.scnbak", false}, {"index.sto", false}, {"scn", false}, {"index.scn~", false}, {"", false},
  };
  for (const auto& [name, scenario] : cases) EXPECT_EQ(isScenarioFileName(name), scenario) << name;
}

struct DebounceStep {
  char what;  // 'c': a change at the tick; 'q': due() asked at the tick
  uint32_t tick;
  bool due;         // for 'q'
  uint32_t untilMs;  // msUntilDue at the tick, after the step
};

TEST(ReloadWatch, ChangesWithinTheQuietTimeGiveOneReloadAfterTheLast) {
  constexpr uint32_t kNone = ReloadDebounce::kNothingDue;
  const std::vector<std::vector<DebounceStep>> cases = {
      {{'q', 0, false, kNone}},  // nothing changed
      {{'c', 100, false, 1000}, {'q', 1099, false, 1}, {'q', 1100, true, kNone}, {'q', 5000, false, kNone}},
      // Two saves 600 ms apart: one reload, a second after the second save.
      {{'c', 0, false, 1000}, {'c', 600, false, 1000}, {'q', 1000, false, 600}, {'q', 1600, true, kNone}},
      // Two saves 1.2 s apart: each reloads.
      {{'c', 0, false, 1000}, {'q', 1000, true, kNone}, {'c', 1200, false, 1000}, {'q', 2200, true, kNone}},
      // The tick count wraps during the quiet time.
      {{'c', 0xFFFFFF00u, false, 1000}, {'q', 0x100, false, 488}, {'q', 0x2E8, true, kNone}},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    ReloadDebounce debounce;
    for (const DebounceStep& step : cases[i]) {
      if (step.what == 'c') {
        debounce.changed(step.tick);
      } else {
        EXPECT_EQ(debounce.due(step.tick), step.due) << "case " << i << " at " << step.tick;
      }
      EXPECT_EQ(debounce.msUntilDue(step.tick), step.untilMs) << "case " << i << " at " << step.tick;
    }
  }
}

// Waits that run what the author does meanwhile: at the wait numbered `at` (from 0), `during`.
struct ReloadingServices : CommandServices {
  void pumpFor(uint32_t) override { waited(); }
  void waitForWake() override { waited(); }
  void waitForWakeOrTimeout(uint32_t) override { waited(); }
  void pumpPending() override { waited(); }
  void waited() {
    if (waits++ == at && during) during();
  }
  int waits = 0;
  int at = 0;
  std::function<void()> during;
  RecordingVoices sounding;  // wait's voice player
};

class ReloadRun : public ScenarioTest {
 protected:
  void SetUp() override {
    ScenarioTest::SetUp();
    interpreter.services = &services;
    services.voices = &services.sounding;
  }
  // While the wait numbered at runs, the file is rewritten and reloaded (or deleted when bytes is
  // null).
  void reloadDuringWait(int at, const std::string& file, const char* bytes) {
    services.at = at;
    services.during = [this, file, bytes] {
      if (bytes) {
        writeFile(file, bytes);
      } else {
        std::remove(file.c_str());
      }
      reloaded = interpreter.requestReload();
    };
  }
  ReloadingServices services;
  bool reloaded = false;
};

struct RunCase {
  const char* name;
  const char* oldText;
  const char* newText;  // nullptr: the file is deleted
  bool reloaded;
  std::vector<std::string> messages;
};

// Every case starts with a = old, set above the label; the new text would set it otherwise, so
// "old" shows that variables keep their values and the run starts at the label.
TEST_F(ReloadRun, TheWaitEndsAndTheRunGoesOnAtItsLabelInTheNewText) {
  const std::string tooLong = ":part\r\npoke " + std::string(300, 'x') + "\r\n";
  const char* oldText = "let a old\r\n:part\r\npoke one\r\npause 5 ms\r\npoke after\r\nterminate\r\n";
  const RunCase cases[] = {
      {"label kept", oldText, "let a new\r\n:intro\r\npoke skipped\r\n:part\r\npoke two\r\npoke $a\r\nterminate\r\n",
       true, {"one", "two", "old"}},
      {"label gone", oldText, "let a new\r\npoke top\r\nterminate\r\n", true,
       {"one", "Label (:part) is not in index.scn any more after the reload; the lesson goes on from line 0",
        "top"}},
      {"above every label", "let a old\r\npoke one\r\npause 5 ms\r\npoke after\r\nterminate\r\n",
       "poke top\r\npoke $a\r\nterminate\r\n", true, {"one", "top", "old"}},
      {"a line too long", oldText, tooLong.c_str(), false,
       {"one",
        "Scenario file (index.scn) cannot be reloaded: line 1 has more than 255 characters. The lesson goes on with "
        "the text it had",
        "after"}},
      {"deleted", oldText, nullptr, false,
       {"one", "Scenario file (index.scn) cannot be reloaded: it cannot be opened. The lesson goes on with the text it had",
        "after"}},
      {"LF line ends", oldText, ":part\npoke new\n", false,
       {"one", "Scenario file (index.scn) cannot be reloaded: a line does not end with CR LF. The lesson goes on with the "
               "text it had",
        "after"}},
      {"a second wait in the new text", oldText, ":part\r\npoke new\r\npause 5 ms\r\npoke $a\r\nterminate\r\n", true,
       {"one", "new", "old"}},
  };
  for (const RunCase& c : cases) {
    SCOPED_TRACE(c.name);
    host.messages.clear();
    interpreter.reset();
    services.waits = 0;
    writeFile("index.scn", c.oldText);
    reloadDuringWait(0, "index.scn", c.newText);
    run();
    EXPECT_EQ(host.messages, c.messages);
    EXPECT_EQ(reloaded, c.reloaded);
    EXPECT_FALSE(interpreter.pendingReload.has_value());
  }
}

TEST_F(ReloadRun, AReturnPointMovesWithItsLabel) {
  writeFile("index.scn", ":main\r\ngoto &sub\r\npoke back\r\nterminate\r\n&sub\r\npause 5 ms\r\nreturn\r\n");
  reloadDuringWait(0, "index.scn",
                   "# a new first line\r\n:main\r\ngoto &sub\r\npoke back\r\nterminate\r\n&sub\r\npoke insub\r\nreturn\r\n");
  run();
  EXPECT_EQ(host.messages, (std::vector<std::string>{"insub", "back"}));
}

TEST_F(ReloadRun, ALoadedFileIsTheOneReadAgain) {
  writeFile("index.scn", "load part.scn\r\npoke index\r\nterminate\r\n");
  writeFile("part.scn", ":p\r\npause 5 ms\r\npoke oldpart\r\nexit\r\n");
  reloadDuringWait(0, "part.scn", ":p\r\npoke newpart\r\nexit\r\n");
  run();
  EXPECT_EQ(host.messages, (std::vector<std::string>{"newpart", "index"}));
}

// wait pumps until the sound ends: with sound that never ends, only the reload can stop it.
TEST_F(ReloadRun, AReloadEndsWaitAndMelodyRests) {
  services.sounding.silent = false;
  writeFile("index.scn", ":w\r\nwait\r\npoke old\r\nterminate\r\n");
  reloadDuringWait(0, "index.scn", ":w\r\npoke new\r\nterminate\r\n");
  run();
  EXPECT_EQ(host.messages, (std::vector<std::string>{"new"}));
  EXPECT_EQ(services.waits, 1);

  host.messages.clear();
  services.sounding.silent = true;
  services.waits = 0;
  writeFile("index.scn", ":m\r\nmelody -5 -5 -5 -5\r\npoke old\r\nterminate\r\n");
  reloadDuringWait(1, "index.scn", ":m\r\npoke new\r\nterminate\r\n");
  run();
  EXPECT_EQ(host.messages, (std::vector<std::string>{"new"}));
  EXPECT_EQ(services.waits, 2) << "the rests after the reload still ran";
}

TEST_F(ReloadRun, TheMenuEntryReloadsAndWakesOnlyWhenTheFileCanBeRead) {
  writeFile("index.scn", ":a\r\npoke a\r\n");
  interpreter.scenarioPath = "index.scn";
  ASSERT_TRUE(interpreter.loadScenario("index.scn"));
  interpreter.currentLine = 1;
  EXPECT_EQ(runDebugMenuCommand(interpreter, kMenuReload), MenuEffect::WakeWaiter);
  ASSERT_TRUE(interpreter.pendingReload.has_value());
  EXPECT_EQ(interpreter.pendingReload->label, ":a");
  EXPECT_TRUE(host.messages.empty());

  interpreter.pendingReload.reset();
  std::remove("index.scn");
  EXPECT_EQ(runDebugMenuCommand(interpreter, kMenuReload), MenuEffect::None);
  EXPECT_FALSE(interpreter.pendingReload.has_value());
  EXPECT_EQ(host.messages.size(), 1u);
}

}  // namespace
}  // namespace vellaro
