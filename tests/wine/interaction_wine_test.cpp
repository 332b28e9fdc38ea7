// The learner's and the author's actions reaching a running scenario: closing the window, clicks
// on pictures, the debug menu (Ctrl+N and its commands), exec and screen.
#include <gtest/gtest.h>

#include "harness.h"
#include "picture_support.h"

namespace vellaro::wine {
namespace {

constexpr DWORD kStartMs = 10000;

// A player started on a scenario and driven step by step; its main window is found first.
class DrivenPlayer {
 public:
  DrivenPlayer(const TestFolder& folder, const std::vector<std::string>& lines) {
    folder.writeScenario("index.scn", lines);
    if (!player.start(folder.path())) return;
    mainWindow = player.waitForWindow("Vellaro", kStartMs);
    EXPECT_NE(mainWindow, nullptr) << "the main window titled Vellaro did not appear";
  }

  // Brings the main window to the front with a click on its top left corner (the main window
  // itself reports no clicks), so that keys reach it.
  void focusMainWindow() {
    clickAt(5, 5);
    EXPECT_TRUE(waitUntil([&] { return GetForegroundWindow() == mainWindow; }, 2000));
  }

  void postCommand(WPARAM id) { PostMessageA(mainWindow, WM_COMMAND, id, 0); }

  // The next box's text (answered with OK), or "" when none came in time.
  std::string nextBox(DWORD timeoutMs = 5000) {
    Box box;
    if (!player.waitForBox(box, timeoutMs)) return "";
    player.answer(box, IDOK);
    return box.text;
  }

  void expectExit(DWORD timeoutMs = 5000) {
    DWORD exitCode = 1;
    EXPECT_TRUE(player.waitForExit(timeoutMs, &exitCode)) << "the player did not end in time";
    EXPECT_EQ(exitCode, 0u);
  }

