// The main window and the waits seen from outside: the full-screen window titled Vellaro, a pause
// that really waits its time, and closing the window during a pause. pause's units and messages
// are checked natively in tests/unit/pause_test.cpp.
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

}  // namespace
}  // namespace vellaro::wine
