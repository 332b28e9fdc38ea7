// The window side of the screen driven in this test program's own process under Wine: records,
// the common window procedure (clicks, dragging, closing), the waits, background tiling, shapes
// and picture loading. The player's windows are the same functions; here each step can be seen.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "harness.h"
#include "recording_host.h"
#include "image/win32_picture_loader.h"
#include "picture_support.h"
#include "script/host.h"
#include "ui/win32_object_windows.h"
#include "ui/win32_screen_object.h"
#include "ui/win32_shapes.h"
#include "ui/win32_waits.h"

namespace vellaro::wine {
namespace {

using ProductRgb = ::vellaro::Rgb;

constexpr UINT kCount = WM_USER + 7;       // the hook notes it
constexpr UINT kWake = WM_USER + 8;        // the hook notes it and wakes the main window
constexpr UINT kThreadOnly = WM_USER + 9;  // posted to the thread, no window

std::vector<UINT> g_hooked;
HWND g_main = nullptr;
int g_wakeFlagAtClose = -1;
int g_mouseMovesHooked = 0;

int recordingHook(HWND window, UINT message, WPARAM, LPARAM) {
  if (message == kCount || message == kWake) g_hooked.push_back(message);
  if (message == kWake) wakeWaiter(g_main);
  if (message == WM_CLOSE) g_wakeFlagAtClose = objectOf(window)->wakeFlag;
  if (message == WM_MOUSEMOVE) ++g_mouseMovesHooked;
  return 1;
}

bool threadMessageQueued(UINT message) {
  MSG taken;
  return PeekMessageA(&taken, reinterpret_cast<HWND>(-1), message, message, PM_REMOVE) != 0;  // -1: thread messages only
}

COLORREF colourRef(Rgb colour) { return RGB(colour.r, colour.g, colour.b); }

Rgb tilePixel(int x, int y) {
  return Rgb{static_cast<uint8_t>(x * 2), static_cast<uint8_t>(y * 3), static_cast<uint8_t>(40 + (x + y) % 100)};
}

// A bottom-up 24-bit DIB section drawn pixel by pixel (y from the top).
HBITMAP dibSection(int width, int height, Rgb (*colourAt)(int, int)) {
  HBITMAP picture = createSolidPicture(width, height, ProductRgb{0, 0, 0});
  BITMAP info{};
  GetObjectA(picture, sizeof info, &info);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      Rgb colour = colourAt(x, y);
      uint8_t* pixel = static_cast<uint8_t*>(info.bmBits) + (height - 1 - y) * info.bmWidthBytes + 3 * x;
      pixel[0] = colour.b;
      pixel[1] = colour.g;
      pixel[2] = colour.r;
    }
  }
  return picture;
}

class ScreenWindowsWine : public ::testing::Test {
 protected:
  void SetUp() override {
    initWindowing(GetModuleHandleA(nullptr), "Vellaro");
    mainWindow = createMainWindow(nullptr);  // hidden: these tests look at records, not the screen
    g_main = mainWindow;
    g_hooked.clear();
    g_wakeFlagAtClose = -1;
    g_mouseMovesHooked = 0;
    setObjectHook(mainWindow, recordingHook);
    drain();
  }
  void TearDown() override {
    destroyObjectWindow(mainWindow);
    drain();
  }
  // The queue left by window creation, so that each test sees only its own messages.
  static void drain() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message != WM_QUIT) DispatchMessageA(&message);
    }
  }
  HWND picture(int width = 20, int height = 10) {
    return createPictureWindow(mainWindow, createSolidPicture(width, height, ProductRgb{1, 2, 3}));
  }
  static HWND plainWindow() {
    return CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  }
  static POINT positionInParent(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    return POINT{rect.left, rect.top};  // the main window lies at (0, 0)
  }

  HWND mainWindow = nullptr;
  RecordingHost host;
};

// --- records ---

