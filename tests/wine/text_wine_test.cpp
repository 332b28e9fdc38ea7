// Labels, edit fields and input on the real screen: clicks on labels and pictures, input's time
// limit, typing into a field and reading it with gettext, the full text buffer, the drawn letters.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "harness.h"
#include "picture_support.h"

namespace vellaro::wine {
namespace {

// A player started on the scenario, stopped at its box "ready" (answered on request).
class ReadyPlayer {
 public:
  ReadyPlayer(const TestFolder& folder, const std::vector<std::string>& lines) {
    folder.writeScenario("index.scn", lines);
    if (!player_.start(folder.path())) return;
    started_ = player_.waitForBox(ready_, 10000);
    EXPECT_TRUE(started_) << "the box \"ready\" did not appear";
    EXPECT_EQ(ready_.text, "ready");
  }
  bool started() const { return started_; }
  // Answers "ready"; the scenario goes on from there.
  void go() { EXPECT_TRUE(player_.answer(ready_, IDOK)); }
  // The text of the next box, answered; "" when none came in time.
  std::string nextBox(DWORD timeoutMs = 10000) {
    Box box;
    if (!player_.waitForBox(box, timeoutMs)) return "";
    player_.answer(box, IDOK);
    return box.text;
  }
  void expectExit() {
    DWORD exitCode = 1;
    EXPECT_TRUE(player_.waitForExit(10000, &exitCode));
    EXPECT_EQ(exitCode, 0u);
  }