  Player player;
  HWND mainWindow = nullptr;
};

// --- Closing the main window ---

// A looping scenario whose window is closed must end, not go on without a window.
TEST(CloseWine, ClosingTheWindowDuringALoopingPauseEndsTheRun) {
  TestFolder folder;
  DrivenPlayer run(folder, {":l", "pause 4", "goto :l"});
  ASSERT_NE(run.mainWindow, nullptr);
  PostMessageA(run.mainWindow, WM_CLOSE, 0, 0);
  DWORD closedAt = GetTickCount();
  run.expectExit(2000);
  EXPECT_LT(GetTickCount() - closedAt, 2000u);
  EXPECT_EQ(run.nextBox(0), "");
}

// --- Clicks on pictures ---

constexpr Rgb kPictureColour{0, 128, 255};

// A 60 x 40 picture at (100, 100) and a pause that only a reported click ends early.
std::vector<std::string> clickScenario(const TestFolder& folder, const std::string& extra) {
  folder.writeFile("p.bmp", solidBmp(60, 40, kPictureColour));
  return {"show 100 100 p.bmp " + extra, "pause 4000 ms", "poke after", "terminate"};
}

TEST(ClickWine, AClickOnANamedPictureEndsTheWait) {
  TestFolder folder;
  DrivenPlayer run(folder, clickScenario(folder, "door"));
  ASSERT_NE(run.mainWindow, nullptr);
  ASSERT_TRUE(waitUntil([] { return screenshot().pixel(130, 120) == kPictureColour; }, 5000));
  DWORD clickedAt = GetTickCount();
  clickAt(130, 120);
  EXPECT_EQ(run.nextBox(), "after");
  EXPECT_LT(GetTickCount() - clickedAt, 2500u) << "the click did not end the 4-second pause";
  run.expectExit();
}

struct SilentClickCase {
  const char* name;
  std::vector<std::string> lines;  // after the picture is shown
};

TEST(ClickWine, AClickOnAnUnnamedOrDraggablePictureReportsNothing) {
  const SilentClickCase cases[] = {
      {"unnamed", {}},
      {"drag", {"drag door 1"}},
  };
  for (const SilentClickCase& c : cases) {
    TestFolder folder;
    std::vector<std::string> lines = {std::string("show 100 100 p.bmp ") + (c.lines.empty() ? "\"\"" : "door")};
    folder.writeFile("p.bmp", solidBmp(60, 40, kPictureColour));
    lines.insert(lines.end(), c.lines.begin(), c.lines.end());
    lines.insert(lines.end(), {"pause 2000 ms", "poke after", "terminate"});
    DrivenPlayer run(folder, lines);
    ASSERT_NE(run.mainWindow, nullptr) << c.name;
    ASSERT_TRUE(waitUntil([] { return screenshot().pixel(130, 120) == kPictureColour; }, 5000)) << c.name;
    DWORD clickedAt = GetTickCount();
    clickAt(130, 120);
    EXPECT_EQ(run.nextBox(), "after") << c.name;
    EXPECT_GE(GetTickCount() - clickedAt, 1000u) << c.name << ": the click ended the pause";
    run.expectExit();
  }
}

// --- The debug menu ---

TEST(DebugMenuWine, CtrlNShowsTheMenuAndAgainHidesIt) {
  TestFolder folder;
  // Program 200 does not exist, so the keys sound nothing (and report no MIDI errors).
  DrivenPlayer run(folder, {"userinstrument *200", "pause 20000 ms", "terminate"});
  ASSERT_NE(run.mainWindow, nullptr);
  run.focusMainWindow();
  auto ctrlN = [] {
    pressKey(VK_CONTROL);
    tapKey('N');
    releaseKey(VK_CONTROL);
  };
  ctrlN();
  EXPECT_TRUE(waitUntil([&] { return GetMenu(run.mainWindow) != nullptr; }, 3000)) << "no menu after Ctrl+N";
  ctrlN();
  EXPECT_TRUE(waitUntil([&] { return GetMenu(run.mainWindow) == nullptr; }, 3000)) << "menu stays after Ctrl+N";
  PostMessageA(run.mainWindow, WM_CLOSE, 0, 0);
  run.expectExit();
  EXPECT_EQ(run.nextBox(0), "");
}

TEST(DebugMenuWine, TheLogSwitchTurnsTheLogOn) {
  TestFolder folder;
  DrivenPlayer run(folder, {"pause 1500 ms", "let a 1", "terminate"});
  ASSERT_NE(run.mainWindow, nullptr);
  run.postCommand(1002);  // handled once the pause dispatches messages
  run.expectExit();
  EXPECT_EQ(folder.readFile("debug.txt"), midiInputState() + "\r\r\n(index.scn) 0: pause\r\r\n(index.scn) 1: let\r\r\n");
}

TEST(DebugMenuWine, AVariableEntryShowsItsValue) {
  TestFolder folder;
  // userinstrument, tempo and base_dir take slots 0 to 2, so answer is in slot 3.
  DrivenPlayer run(folder, {"let answer forty-two", "pause 20000 ms", "terminate"});
  ASSERT_NE(run.mainWindow, nullptr);
  run.postCommand(2500 + 3);
  EXPECT_EQ(run.nextBox(), "forty-two");
  run.postCommand(2500 + 1);
  EXPECT_EQ(run.nextBox(), "2000");
  PostMessageA(run.mainWindow, WM_CLOSE, 0, 0);
  run.expectExit();
}

TEST(DebugMenuWine, ANaviLineLeavesTheWaitAndContinuesAtItsLabel) {
  TestFolder folder;
  folder.writeScenario("navi.scn", {"poke first", "goto :end"});
  DrivenPlayer run(folder, {"pause 20000 ms", "poke skipped", "terminate", ":end", "poke end", "terminate"});
  ASSERT_NE(run.mainWindow, nullptr);
  DWORD chosenAt = GetTickCount();
  run.postCommand(1500 + 1);
  EXPECT_EQ(run.nextBox(), "end");
  EXPECT_LT(GetTickCount() - chosenAt, 5000u) << "the navigation line did not end the pause";
  run.expectExit();
}

TEST(DebugMenuWine, QuitEndsTheRunAfterTheWait) {
  TestFolder folder;
  DrivenPlayer run(folder, {"pause 20000 ms", "poke skipped", "terminate"});
  ASSERT_NE(run.mainWindow, nullptr);
  run.postCommand(1003);
  run.expectExit(3000);
  EXPECT_EQ(run.nextBox(0), "");
}

// --- exec and screen ---

TEST(SystemCommandsWine, ExecAndScreenReportWhatTheyCannotDo) {
  TestFolder folder;
  folder.writeScenario("index.scn", {"exec nosuch-lesson-file.xyz", "screen 1024 x", "screen 123", "terminate"});
  RunResult run = runPlayer(folder.path());
  EXPECT_FALSE(run.timedOut);
  EXPECT_EQ(run.exitCode, 0u);
  Texts texts = run.texts();
  // The shell may first say in a box of its own that it found no such file.
  if (texts.size() == 4) texts.erase(texts.begin());
  EXPECT_EQ(texts, (Texts{"0: exec  -- cannot launch document/application (nosuch-lesson-file.xyz)",
                                "1: screen: color is not a number",
                                "2: screen: no such screen resolution available: width=123, colorsBit=32, frequency=75"}));
}

}  // namespace
}  // namespace vellaro::wine
