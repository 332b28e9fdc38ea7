// Lessons saved as UTF-8 on the real screen: a label with accents and Greek is drawn with the wide
// calls (the same pixels as the system's own wide-character drawing of that text), and accented and
// Greek letters typed into a field come back from gettext as UTF-8 bytes.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "harness.h"
#include "picture_support.h"

namespace vellaro::wine {
namespace {

// "Élève Ωμέγα": French accents and a Greek word, in UTF-8 and as wide characters.
const char kLabelUtf8[] = "\xC3\x89l\xC3\xA8ve \xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1";
const wchar_t kLabelWide[] = L"\u00C9l\u00E8ve \u03A9\u03BC\u03AD\u03B3\u03B1";
constexpr int kLabelX = 100;
constexpr int kLabelY = 100;
constexpr int kFontHeight = 40;

// The text drawn black on white by a reference call: the font the player makes for
// "font 40 000000 Arial" (weight 500), drawn with TextOutW, or with TextOutA of the UTF-8 bytes
// (what an ANSI lesson would show for them).
struct Drawing {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;  // top-down rows of 0x00RRGGBB
  Rgb at(int x, int y) const {
    uint32_t p = pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    return Rgb{static_cast<uint8_t>(p >> 16), static_cast<uint8_t>(p >> 8), static_cast<uint8_t>(p)};
  }
};

Drawing referenceDrawing(bool wide) {
  Drawing drawing;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  ReleaseDC(nullptr, screen);
  HFONT font = CreateFontW(kFontHeight, 0, 0, 0, 500, 0, 0, 0, 0, 0, 0, PROOF_QUALITY, 0, L"Arial");
  HGDIOBJ oldFont = SelectObject(dc, font);
  SIZE size{0, 0};
  if (wide) {
    GetTextExtentPoint32W(dc, kLabelWide, static_cast<int>(wcslen(kLabelWide)), &size);
  } else {
    GetTextExtentPoint32A(dc, kLabelUtf8, static_cast<int>(strlen(kLabelUtf8)), &size);
  }
  drawing.width = size.cx;
  drawing.height = size.cy;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = size.cx;
  info.bmiHeader.biHeight = -size.cy;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
  RECT all{0, 0, size.cx, size.cy};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  if (wide) {
    TextOutW(dc, 0, 0, kLabelWide, static_cast<int>(wcslen(kLabelWide)));
  } else {
    TextOutA(dc, 0, 0, kLabelUtf8, static_cast<int>(strlen(kLabelUtf8)));
  }
  GdiFlush();
  const auto* pixels = static_cast<const uint32_t*>(bits);
  drawing.pixels.assign(pixels, pixels + static_cast<size_t>(size.cx) * static_cast<size_t>(size.cy));
  SelectObject(dc, oldBitmap);
  SelectObject(dc, oldFont);
  DeleteObject(bitmap);
  DeleteObject(font);
  DeleteDC(dc);
  return drawing;
}

// Pixels of the screen at the label's place that differ from the drawing by more than a shade.
int differingPixels(const Screenshot& shot, const Drawing& drawing) {
  int differing = 0;
  for (int y = 0; y < drawing.height; ++y) {
    for (int x = 0; x < drawing.width; ++x) {
      Rgb a = shot.pixel(kLabelX + x, kLabelY + y);
      Rgb b = drawing.at(x, y);
      if (std::abs(a.r - b.r) > 8 || std::abs(a.g - b.g) > 8 || std::abs(a.b - b.b) > 8) ++differing;
    }
  }
  return differing;
}

int inkPixels(const Drawing& drawing) {
  int ink = 0;
  for (int y = 0; y < drawing.height; ++y) {
    for (int x = 0; x < drawing.width; ++x) ink += drawing.at(x, y) != kWhite;
  }
  return ink;
}

TEST(Utf8TextWine, AUtf8LabelIsDrawnAsTheWideCallDrawsItsText) {
  TestFolder folder;
  PausedPlayer player(folder, {"clear *FFFFFF", "font 40 000000 Arial",
                               std::string("print 100 100 \"") + kLabelUtf8 + "\" label"});
  Drawing wide = referenceDrawing(true);
  Drawing bytes = referenceDrawing(false);
  ASSERT_GT(inkPixels(wide), 200) << "the reference drawing is empty";
  // The test tells the two apart: the bytes drawn one by one as ANSI characters look different.
  ASSERT_NE(wide.pixels, bytes.pixels);
  Screenshot shot;
  int differing = 0;
  bool same = waitUntil([&] {
    shot = screenshot();
    differing = differingPixels(shot, wide);
    return differing <= wide.width * wide.height / 200;
  }, 10000);
  if (!same) shot.saveBmp(folder.path() + "\\screen.bmp");
  std::printf("[ label    ] %d of %d pixels differ from TextOutW, %d from TextOutA of the bytes\n", differing,
              wide.width * wide.height, differingPixels(shot, bytes));
  EXPECT_TRUE(same) << differing << " of " << wide.width * wide.height
                    << " pixels differ from TextOutW of the same text; screen.bmp kept";
  // Nor is it the drawing of the bytes as ANSI characters.
  EXPECT_GT(differingPixels(shot, bytes), bytes.width * bytes.height / 50);
  EXPECT_EQ(shot.pixel(kLabelX - 1, kLabelY - 1), kWhite);
}

// One character typed as the system types one from another keyboard layout (VK_PACKET).
void typeCharacter(wchar_t character) {
  INPUT keys[2]{};
  for (INPUT& key : keys) {
    key.type = INPUT_KEYBOARD;
    key.ki.wScan = character;
    key.ki.dwFlags = KEYEVENTF_UNICODE;
  }
  keys[1].ki.dwFlags |= KEYEVENTF_KEYUP;
  SendInput(2, keys, sizeof(INPUT));
  Sleep(30);
}

TEST(Utf8TextWine, TypedAccentsAndGreekComeBackFromGettextAsUtf8) {
  TestFolder folder;
  // The field's text and the label keep the file UTF-8; the store file shows gettext's bytes.
  folder.writeScenario("index.scn", {"clear *FFFF00", "text 100 200 \"*300*\xC3\xA0 \" field",
                                     "print 600 100 \"fin \xE2\x86\x92\" done", "poke ready", "input $v",
                                     "gettext field t", "store typed.txt $t", "terminate"});
  Player player;
  ASSERT_TRUE(player.start(folder.path()));
  Box ready;
  ASSERT_TRUE(player.waitForBox(ready, 10000));
  player.answer(ready, IDOK);
  POINT inside{101, 205};
  clickAt(inside.x, inside.y);
  HWND field = WindowFromPoint(inside);
  DWORD thread = GetWindowThreadProcessId(field, nullptr);
  ASSERT_TRUE(waitUntil([&] {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(thread, &info) && info.hwndFocus == field;
  }, 5000)) << "the field did not take the focus";
  tapKey(VK_END);  // the click put the caret after the first character, à
  for (wchar_t c : std::wstring(L"\u00E9t\u00E9 \u00DF \u03BB")) typeCharacter(c);  // "été ß λ"
  tapKey(VK_BACK);  // the Greek letter goes whole, both of its bytes
  typeCharacter(L'\u03C9');
  clickAt(605, 108);
  DWORD exitCode = 1;
  EXPECT_TRUE(player.waitForExit(10000, &exitCode));
  // "à " from the lesson, then "été ß ω", each character in its UTF-8 bytes.
  EXPECT_EQ(folder.readFile("typed.txt"),
            "$t=\xC3\xA0 \xC3\xA9t\xC3\xA9 \xC3\x9F \xCF\x89\r\r\n");
}

// The box's text read with the wide call, as UTF-8 (the harness reads boxes in the ANSI code page,
// where Greek has no letters).
std::string boxTextUtf8(const Box& box) {
  wchar_t wide[512] = {};
  GetWindowTextW(GetDlgItem(box.window, 0xFFFF), wide, 512);
  char bytes[1024] = {};
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, bytes, sizeof bytes, nullptr, nullptr);
  return bytes;
}

// A box of a UTF-8 lesson shows its Greek and accents; one of a Windows-1252 lesson its accents, as
// it always did.
TEST(Utf8TextWine, BoxesShowTheTextOfTheirLessonsEncoding) {
  struct Case {
    std::string pokeLine;
    std::string shown;
  } cases[] = {
      {"poke \"\xCE\x9A\xCE\xB1\xCE\xBB\xCE\xB7\xCE\xBC\xCE\xAD\xCF\x81\xCE\xB1, \xC3\xA9l\xC3\xA8ve\"",
       "\xCE\x9A\xCE\xB1\xCE\xBB\xCE\xB7\xCE\xBC\xCE\xAD\xCF\x81\xCE\xB1, \xC3\xA9l\xC3\xA8ve"},
      {"poke \"\xE9l\xE8ve\"", "\xC3\xA9l\xC3\xA8ve"},
  };
  for (const Case& c : cases) {
    TestFolder folder;
    folder.writeScenario("index.scn", {c.pokeLine, "terminate"});
    Player player;
    ASSERT_TRUE(player.start(folder.path()));
    Box box;
    ASSERT_TRUE(player.waitForBox(box, 10000));
    EXPECT_EQ(boxTextUtf8(box), c.shown);
    player.answer(box, IDOK);
    DWORD exitCode = 1;
    EXPECT_TRUE(player.waitForExit(10000, &exitCode));
  }
}

}  // namespace
}  // namespace vellaro::wine