 private:
  Player player_;
  Box ready_;
  bool started_ = false;
};

// Types the letters (a to z, lower case) one key each.
void typeLetters(const std::string& letters) {
  for (char letter : letters) tapKey(static_cast<WORD>(letter - 'a' + 'A'));
}

// Clicks the field at (x, y) and waits until the player's thread gives it the keyboard focus, so
// that the keys that follow reach it.
bool focusField(int fieldX, int fieldY) {
  POINT inside{fieldX + 1, fieldY + 5};
  clickAt(inside.x, inside.y);
  HWND field = WindowFromPoint(inside);
  DWORD thread = GetWindowThreadProcessId(field, nullptr);
  return waitUntil([&] {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(thread, &info) && info.hwndFocus == field;
  }, 5000);
}

// --- input and clicks on labels ---

TEST(TextInputWine, AClickOnAPrintLabelStoresItsName) {
  TestFolder folder;
  ReadyPlayer player(folder, {"print 100 100 \"Hello world\" hello", "poke ready", "input $v", "eval s ($v)",
                              "poke $s", "terminate"});
  ASSERT_TRUE(player.started());
  player.go();
  clickAt(110, 108);
  EXPECT_EQ(player.nextBox(), "(hello)");
  player.expectExit();
}

TEST(TextInputWine, ALabelMarkedByDragReportsNoClick) {
  TestFolder folder;
  ReadyPlayer player(folder, {"print 100 100 \"Hello world\" hello", "drag hello 1", "poke ready", "input $v 1500",
                              "eval s ($v)", "poke $s", "terminate"});
  ASSERT_TRUE(player.started());
  player.go();
  clickAt(110, 108);
  EXPECT_EQ(player.nextBox(), "()");
  player.expectExit();
}

TEST(TextInputWine, InputWithATimeLimitAndNoClickEndsEmptyAfterThatTime) {
  TestFolder folder;
  ReadyPlayer player(folder, {"let v old", "poke ready", "input $v 1500", "eval s ($v)", "poke $s", "terminate"});
  ASSERT_TRUE(player.started());
  DWORD start = GetTickCount();
  player.go();
  std::string text = player.nextBox();
  DWORD elapsed = GetTickCount() - start;
  EXPECT_EQ(text, "()");
  EXPECT_GE(elapsed, 1400u);
  EXPECT_LE(elapsed, 2500u);
  player.expectExit();
}

// --- input and clicks on pictures ---

constexpr Rgb kPictureColour{0, 128, 255};

// A 60 x 40 picture at (100, 100) shown with the item name (and the lines after it), then an input
// of at most 3 seconds whose result is shown in brackets.
std::vector<std::string> pictureInputScenario(const TestFolder& folder, const std::string& name,
                                              const std::vector<std::string>& more = {}) {
  folder.writeFile("p.bmp", solidBmp(60, 40, kPictureColour));
  std::vector<std::string> lines{"show 100 100 p.bmp " + name};
  lines.insert(lines.end(), more.begin(), more.end());
  lines.insert(lines.end(), {"poke ready", "input $v 3000", "eval s ($v)", "poke $s", "terminate"});
  return lines;
}

// Answers "ready", clicks the picture once it shows, and returns the next box and the time from
// the click to it.
std::string clickPictureDuringInput(ReadyPlayer& player, DWORD* clickToBoxMs) {
  player.go();
  EXPECT_TRUE(waitUntil([] { return screenshot().pixel(130, 120) == kPictureColour; }, 5000));
  DWORD clickedAt = GetTickCount();
  clickAt(130, 120);
  std::string text = player.nextBox();
  *clickToBoxMs = GetTickCount() - clickedAt;
  return text;
}

TEST(InputPictureWine, AClickOnANamedPictureStoresItsName) {
  TestFolder folder;
  ReadyPlayer player(folder, pictureInputScenario(folder, "door"));
  ASSERT_TRUE(player.started());
  DWORD elapsed = 0;
  EXPECT_EQ(clickPictureDuringInput(player, &elapsed), "(door)");
  EXPECT_LT(elapsed, 2000u) << "the click did not end the wait";
  player.expectExit();
}

TEST(InputPictureWine, AClickOnAnUnnamedOrDraggablePictureStoresNothing) {
  struct Case {
    const char* what;
    std::string name;
    std::vector<std::string> more;
  };
  for (const Case& c : {Case{"unnamed", "\"\"", {}}, Case{"marked by drag", "door", {"drag door 1"}}}) {
    TestFolder folder;
    ReadyPlayer player(folder, pictureInputScenario(folder, c.name, c.more));
    ASSERT_TRUE(player.started()) << c.what;
    DWORD elapsed = 0;
    EXPECT_EQ(clickPictureDuringInput(player, &elapsed), "()") << c.what;
    EXPECT_GE(elapsed, 1500u) << c.what << ": the click ended the wait";
    player.expectExit();
  }
}

// --- typing into a field ---

// The field at (100, 200) with its text item, and a label "done" at (600, 100) that ends the input.
std::vector<std::string> fieldScenario(const std::string& textItem) {
  return {"clear *FFFF00", "text 100 200 " + textItem + " field", "print 600 100 done done", "poke ready",
          "input $v", "gettext field t", "poke $t", "terminate"};
}

TEST(TextFieldWine, TypedTextWithEditingKeysIsReadByGettext) {
  TestFolder folder;
  ReadyPlayer player(folder, fieldScenario("*300*"));
  ASSERT_TRUE(player.started());
  player.go();
  ASSERT_TRUE(focusField(100, 200)) << "the field did not take the focus";
  // The caret of the empty field stands at its left edge, in the text colour.
  EXPECT_TRUE(waitUntil([] { return screenshot().pixel(100, 205) == kBlack; }, 5000));
  typeLetters("abc");               // abc|
  tapKey(VK_LEFT);
  tapKey(VK_LEFT);                  // a|bc
  tapKey(VK_BACK);                  // |bc
  tapKey(VK_END);
  typeLetters("d");                 // bcd|
  tapKey(VK_HOME);
  typeLetters("x");                 // x|bcd
  tapKey(VK_RIGHT);                 // xb|cd
  tapKey(VK_DELETE);                // xb|d
  tapKey(VK_LEFT);
  tapKey(VK_LEFT);
  tapKey(VK_LEFT);                  // |xbd, the last Left passed on
  tapKey(VK_BACK);                  // nothing before the caret
  clickAt(605, 108);
  EXPECT_EQ(player.nextBox(), "xbd");
  player.expectExit();
}

TEST(TextFieldWine, The256thTypedCharacterIsDropped) {
  TestFolder folder;
  // A scenario line holds at most 255 characters: the field starts with 240, typing brings it to
  // 255 with 15 b at the start, and the c typed after them is the 256th.
  ReadyPlayer player(folder, {"clear *FFFF00", "text 9 300 " + std::string(240, 'a') + " f",
                              "print 600 100 done done", "poke ready", "input $v", "gettext f t", "poke $t",
                              "terminate"});
  ASSERT_TRUE(player.started());
  player.go();
  ASSERT_TRUE(focusField(9, 300)) << "the field did not take the focus";
  tapKey(VK_HOME);
  typeLetters(std::string(15, 'b') + "c");
  clickAt(605, 108);
  // A variable holds 254 characters: the start of the text is what is read.
  EXPECT_EQ(player.nextBox(), std::string(15, 'b') + std::string(239, 'a'));
  player.expectExit();
}

// --- drawn letters ---

// A 100 x 80 tile whose every pixel tells where it lies; no pixel of it is pure red.
Rgb tilePixel(int x, int y) {
  return Rgb{static_cast<uint8_t>(x * 2), static_cast<uint8_t>(100 + y), static_cast<uint8_t>(40 + (x + y) % 100)};
}

// The pixels of the area that pass a test, and their bounding box.
struct InkArea {
  int count = 0;
  int left = 100000, top = 100000, right = -1, bottom = -1;
  int boxArea() const { return count ? (right - left + 1) * (bottom - top + 1) : 0; }
};

template <typename IsInk>
InkArea inkPixels(const Screenshot& shot, int x0, int y0, int x1, int y1, IsInk isInk) {
  InkArea area;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      if (!isInk(shot.pixel(x, y))) continue;
      ++area.count;
      area.left = std::min(area.left, x);
      area.right = std::max(area.right, x);
      area.top = std::min(area.top, y);
      area.bottom = std::max(area.bottom, y);
    }
  }
  return area;
}

