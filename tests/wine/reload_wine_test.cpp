// The author's reload of a running lesson: the debug menu's Reload lesson, Ctrl+R while the menu
// is shown, and --watch, which reloads when a .scn file of the lesson's folder is saved.
#include <gtest/gtest.h>

#include "harness.h"

namespace vellaro::wine {
namespace {

constexpr DWORD kStartMs = 10000;
constexpr WPARAM kReloadLesson = 1005;
// The quiet second after a save, and Wine's time to notice it.
constexpr DWORD kWatchBoxMs = 6000;

// Program 200 does not exist, so piano keys sound nothing (and report no MIDI errors).
const char kOldText[] = "userinstrument *200\r\nlet a kept\r\n:wait\r\npoke ready\r\npause 30000 ms\r\npoke old\r\nterminate\r\n";

class ReloadWine : public ::testing::Test {
 protected:
  // Starts the player on kOldText and answers its "ready": the run then waits in the pause.
  void start(const std::string& arguments) {
    folder.writeFile("index.scn", kOldText);
    PlayerOptions options;
    options.arguments = arguments;
    ASSERT_TRUE(player.start(folder.path(), options));
    mainWindow = player.waitForWindow("Vellaro", kStartMs);
    ASSERT_NE(mainWindow, nullptr);
    ASSERT_EQ(nextBox(), "ready");
  }

  // The next box's text (answered with OK), or "" when none came in time.
  std::string nextBox(DWORD timeoutMs = 5000) {
    Box box;
    if (!player.waitForBox(box, timeoutMs)) return "";
    player.answer(box, IDOK);
    return box.text;
  }

  void ctrlKey(WORD key) {
    pressKey(VK_CONTROL);
    tapKey(key);
    releaseKey(VK_CONTROL);
  }

  void expectExit() {
    DWORD exitCode = 1;
    EXPECT_TRUE(player.waitForExit(5000, &exitCode)) << "the player did not end in time";
    EXPECT_EQ(exitCode, 0u);
  }

  TestFolder folder;
  Player player;
  HWND mainWindow = nullptr;
};

// The new text's boxes show that the pause ended and the run went on at :wait with `a` as the old
// text set it. Without --watch a save alone does nothing, and Ctrl+R reloads only while the menu
// is shown. The keys come first: once a menu command has run, the menu bar covers the corner that
// is clicked to give the main window the keys.
TEST_F(ReloadWine, CtrlRAndTheMenuEntryRunTheNewTextAtTheLabel) {
  start("");
  folder.writeFile("index.scn", "let a lost\r\n:wait\r\npoke ctrl\r\npoke $a\r\npause 30000 ms\r\nterminate\r\n");
  clickAt(5, 5);  // the main window itself reports no clicks
  ASSERT_TRUE(waitUntil([&] { return GetForegroundWindow() == mainWindow; }, 2000));
  ctrlKey('R');
  EXPECT_EQ(nextBox(2000), "") << "Ctrl+R without the menu, or the save without --watch, reloaded";
  ctrlKey('N');
  ASSERT_TRUE(waitUntil([&] { return GetMenu(mainWindow) != nullptr; }, 3000));
  ctrlKey('R');
  EXPECT_EQ(nextBox(), "ctrl");
  EXPECT_EQ(nextBox(), "kept");

  folder.writeFile("index.scn", ":wait\r\npoke menu\r\npoke $a\r\nterminate\r\n");
  PostMessageA(mainWindow, WM_COMMAND, kReloadLesson, 0);
  EXPECT_EQ(nextBox(), "menu");
  EXPECT_EQ(nextBox(), "kept");
  expectExit();
}

// Two saves 200 ms apart reload once, with the second text. A save the loader would cut, and then
// the file's removal, keep the text that runs: its pause ends as it would have and its next line
// runs.
TEST_F(ReloadWine, WithWatchASaveReloadsAndABadSaveOrARemovalKeepsTheOldText) {
  start("--watch");
  folder.writeFile("index.scn", ":wait\r\npoke first-save\r\nterminate\r\n");
  Sleep(200);
  folder.writeFile("index.scn", ":wait\r\npoke saved\r\npause 8000 ms\r\npoke still-saved\r\nterminate\r\n");
  EXPECT_EQ(nextBox(kWatchBoxMs), "saved");

  folder.writeFile("index.scn", ":wait\r\npoke " + std::string(300, 'x') + "\r\nterminate\r\n");
  EXPECT_EQ(nextBox(kWatchBoxMs),
            "Scenario file (index.scn) cannot be reloaded: line 1 has more than 255 characters. The lesson goes on "
            "with the text it had");
  ASSERT_TRUE(DeleteFileA(folder.pathOf("index.scn").c_str()));
  EXPECT_EQ(nextBox(kWatchBoxMs),
            "Scenario file (index.scn) cannot be reloaded: it cannot be opened. The lesson goes on with the text it had");
  EXPECT_EQ(nextBox(10000), "still-saved");
  expectExit();
}

}  // namespace
}  // namespace vellaro::wine