TEST_F(ScreenWindowsWine, TheMainWindowIsKindFiveWithItsClassAndTitle) {
  EXPECT_EQ(objectKind(mainWindow), KIND_MAIN);
  char text[64] = "";
  GetClassNameA(mainWindow, text, sizeof text);
  EXPECT_STREQ(text, "ZELTFullScreen_Kip_Win_Class");
  GetWindowTextA(mainWindow, text, sizeof text);
  EXPECT_STREQ(text, "Vellaro");
  EXPECT_EQ(GetWindowLongPtrA(mainWindow, GWL_STYLE) & (WS_POPUP | WS_CHILD), WS_POPUP);
  // Without a background picture the back buffer is white, from the 2 x 2 white tile.
  EXPECT_EQ(GetPixel(objectSurfaceDC(mainWindow), 1023, 767), RGB(255, 255, 255));
}

TEST_F(ScreenWindowsWine, AFreshPictureRecordHasItsDefaults) {
  HWND window = picture(20, 10);
  ScreenObject* object = objectOf(window);
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(object->kind, KIND_PICTURE);
  EXPECT_EQ(object->window, window);
  EXPECT_STREQ(object->name, "");
  EXPECT_EQ(object->flags, 0);
  EXPECT_EQ(object->hook, nullptr);
  EXPECT_EQ(object->dragFilter, nullptr);
  EXPECT_EQ(object->lastCursorX, -1);
  EXPECT_EQ(object->lastCursorY, -1);
  EXPECT_EQ(object->wakeFlag, 0);
  EXPECT_NE(object->surfaceBitmap, nullptr);
  EXPECT_EQ(object->backgroundBitmap, nullptr);
  RECT client;
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 20);
  EXPECT_EQ(client.bottom, 10);
  EXPECT_FALSE(IsWindowVisible(window));
  destroyObjectWindow(window);
  EXPECT_FALSE(IsWindow(window));
}

TEST_F(ScreenWindowsWine, WindowsThatAreNotTheProgramsHaveNoRecord) {
  EXPECT_EQ(objectOf(nullptr), nullptr);
  EXPECT_EQ(objectOf(GetDesktopWindow()), nullptr);
  // A class of this program whose name does not start with ZELT, with a value in word 0.
  WNDCLASSA other{};
  other.lpfnWndProc = DefWindowProcA;
  other.cbWndExtra = sizeof(LONG_PTR);
  other.hInstance = GetModuleHandleA(nullptr);
  other.lpszClassName = "OtherTest_Win_Class";
  RegisterClassA(&other);
  HWND foreign = CreateWindowExA(0, "OtherTest_Win_Class", "", WS_POPUP, 0, 0, 5, 5, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
  SetWindowLongPtrA(foreign, 0, 1234);
  for (HWND window : {plainWindow(), foreign}) {
    EXPECT_EQ(objectOf(window), nullptr);
    EXPECT_EQ(objectKind(window), 0);
    EXPECT_EQ(recordName(window), nullptr);
    setRecordName(window, "x");  // no effect, no harm
    setRecordFlags(window, OF_DRAG);
    destroyObjectWindow(window);  // still destroys the window
    EXPECT_FALSE(IsWindow(window));
  }
}

TEST_F(ScreenWindowsWine, ALongNameIsCutTo254Characters) {
  HWND window = picture();
  setRecordName(window, std::string(300, 'n').c_str());
  EXPECT_EQ(std::strlen(recordName(window)), 254u);
  setRecordName(window, "door");
  EXPECT_STREQ(recordName(window), "door");
  destroyObjectWindow(window);
}

TEST_F(ScreenWindowsWine, CloseAllWindowsDestroysOnlyTheProgramsTopLevelWindows) {
  HWND popup = createTextWindow(host, nullptr, nullptr, 0);
  HWND child = picture();
  HWND plain = plainWindow();
  closeAllWindows();
  EXPECT_FALSE(IsWindow(popup));
  EXPECT_FALSE(IsWindow(mainWindow));
  EXPECT_FALSE(IsWindow(child));  // went with its parent
  EXPECT_TRUE(IsWindow(plain));
  DestroyWindow(plain);
}

TEST_F(ScreenWindowsWine, ATextWindowWithAPictureThatIsNoDibSectionSaysSo) {
  HDC screen = GetDC(nullptr);
  HBITMAP deviceBitmap = CreateCompatibleBitmap(screen, 4, 4);
  ReleaseDC(nullptr, screen);
  HWND text = createTextWindow(host, mainWindow, deviceBitmap, WS_CHILD);
  EXPECT_EQ(host.messages, Texts{"AAAAA!!! (2) DIB section of Bitmap is empty"});
  EXPECT_EQ(objectKind(text), KIND_TEXT);
  destroyObjectWindow(text);  // frees the picture it was given
}

// --- commonWindowProc ---

TEST_F(ScreenWindowsWine, ClicksOnAChildPostACommandNoticeToTheParent) {
  HWND window = picture();
  for (UINT click : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_RBUTTONUP}) {
    SendMessageA(window, click, 0, MAKELPARAM(1, 1));
    MSG notice;
    ASSERT_TRUE(PeekMessageA(&notice, mainWindow, WM_COMMAND, WM_COMMAND, PM_REMOVE)) << click;
    EXPECT_EQ(notice.wParam, 0x10000u);
    EXPECT_EQ(notice.lParam, reinterpret_cast<LPARAM>(window));
  }
  destroyObjectWindow(window);
}

