// The main window and the waits seen from outside: the full-screen window titled Vellaro, pause
// with its units and messages, and closing the window during a pause.
#include <gtest/gtest.h>

#include "harness.h"
#include "picture_support.h"

namespace vellaro::wine {
namespace {

TEST(MainWindowWine, IsFullScreenWhiteAndTitledVellaro) {
  TestFolder folder;
  PausedPlayer player(folder, {});
  ASSERT_NE(player.mainWindow(), nullptr);
  RECT rect{};
  GetWindowRect(player.mainWindow(), &rect);
  EXPECT_EQ(rect.left, 0);
  EXPECT_EQ(rect.top, 0);
  EXPECT_EQ(rect.right, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(rect.bottom, GetSystemMetrics(SM_CYSCREEN));
  char className[64] = "";
  GetClassNameA(player.mainWindow(), className, sizeof className);
  EXPECT_STREQ(className, "ZELTFullScreen_Kip_Win_Class");
  EXPECT_TRUE(player.shows({{0, 0, kWhite}, {511, 383, kWhite}, {1023, 767, kWhite}}));
}

TEST(MainWindowWine, ClosingTheWindowEndsAPauseAndTheRunShutsDown) {
  TestFolder folder;
  PausedPlayer player(folder, {"clear *00FF00"});
  ASSERT_TRUE(player.shows({{10, 10, kGreen}}));
  DWORD start = GetTickCount();
  player.close();  // the pause had 60 seconds to go
  EXPECT_LT(GetTickCount() - start, 10000u);
}

TEST(PauseWine, WaitsItsTimeThenGoesOn) {
  TestFolder folder;
  folder.writeScenario("index.scn", {"pause 1500 ms", "debug X", "terminate"});
  DWORD start = GetTickCount();
  RunResult run = runPlayer(folder.path(), {}, 20000);
  DWORD elapsed = GetTickCount() - start;
  EXPECT_EQ(run.texts(), Texts{"1: debug  -- unknown mode"});
  EXPECT_GE(elapsed, 1500u);
}

TEST(PauseWine, NoteLengthsOldUnitsAndMessages) {
  TestFolder folder;
  folder.writeScenario("index.scn", {"pause 16", "pause 5 old", "pause 0 ms", "pause -5 ms", "pause 0", "pause 129",
                                     "pause x ms", "let tempo abc", "pause 4", "pause 4 $nothing", "terminate"});
  RunResult run = runPlayer(folder.path(), {}, 20000);
  EXPECT_FALSE(run.timedOut);
  EXPECT_EQ(run.texts(), (Texts{"4: pause -- parameter is out of range", "5: pause -- parameter is out of range",
                                "6: pause: parameter 1 is not a number",
                                "8: pause  -- (tempo) variable is not a number",
                                "9: pause, mode  -- Variable ($nothing) Does not Exists"}));
}

}  // namespace
}  // namespace vellaro::wine
