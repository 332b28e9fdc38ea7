// The harness itself: that its hands and eyes work under Wine, and that a hung player is killed.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "harness.h"

namespace vellaro::wine {
namespace {

// Two boxes in a row: "0: debug  -- unknown mode" and "1: debug  -- unknown mode".
void writeTwoBoxScenario(const TestFolder& folder) {
  folder.writeScenario("index.scn", {"debug X", "debug X", "terminate"});
}

TEST(HarnessWine, WaitForBoxReportsEachBoxOnce) {
  TestFolder folder;
  writeTwoBoxScenario(folder);
  Player player;
  ASSERT_TRUE(player.start(folder.path()));
  Box first;
  ASSERT_TRUE(player.waitForBox(first, 5000));
  EXPECT_EQ(first.text, "0: debug  -- unknown mode");
  Box again;
  EXPECT_FALSE(player.waitForBox(again, 300)) << "the open box was reported twice";
  ASSERT_TRUE(player.answer(first, IDOK));
  Box second;
  ASSERT_TRUE(player.waitForBox(second, 5000));
  EXPECT_EQ(second.text, "1: debug  -- unknown mode");
  ASSERT_TRUE(player.answer(second, IDOK));
  DWORD exitCode = 1;
  EXPECT_TRUE(player.waitForExit(5000, &exitCode));
  EXPECT_EQ(exitCode, 0u);
}

TEST(HarnessWine, MouseMovesToTheExactPixel) {
  for (POINT target : {POINT{0, 0}, POINT{100, 200}, POINT{511, 384}, POINT{1023, 767}}) {
    mouseMove(target.x, target.y);
    POINT at = {};
    waitUntil([&] { return GetCursorPos(&at) && at.x == target.x && at.y == target.y; }, 1000);
    EXPECT_EQ(at.x, target.x);
    EXPECT_EQ(at.y, target.y);
  }
}

TEST(HarnessWine, ClickOnTheOkButtonClosesTheBox) {
  TestFolder folder;
  writeTwoBoxScenario(folder);
  Player player;
  ASSERT_TRUE(player.start(folder.path()));
  Box box;
  ASSERT_TRUE(player.waitForBox(box, 5000));
  HWND ok = GetDlgItem(box.window, IDOK);
  ASSERT_NE(ok, nullptr);
  POINT centre = windowCentre(ok);
  clickAt(centre.x, centre.y);
  EXPECT_TRUE(waitUntil([&] { return !IsWindow(box.window); }, 5000));
  Box next;
  ASSERT_TRUE(player.waitForBox(next, 5000));
  EXPECT_EQ(next.text, "1: debug  -- unknown mode");
  player.answer(next, IDOK);
  EXPECT_TRUE(player.waitForExit(5000));
}

TEST(HarnessWine, EnterKeyAnswersTheBoxWithTheFocus) {
  TestFolder folder;
  writeTwoBoxScenario(folder);
  Player player;
  ASSERT_TRUE(player.start(folder.path()));
  Box box;
  ASSERT_TRUE(player.waitForBox(box, 5000));
  // A box that is not yet the foreground window does not see the key; click its face first.
  POINT centre = windowCentre(box.window);
  clickAt(centre.x, centre.y);
  tapKey(VK_RETURN);
  EXPECT_TRUE(waitUntil([&] { return !IsWindow(box.window); }, 5000));
  Box next;
  ASSERT_TRUE(player.waitForBox(next, 5000));
  player.answer(next, IDOK);
  EXPECT_TRUE(player.waitForExit(5000));
}

TEST(HarnessWine, ScreenshotSeesTheBoxAndSavesABmp) {
  TestFolder folder;
  writeTwoBoxScenario(folder);
  Player player;
  ASSERT_TRUE(player.start(folder.path()));
  Box box;
  ASSERT_TRUE(player.waitForBox(box, 5000));
  RECT client = {};
  GetClientRect(box.window, &client);
  POINT corner = {client.left + 3, client.bottom - 3};  // dialog face, below the text and icon
  ClientToScreen(box.window, &corner);
  COLORREF face = GetSysColor(COLOR_BTNFACE);
  Rgb faceColour{GetRValue(face), GetGValue(face), GetBValue(face)};
  Screenshot shot = screenshot();
  // The box paints shortly after it appears.
  waitUntil([&] { return (shot = screenshot()).pixel(corner.x, corner.y) == faceColour; }, 2000);
  EXPECT_EQ(shot.width(), 1024);
  EXPECT_EQ(shot.height(), 768);
  EXPECT_EQ(shot.pixel(corner.x, corner.y), faceColour);

  ASSERT_TRUE(shot.saveBmp(folder.pathOf("shot.bmp")));
  std::string bmp = folder.readFile("shot.bmp");
  ASSERT_EQ(bmp.size(), 54u + 1024u * 3u * 768u);
  EXPECT_EQ(bmp.substr(0, 2), "BM");
  player.answer(box, IDOK);
  Box next;
  ASSERT_TRUE(player.waitForBox(next, 5000));
  player.answer(next, IDOK);
  EXPECT_TRUE(player.waitForExit(5000));
}

TEST(HarnessWine, HungPlayerFailsTheTestAndIsKilled) {
  TestFolder folder;
  folder.writeScenario("index.scn", {":loop", "goto :loop"});
  RunResult run;
  EXPECT_NONFATAL_FAILURE(run = runPlayer(folder.path(), {}, 1500), "did not exit within 1500 ms");
  EXPECT_TRUE(run.timedOut);
}

TEST(HarnessWine, PlayerLeftRunningIsKilledAtTheEndOfTheTest) {
  TestFolder folder;
  folder.writeScenario("index.scn", {":loop", "goto :loop"});
  DWORD processId = 0;
  EXPECT_NONFATAL_FAILURE(
      {
        Player player;
        player.start(folder.path());
        processId = player.processId();
      },
      "still running at the end of the test");
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
  if (process) {
    EXPECT_EQ(WaitForSingleObject(process, 5000), WAIT_OBJECT_0);
    CloseHandle(process);
  }
}

}  // namespace
}  // namespace vellaro::wine