TEST_F(ScreenWindowsWine, ClosingAWindowWakesItBeforeItIsDestroyed) {
  HWND window = picture();
  setObjectHook(window, recordingHook);
  SendMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(g_wakeFlagAtClose, 1);
  EXPECT_FALSE(IsWindow(window));  // the default processing closed it
  EXPECT_TRUE(threadMessageQueued(WM_TIMER));
}

struct DragCase {
  uint16_t flags;
  int dx;
  int dy;
};

TEST_F(ScreenWindowsWine, DraggingFollowsTheCursorOnTheEnabledAxes) {
  const DragCase cases[] = {{OF_DRAG | OF_NO_CLICK, 40, 30}, {OF_DRAG, 40, 30}, {OF_DRAG_X, 40, 0},
                            {OF_DRAG_Y, 0, 30}, {OF_DRAG_X | OF_DRAG_Y, 40, 30}, {0, 0, 0}};
  for (const DragCase& c : cases) {
    HWND window = picture();
    SetWindowPos(window, nullptr, 100, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    setRecordFlags(window, c.flags);
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));  // grab at (10, 10)
    SetCursorPos(150, 140);
    SendMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(50, 40));
    SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(50, 40));
    POINT at = positionInParent(window);
    EXPECT_EQ(at.x, 100 + c.dx) << "flags " << c.flags;
    EXPECT_EQ(at.y, 100 + c.dy) << "flags " << c.flags;
    EXPECT_EQ(objectOf(window)->dragging, 0);
    destroyObjectWindow(window);
  }
}

TEST_F(ScreenWindowsWine, AMoveToTheSameCursorPositionIsConsumed) {
  HWND window = picture();
  setObjectHook(window, recordingHook);
  setRecordFlags(window, OF_DRAG);
  SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(0, 0));
  SetCursorPos(200, 200);
  SendMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, 0);
  EXPECT_EQ(g_mouseMovesHooked, 1);
  SendMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, 0);  // the cursor has not moved
  EXPECT_EQ(g_mouseMovesHooked, 1);
  SetCursorPos(200, 230);  // y alone moves it
  SendMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, 0);
  EXPECT_EQ(g_mouseMovesHooked, 2);
  EXPECT_EQ(positionInParent(window).y, 230);
  SendMessageA(window, WM_LBUTTONUP, 0, 0);
  destroyObjectWindow(window);
}

int g_filterResult = 1;
int shiftingFilter(HWND, int* x, int*) {
  *x = 7;
  return g_filterResult;
}

TEST_F(ScreenWindowsWine, TheDragFilterCanChangeOrCancelAStep) {
  HWND window = picture();
  SetWindowPos(window, nullptr, 100, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  setRecordFlags(window, OF_DRAG);
  setDragFilter(window, shiftingFilter);
  g_filterResult = 0;
  SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(0, 0));
  SetCursorPos(300, 250);
  SendMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, 0);
  EXPECT_EQ(positionInParent(window).x, 100);  // cancelled
  g_filterResult = 1;
  SetCursorPos(310, 260);
  SendMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, 0);
  EXPECT_EQ(positionInParent(window).x, 7);
  EXPECT_EQ(positionInParent(window).y, 260);
  SendMessageA(window, WM_LBUTTONUP, 0, 0);
  destroyObjectWindow(window);
}