TEST(TextDrawingWine, ALabelIsDrawnInTheFontColourOverTheTiledBackground) {
  TestFolder folder;
  folder.writeFile("tile.bmp", bmpFile(100, 80, tilePixel));
  PausedPlayer player(folder, {"clear tile.bmp", "font 40 FF0000 Arial b", "print 150 130 HIH label"});
  Screenshot shot;
  InkArea red;
  ASSERT_TRUE(waitUntil([&] {
    shot = screenshot();
    red = inkPixels(shot, 140, 120, 400, 200, [](Rgb c) { return c == kRed; });
    return red.count > 100;
  }, 10000)) << "no letters in the font colour appeared";
  EXPECT_GE(red.left, 150);
  EXPECT_GE(red.top, 130);
  // Inside the letters' box the tile shows wherever no letter is drawn.
  int background = 0;
  for (int y = red.top; y <= red.bottom; ++y) {
    for (int x = red.left; x <= red.right; ++x) background += shot.pixel(x, y) == tilePixel(x % 100, y % 80);
  }
  EXPECT_GT(background, red.boxArea() / 4) << "the label hides the background between its letters";
  EXPECT_EQ(shot.pixel(149, 129), tilePixel(49, 49));
}

TEST(TextDrawingWine, ALargerFontCoversALargerArea) {
  TestFolder folder;
  PausedPlayer player(folder, {"clear *FFFFFF", "font 16 FF0000 Arial", "print 100 100 Ab small",
                               "font 48 FF0000 Arial", "print 100 300 Ab big"});
  InkArea small;
  InkArea big;
  auto notWhite = [](Rgb c) { return c != kWhite; };
  ASSERT_TRUE(waitUntil([&] {
    Screenshot shot = screenshot();
    // The white background has replaced whatever the screen showed before.
    if (shot.pixel(50, 50) != kWhite || shot.pixel(500, 260) != kWhite) return false;
    small = inkPixels(shot, 90, 90, 400, 250, notWhite);
    big = inkPixels(shot, 90, 290, 400, 500, notWhite);
    return small.count > 10 && big.count > 10;
  }, 10000)) << "the labels did not appear";
  EXPECT_GT(big.boxArea(), 4 * small.boxArea());
  EXPECT_GT(big.count, 4 * small.count);
}

}  // namespace
}  // namespace vellaro::wine
