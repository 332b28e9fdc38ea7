// The picture commands on the real screen: backgrounds, pictures with a transparent colour,
// hide and show by name, move, remove, drag, getcoord and getsize, and the messages that come from
// the Win32 side. clear's and remove's own messages are checked natively in
// tests/unit/picture_commands_test.cpp.
#include <gtest/gtest.h>

#include "harness.h"
#include "picture_support.h"

namespace vellaro::wine {
namespace {

RunResult runLines(const TestFolder& folder, std::vector<std::string> lines) {
  lines.push_back("terminate");
  folder.writeScenario("index.scn", lines);
  RunResult run = runPlayer(folder.path(), {}, 30000);
  EXPECT_FALSE(run.timedOut);
  EXPECT_EQ(run.exitCode, 0u);
  return run;
}

// A 100 x 80 tile whose every pixel tells where it lies, so a misplaced copy shows at once.
Rgb tilePixel(int x, int y) {
  return Rgb{static_cast<uint8_t>(x * 2), static_cast<uint8_t>(y * 3), static_cast<uint8_t>(40 + (x + y) % 100)};
}

// --- clear ---

TEST(BackgroundWine, ClearWithCapitalHexPaintsThatColour) {
  TestFolder folder;
  PausedPlayer player(folder, {"clear *FF0000"});
  EXPECT_TRUE(player.shows({{0, 0, kRed}, {512, 384, kRed}, {1023, 767, kRed}}));
}

TEST(BackgroundWine, ClearWithLowerCaseHexPaintsBlack) {
  TestFolder folder;
  PausedPlayer player(folder, {"clear *ff0000"});
  EXPECT_TRUE(player.shows({{0, 0, kBlack}, {700, 100, kBlack}, {1023, 767, kBlack}}));
}

TEST(BackgroundWine, ClearWithoutArgumentIsWhite) {
  TestFolder folder;
  PausedPlayer player(folder, {"clear *00FF00", "clear"});
  EXPECT_TRUE(player.shows({{5, 5, kWhite}, {1020, 760, kWhite}}));
}

TEST(BackgroundWine, APictureIsTiledFromTheTopLeftCorner) {
  TestFolder folder;
  folder.writeFile("tile.bmp", bmpFile(100, 80, tilePixel));
  PausedPlayer player(folder, {"clear tile.bmp"});
  std::vector<Spot> spots;
  const int points[][2] = {{0, 0}, {99, 79}, {100, 80}, {150, 90}, {537, 411}, {1000, 720}, {1023, 767}, {1023, 0}};
  for (const auto& p : points) spots.push_back({p[0], p[1], tilePixel(p[0] % 100, p[1] % 80)});
  EXPECT_TRUE(player.shows(spots));
}

// --- show, preshow, transparent colour ---

TEST(PictureWine, TheTransparentColourLetsTheBackgroundThrough) {
  TestFolder folder;
  // Left half magenta (cut out), right half yellow, one magenta-by-one-unit pixel column that stays.
  folder.writeFile("door.bmp", bmpFile(60, 40, [](int x, int) {
                     if (x < 30) return kMagenta;
                     return x == 45 ? Rgb{254, 0, 255} : kYellow;
                   }));
  PausedPlayer player(folder, {"clear *0000FF", "show 200 100 door.bmp door FF00FF"});
  EXPECT_TRUE(player.shows({{200, 100, kBlue}, {229, 139, kBlue}, {230, 100, kYellow}, {259, 139, kYellow},
                            {245, 120, Rgb{254, 0, 255}}, {260, 120, kBlue}, {199, 120, kBlue}}));
}

TEST(PictureWine, WithoutAColourThePictureIsDrawnWhole) {
  TestFolder folder;
  folder.writeFile("door.bmp", bmpFile(60, 40, [](int x, int) { return x < 30 ? kMagenta : kYellow; }));
  PausedPlayer player(folder, {"clear *0000FF", "show 200 100 door.bmp door"});
  EXPECT_TRUE(player.shows({{200, 100, kMagenta}, {230, 139, kYellow}, {199, 100, kBlue}, {200, 140, kBlue}}));
}

TEST(PictureWine, PreshowKeepsThePictureHiddenUntilShowByName) {
  TestFolder folder;
  folder.writeFile("red.bmp", solidBmp(50, 50, kRed));
  folder.writeFile("green.bmp", solidBmp(50, 50, kGreen));
  PausedPlayer player(folder, {"clear *0000FF", "preshow 100 100 red.bmp r", "preshow 300 100 green.bmp g",
                               "show g"});
  EXPECT_TRUE(player.shows({{120, 120, kBlue}, {320, 120, kGreen}}));
}

TEST(PictureWine, HideAndShowByNameActOnEveryObjectOfThatName) {
  TestFolder folder;
  folder.writeFile("red.bmp", solidBmp(50, 50, kRed));
  folder.writeFile("green.bmp", solidBmp(50, 50, kGreen));
  PausedPlayer player(folder, {"clear *0000FF", "show 100 100 red.bmp a", "show 300 100 red.bmp a",
                               "show 500 100 green.bmp b", "preshow 100 300 green.bmp c",
                               "preshow 300 300 green.bmp c", "hide a", "show c"});
  EXPECT_TRUE(player.shows({{120, 120, kBlue}, {320, 120, kBlue}, {520, 120, kGreen}, {120, 320, kGreen},
                            {320, 320, kGreen}}));
}

TEST(PictureWine, ClearHidesEveryObject) {
  TestFolder folder;
  folder.writeFile("red.bmp", solidBmp(50, 50, kRed));
  PausedPlayer player(folder, {"show 100 100 red.bmp a", "clear *00FF00"});
  EXPECT_TRUE(player.shows({{120, 120, kGreen}}));
}

TEST(PictureMessagesWine, MissingPictureAndBadColour) {
  TestFolder folder;
  folder.writeFile("red.bmp", solidBmp(10, 10, kRed));
  RunResult run = runLines(folder, {"show 0 0 nothere.bmp x", "show 0 0 red.bmp y FF00F", "show y", "show x y z q r"});
  EXPECT_EQ(run.texts(), (Texts{"Plain BMP Image not found", "nothere.bmp", "0: cannot find picture nothere.bmp",
                                "1: Transparent color is invalid", "Plain BMP Image not found", "z",
                                "3: cannot find picture z"}));
}

TEST(PictureMessagesWine, ThePictureIsFoundThroughBaseDir) {
  TestFolder folder;
  folder.writeFile("lesson\\pics\\red.bmp", solidBmp(10, 10, kRed));
  folder.writeScenario("lesson\\start.scn", {"show 0 0 pics\\red.bmp r", "show 0 0 gone.bmp g", "terminate"});
  PlayerOptions options;
  options.arguments = "lesson\\start.scn";
  RunResult run = runPlayer(folder.path(), {}, 30000, options);
  EXPECT_EQ(run.texts(), (Texts{"Plain BMP Image not found", "lesson\\gone.bmp", "1: cannot find picture lesson\\gone.bmp"}));
}

// --- move ---

TEST(MoveWine, FarEdgeAndCentreAllowForTheObjectSizeUnlessOldstyle) {
  TestFolder folder;
  folder.writeFile("red.bmp", solidBmp(100, 80, kRed));
  folder.writeFile("green.bmp", solidBmp(100, 80, kGreen));
  PausedPlayer player(folder, {"show 0 0 red.bmp r", "show 0 0 green.bmp g", "move r -10 *0", "let oldstyle 1",
                               "move g -10 *0"});
  // r: x = 1024 - 100 - 10 = 914, y = 384 - 40 = 344. g: x = 1024 - 10 = 1014, y = 384.
  EXPECT_TRUE(player.shows({{914, 344, kRed}, {913, 344, kWhite}, {1004, 383, kRed}, {1013, 423, kRed},
                            {914, 424, kWhite}, {1014, 384, kGreen}, {1023, 463, kGreen}, {1013, 384, kRed},
                            {0, 0, kWhite}}));
}

TEST(MoveWine, CentredOffsetsAndMessages) {
  TestFolder folder;
  folder.writeFile("red.bmp", solidBmp(100, 80, kRed));
  RunResult run = runLines(folder, {"move ghost 1 2", "show 0 0 red.bmp r", "move r *-12 -0", "getcoord r x y",
                                    "poke $x", "poke $y", "move r abc 5", "getcoord r x y", "poke $x", "poke $y"});
  // *-12: 512 - 50 - 12 = 450; -0: 768 - 80 = 688.
  EXPECT_EQ(run.texts(), (Texts{"0: move -- object (ghost) is not found", "450", "688",
                                "6: Coordinate is not a number", "0", "5"}));
}

// --- remove ---

TEST(RemoveWine, RemovedPicturesLeaveTheScreen) {
  TestFolder folder;
  folder.writeFile("red.bmp", solidBmp(50, 50, kRed));
  folder.writeFile("green.bmp", solidBmp(50, 50, kGreen));
  PausedPlayer player(folder, {"clear *0000FF", "show 100 100 red.bmp a", "show 300 100 red.bmp b",
                               "show 500 100 green.bmp c", "remove a", "remove b"});
  EXPECT_TRUE(player.shows({{120, 120, kBlue}, {320, 120, kBlue}, {520, 120, kGreen}}));
}

// --- getcoord and getsize ---

TEST(GeometryWine, GetcoordAndGetsizeOfAnObjectAndOfTheScreen) {
  TestFolder folder;
  folder.writeFile("pic.bmp", solidBmp(100, 80, kRed));
  RunResult run = runLines(folder, {"show 30 40 pic.bmp door", "show 500 500 pic.bmp door", "getcoord door x y",
                                    "getsize door $w h", "poke $x", "poke $y", "poke $w", "poke $h",
                                    "getcoord * a b", "getsize * c d", "poke $a", "poke $b", "poke $c", "poke $d",
                                    "getcoord ghost x nothere", "poke $x", "poke $nothere"});
  EXPECT_EQ(run.texts(), (Texts{"30", "40", "100", "80", "512", "384", "1024", "768", "30",
                                "16: poke  -- Variable ($nothere) Does not Exists", ""}));
}

// --- drag ---

TEST(DragWine, ADraggedPictureFollowsTheMouse) {
  TestFolder folder;
  folder.writeFile("red.bmp", solidBmp(80, 60, kRed));
  PausedPlayer player(folder, {"clear *0000FF", "show 300 300 red.bmp box", "drag box 1"});
  ASSERT_TRUE(player.shows({{300, 300, kRed}, {379, 359, kRed}}));
  mouseMove(310, 310);
  mouseDown(310, 310);
  for (int step = 1; step <= 10; ++step) {
    mouseMove(310 + 20 * step, 310 + 10 * step);
    Sleep(20);
  }
  mouseUp(510, 410);
  // Moved by (200, 100): now at (500, 400) to (579, 459).
  EXPECT_TRUE(player.shows({{500, 400, kRed}, {579, 459, kRed}, {300, 300, kBlue}, {499, 400, kBlue}}));
}

TEST(DragWine, WithoutDragThePictureStays) {
  TestFolder folder;
  folder.writeFile("red.bmp", solidBmp(80, 60, kRed));
  PausedPlayer player(folder, {"clear *0000FF", "show 300 300 red.bmp box", "drag box 1", "drag box 0"});
  ASSERT_TRUE(player.shows({{300, 300, kRed}}));
  mouseMove(310, 310);
  mouseDown(310, 310);
  for (int step = 1; step <= 10; ++step) {
    mouseMove(310 + 20 * step, 310 + 10 * step);
    Sleep(20);
  }
  mouseUp(510, 410);
  Sleep(300);  // give a wrong move time to show
  EXPECT_TRUE(player.shows({{300, 300, kRed}, {379, 359, kRed}, {500, 400, kBlue}}));
}

}  // namespace
}  // namespace vellaro::wine