TEST_F(ScreenWindowsWine, AWindowOfAnotherPlayerHasNoRecordHere) {
  // The player registers the same class names in its own process; its word 0 means nothing here.
  TestFolder folder;
  PausedPlayer player(folder, {});
  ASSERT_NE(player.mainWindow(), nullptr);
  EXPECT_EQ(objectOf(player.mainWindow()), nullptr);
  EXPECT_EQ(objectKind(player.mainWindow()), 0);
}

// --- waits ---

// A clock 300 ms before it wraps at 2^32 when the test starts.
class WrappingHost : public RecordingHost {
 public:
  uint32_t clockMs() override { return 0xFFFFFFFFu - 300 + (GetTickCount() - start_); }

 private:
  DWORD start_ = GetTickCount();
};

TEST_F(ScreenWindowsWine, TimedWaitsLastTheirTimeWhenTheClockWraps) {
  WrappingHost wrapping;
  DWORD start = GetTickCount();
  pumpFor(mainWindow, 600, wrapping);
  EXPECT_GE(GetTickCount() - start, 550u);  // a deadline taken modulo 2^32 would have ended at once
  start = GetTickCount();
  waitForWakeOrTimeout(mainWindow, 600, wrapping);
  EXPECT_GE(GetTickCount() - start, 550u);
}

TEST_F(ScreenWindowsWine, PumpForZeroDispatchesTheMainWindowsMessagesOnceAndLeavesThreadMessages) {
  PostMessageA(mainWindow, kCount, 0, 0);
  PostThreadMessageA(GetCurrentThreadId(), kThreadOnly, 0, 0);
  pumpFor(mainWindow, 0, host);
  EXPECT_EQ(g_hooked, std::vector<UINT>{kCount});
  EXPECT_TRUE(threadMessageQueued(kThreadOnly));
}

TEST_F(ScreenWindowsWine, PumpForEndsWhenTheMainWindowIsWoken) {
  PostMessageA(mainWindow, kWake, 0, 0);
  pumpFor(mainWindow, 60000, host);  // would hold the test for a minute if the wake were missed
  EXPECT_EQ(objectOf(mainWindow)->wakeFlag, 1);
}

TEST_F(ScreenWindowsWine, PumpForEndsAfterItsTime) {
  PostMessageA(mainWindow, kCount, 0, 0);
  pumpFor(mainWindow, 100, host);
  EXPECT_EQ(g_hooked, std::vector<UINT>{kCount});
  EXPECT_EQ(objectOf(mainWindow)->wakeFlag, 0);
}

TEST_F(ScreenWindowsWine, WaitsOnAWindowWithoutRecordReturnAtOnce) {
  HWND plain = plainWindow();
  PostMessageA(mainWindow, kCount, 0, 0);
  pumpFor(plain, 60000, host);
  waitForWake(plain);
  waitForWakeOrTimeout(plain, 60000, host);
  wakeWaiter(plain);
  EXPECT_TRUE(g_hooked.empty());
  EXPECT_FALSE(threadMessageQueued(WM_TIMER));
  DestroyWindow(plain);
}

TEST_F(ScreenWindowsWine, WaitForWakeEndsWithTheWakeMessage) {
  PostMessageA(mainWindow, kCount, 0, 0);
  PostMessageA(mainWindow, kWake, 0, 0);
  waitForWake(mainWindow);
  EXPECT_EQ(g_hooked, (std::vector<UINT>{kCount, kWake}));
  EXPECT_FALSE(threadMessageQueued(WM_TIMER));  // the wake message ended the wait and was dropped
}

TEST_F(ScreenWindowsWine, WaitForWakeOrTimeoutEndsOnWmCloseWithoutClosing) {
  PostMessageA(mainWindow, WM_CLOSE, 0, 0);
  waitForWakeOrTimeout(mainWindow, 60000, host);
  EXPECT_TRUE(IsWindow(mainWindow));
}

TEST_F(ScreenWindowsWine, WaitForWakeOrTimeoutPostsWmQuitAgain) {
  PostThreadMessageA(GetCurrentThreadId(), WM_QUIT, 0, 0);
  waitForWakeOrTimeout(mainWindow, 60000, host);
  waitForWake(mainWindow);  // ends at once on the WM_QUIT posted again
  EXPECT_FALSE(threadMessageQueued(WM_QUIT));
}

TEST_F(ScreenWindowsWine, WaitForWakeOrTimeoutDispatchesUntilItsTime) {
  PostMessageA(mainWindow, kCount, 0, 0);
  waitForWakeOrTimeout(mainWindow, 100, host);
  EXPECT_EQ(g_hooked, std::vector<UINT>{kCount});
}

TEST_F(ScreenWindowsWine, PumpPendingStopsAtWmQuitWithoutPostingItAgain) {
  PostThreadMessageA(GetCurrentThreadId(), WM_QUIT, 0, 0);
  EXPECT_EQ(pumpPending(nullptr), static_cast<UINT>(WM_QUIT));
  EXPECT_FALSE(threadMessageQueued(WM_QUIT));
}

// --- background tiling ---

TEST_F(ScreenWindowsWine, FillBackgroundRectRetilesOnlyTheRectangle) {
  ScreenObject* object = objectOf(mainWindow);
  deleteBackgroundBitmap(object);
  object->backgroundBitmap = dibSection(100, 80, tilePixel);
  HDC surface = object->surfaceDC;
  PatBlt(surface, 0, 0, 1024, 768, BLACKNESS);
  fillBackgroundRect(mainWindow, 150, 50, 100, 100);
  EXPECT_EQ(GetPixel(surface, 150, 50), colourRef(tilePixel(50, 50)));
  EXPECT_EQ(GetPixel(surface, 200, 80), colourRef(tilePixel(0, 0)));
  EXPECT_EQ(GetPixel(surface, 249, 149), colourRef(tilePixel(49, 69)));
  for (POINT outside : {POINT{149, 50}, POINT{250, 50}, POINT{150, 49}, POINT{150, 150}}) {
    EXPECT_EQ(GetPixel(surface, outside.x, outside.y), RGB(0, 0, 0)) << outside.x << "," << outside.y;
  }
  fillBackground(mainWindow);
  EXPECT_EQ(GetPixel(surface, 1023, 767), colourRef(tilePixel(23, 47)));
  EXPECT_EQ(GetPixel(surface, 149, 49), colourRef(tilePixel(49, 49)));
}

TEST_F(ScreenWindowsWine, ASeeThroughTextWindowCopiesTheParentsBackBufferAtItsPosition) {
  ScreenObject* main = objectOf(mainWindow);
  deleteBackgroundBitmap(main);
  main->backgroundBitmap = dibSection(100, 80, tilePixel);
  fillBackground(mainWindow);
  HWND text = createTextWindow(host, mainWindow, nullptr, WS_CHILD);
  SetWindowPos(text, nullptr, 200, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  setRecordFlags(text, OF_SEE_THROUGH);
  fillBackground(text);
  EXPECT_EQ(GetPixel(objectSurfaceDC(text), 0, 0), colourRef(tilePixel(0, 20)));   // main (200, 100)
  EXPECT_EQ(GetPixel(objectSurfaceDC(text), 35, 7), colourRef(tilePixel(35, 27)));  // main (235, 107)
  destroyObjectWindow(text);
}

// --- shapes ---

Rgb shapePixel(int x, int y) {
  if (x == 3 && y == 2) return Rgb{255, 0, 255};  // in the bottom row, the first one stored
  if (x == 2 && y == 0) return Rgb{255, 1, 255};  // one unit off: opaque
  return x < 2 ? Rgb{255, 0, 255} : Rgb{255, 255, 0};
}

TEST_F(ScreenWindowsWine, RegionFromColourLeavesOutEveryPixelOfTheColour) {
  HBITMAP bitmap = dibSection(4, 3, shapePixel);
  HRGN region = regionFromColour(bitmap, ProductRgb{255, 0, 255});
  ASSERT_NE(region, nullptr);
  EXPECT_FALSE(PtInRegion(region, 0, 0));
  EXPECT_FALSE(PtInRegion(region, 1, 2));
  EXPECT_TRUE(PtInRegion(region, 2, 0));
  EXPECT_TRUE(PtInRegion(region, 3, 0));
  EXPECT_TRUE(PtInRegion(region, 2, 2));
  EXPECT_FALSE(PtInRegion(region, 3, 2));
  EXPECT_FALSE(PtInRegion(region, 4, 0));  // outside the picture
  DeleteObject(region);
  HRGN whole = regionFromColour(bitmap, ProductRgb{0, 0, 0});
  RECT box;
  EXPECT_EQ(GetRgnBox(whole, &box), SIMPLEREGION);
  EXPECT_EQ(box.right, 4);
  EXPECT_EQ(box.bottom, 3);
  DeleteObject(whole);
  DeleteObject(bitmap);
}

TEST_F(ScreenWindowsWine, APictureOfOnlyTheColourGetsAnEmptyRegion) {
  HBITMAP bitmap = createSolidPicture(5, 5, ProductRgb{255, 0, 255});
  HRGN region = regionFromColour(bitmap, ProductRgb{255, 0, 255});
  RECT box;
  EXPECT_EQ(GetRgnBox(region, &box), NULLREGION);
  DeleteObject(region);
  DeleteObject(bitmap);
}

TEST_F(ScreenWindowsWine, ABitmapWithoutPixelMemoryGivesNoRegion) {
  HDC screen = GetDC(nullptr);
  HBITMAP deviceBitmap = CreateCompatibleBitmap(screen, 4, 4);
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(regionFromColour(deviceBitmap, ProductRgb{0, 0, 0}), nullptr);
  DeleteObject(deviceBitmap);
}

TEST_F(ScreenWindowsWine, ShapeByColourAppliesTheRegionOrSaysThereIsNoBitmap) {
  HWND plain = plainWindow();
  EXPECT_EQ(shapeWindowByColour(host, plain, ProductRgb{255, 0, 255}, 0), 0);
  EXPECT_EQ(host.messages, Texts{"Window contains no bitmap"});
  DestroyWindow(plain);
  HWND window = picture();
  EXPECT_EQ(shapeWindowByColour(host, window, ProductRgb{1, 2, 3}, 0), 1);  // the whole picture is that colour
  HRGN shape = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetWindowRgn(window, shape), NULLREGION);
  DeleteObject(shape);
  destroyObjectWindow(window);
}

// --- pictures ---

TEST(PictureLoaderWine, APlainBmpFileBecomesADibSectionOfItsSize) {
  TestFolder folder;
  folder.writeFile("pics\\a.bmp", bmpFile(7, 5, tilePixel));
  RecordingHost host;
  HBITMAP picture = loadBitmap(host, "", "", folder.pathOf("pics\\a.bmp").c_str());
  ASSERT_NE(picture, nullptr);
  BITMAP info{};
  GetObjectA(picture, sizeof info, &info);
  EXPECT_EQ(info.bmWidth, 7);
  EXPECT_EQ(info.bmHeight, 5);
  EXPECT_NE(info.bmBits, nullptr);
  EXPECT_TRUE(host.messages.empty());
  DeleteObject(picture);
}

TEST(PictureLoaderWine, AMissingFileGivesTwoBoxes) {
  RecordingHost host;
  EXPECT_EQ(loadBitmap(host, "", "", "pics\\nothere.bmp"), nullptr);
  EXPECT_EQ(host.messages, (Texts{"Plain BMP Image not found", "pics\\nothere.bmp"}));
}

TEST(PictureLoaderWine, SolidPicturesAreBottomUp24BitRowsPaddedToFourBytes) {
  HBITMAP picture = createSolidPicture(3, 2, ProductRgb{1, 2, 3});
  BITMAP info{};
  GetObjectA(picture, sizeof info, &info);
  EXPECT_EQ(info.bmBitsPixel, 24);
  EXPECT_EQ(info.bmWidthBytes, 12);
  const uint8_t* bytes = static_cast<const uint8_t*>(info.bmBits);
  for (int row = 0; row < 2; ++row) {
    for (int x = 0; x < 3; ++x) {
      EXPECT_EQ(bytes[row * 12 + 3 * x], 3);  // blue first
      EXPECT_EQ(bytes[row * 12 + 3 * x + 1], 2);
      EXPECT_EQ(bytes[row * 12 + 3 * x + 2], 1);
    }
  }
  DeleteObject(picture);
}

}  // namespace
}  // namespace vellaro::wine
