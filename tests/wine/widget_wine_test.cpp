// Animation windows and the widgets in this test program's own process, on the real screen: a
// button pressed and released with the mouse, a check button, a spin field's up button, and an
// animation stepping through its frames. The widgets' pictures come from the controls.sli built
// next to this program.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "harness.h"
#include "recording_host.h"
#include "image/win32_picture_loader.h"
#include "picture_support.h"
#include "script/host.h"
#include "ui/win32_animation_window.h"
#include "ui/win32_object_windows.h"
#include "ui/win32_screen_object.h"
#include "widgets/widget_layout.h"
#include "widgets/win32_widgets.h"

namespace vellaro::wine {
namespace {

using ProductRgb = ::vellaro::Rgb;

std::vector<WPARAM> g_commands;  // wParam of every WM_COMMAND the main window received

int commandHook(HWND, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_COMMAND) g_commands.push_back(wParam);
  return 1;
}

bool commandArrived(WPARAM id) {
  for (WPARAM command : g_commands) {
    if (command == id) return true;
  }
  return false;
}

// Dispatches this thread's messages until the condition holds or the time is up.
template <typename Condition>
bool pumpUntil(Condition condition, DWORD timeoutMs = 3000) {
  DWORD start = GetTickCount();
  for (;;) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    if (condition()) return true;
    if (GetTickCount() - start >= timeoutMs) return false;
    Sleep(5);
  }
}

Rgb screenPixel(int x, int y) { return screenshot().pixel(x, y); }

constexpr Rgb kFace{200, 200, 200};     // ok1.bmp
constexpr Rgb kPressed{100, 100, 100};  // ok2.bmp

class WidgetWine : public ::testing::Test {
 protected:
  void SetUp() override {
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string dir(exe);
    dir.resize(dir.find_last_of('\\') + 1);
    ASSERT_TRUE(CopyFileA((dir + "controls.sli").c_str(), folder.pathOf("controls.sli").c_str(), FALSE));
    GetCurrentDirectoryA(MAX_PATH, previous_);
    SetCurrentDirectoryA(folder.path().c_str());
    initWindowing(GetModuleHandleA(nullptr), "Vellaro");
    mainWindow = createMainWindow(createSolidPicture(4, 4, ProductRgb{0, 0, 255}));
    setObjectHook(mainWindow, commandHook);
    ShowWindow(mainWindow, SW_SHOW);
    SetForegroundWindow(mainWindow);
    g_commands.clear();
    pumpUntil([] { return false; }, 100);
  }
  void TearDown() override {
    destroyObjectWindow(mainWindow);
    SetCurrentDirectoryA(previous_);
  }

  TestFolder folder;
  RecordingHost host;
  HWND mainWindow = nullptr;

 private:
  char previous_[MAX_PATH] = "";
};

// A label pad paints nothing: the main window's background shows through it once it is shown.
TEST_F(WidgetWine, ALabelPadIsASeeThroughChildThatPaintsNothing) {
  HWND pad = createLabelPadWindow(mainWindow, 200, 150, 80, 40);
  ASSERT_NE(pad, nullptr);
  char name[64] = "";
  GetClassNameA(pad, name, sizeof name);
  EXPECT_STREQ(name, "ZELTLabel_Win_Pad_Class");
  EXPECT_EQ(GetClassLongA(pad, GCL_STYLE), 0x4008);
  EXPECT_TRUE(GetWindowLongA(pad, GWL_EXSTYLE) & WS_EX_TRANSPARENT);
  EXPECT_TRUE(GetWindowLongA(pad, GWL_STYLE) & WS_CHILD);
  EXPECT_FALSE(IsWindowVisible(pad));
  ScreenObject* object = objectOf(pad);
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(object->kind, KIND_LABEL_PAD);
  ShowWindow(pad, SW_SHOW);
  EXPECT_TRUE(pumpUntil([] { return screenPixel(240, 170) == kBlue; }));
  destroyObjectWindow(pad);
}

TEST_F(WidgetWine, AButtonShowsItsDownFrameWhileHeldThenItsUpFrameAndPostsItsCommand) {
  ButtonWidget button(host, mainWindow, 100, 100, 4711);
  ASSERT_NE(button.window(), nullptr);
  EXPECT_EQ(host.messages, std::vector<std::string>{});
  EXPECT_TRUE(pumpUntil([] { return screenPixel(110, 104) == kFace; }));
  EXPECT_TRUE(pumpUntil([] { return screenPixel(100, 100) == kBlue; }));  // a cut-off corner
  POINT centre = windowCentre(button.window());
  mouseMove(centre.x + 10, centre.y);
  mouseDown(centre.x + 10, centre.y);
  EXPECT_TRUE(pumpUntil([&] { return button.state() == 1; }));
  EXPECT_TRUE(pumpUntil([] { return screenPixel(110, 104) == kPressed; }));
  EXPECT_FALSE(commandArrived(4711));  // only the release reports
  mouseUp(centre.x + 10, centre.y);
  EXPECT_TRUE(pumpUntil([&] { return button.state() == 0 && commandArrived(4711); }));
  EXPECT_TRUE(pumpUntil([] { return screenPixel(110, 104) == kFace; }));
}

TEST_F(WidgetWine, ACheckButtonFlipsOnEveryPressAndKeepsItOnRelease) {
  CheckWidget check(host, mainWindow, 50, 50, 12);
  ASSERT_NE(check.window(), nullptr);
  for (int expected : {1, 0, 1}) {
    SendMessageA(check.window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageA(check.window(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(check.state(), expected);
  }
  EXPECT_TRUE(pumpUntil([] { return g_commands.size() >= 3; }));
}

int g_spinValue = -1;

TEST_F(WidgetWine, ASpinFieldStepsWithinItsRangeAndReportsTheNewValue) {
  SpinWidget spin(host, mainWindow, 8, 10, 200, 200);
  ASSERT_NE(spin.upButton(), nullptr);
  spin.setCallback([](void*, HWND, int value) { g_spinValue = value; }, nullptr);
  EXPECT_EQ(spin.value(), 8);
  EXPECT_EQ(currentFrame(spin.digitWindow(0)), kSpinBlankDigit);
  EXPECT_EQ(currentFrame(spin.digitWindow(1)), 8);
  for (int expected : {9, 10, 10}) {
    SendMessageA(spin.upButton(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    SendMessageA(spin.upButton(), WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    EXPECT_EQ(spin.value(), expected);
  }
  EXPECT_EQ(g_spinValue, 10);
  EXPECT_EQ(currentFrame(spin.digitWindow(0)), 1);
  EXPECT_EQ(currentFrame(spin.digitWindow(1)), 0);
  EXPECT_FALSE(spin.setValue(11));
  EXPECT_EQ(host.messages, std::vector<std::string>{});
}

TEST_F(WidgetWine, AnAnimationCyclesItsFramesAtTenASecondUntilStopped) {
  HBITMAP frames[4] = {createSolidPicture(20, 20, ProductRgb{255, 0, 0}), createSolidPicture(20, 20, ProductRgb{0, 255, 0}),
                       createSolidPicture(20, 20, ProductRgb{255, 255, 0}), nullptr};
  HWND animation = createAnimationWindow(mainWindow, frames);
  ASSERT_EQ(objectKind(animation), KIND_ANIMATION);
  SetWindowPos(animation, nullptr, 300, 300, 0, 0, SWP_NOZORDER | SWP_NOSIZE);
  ShowWindow(animation, SW_SHOWNA);
  animate(host, animation, 1);
  EXPECT_NE(animationTimer(animation), 0u);
  std::vector<int> seen{currentFrame(animation)};
  std::vector<Rgb> colours;
  DWORD start = GetTickCount();
  pumpUntil([&] {
    if (currentFrame(animation) != seen.back()) seen.push_back(currentFrame(animation));
    Rgb colour = screenPixel(310, 310);
    if (colours.empty() || colours.back() != colour) colours.push_back(colour);
    return seen.size() >= 7;
  }, 5000);
  DWORD elapsed = GetTickCount() - start;
  ASSERT_GE(seen.size(), 7u);
  for (size_t i = 1; i < seen.size(); ++i) EXPECT_EQ(seen[i], (seen[i - 1] + 1) % 3) << "step " << i;
  EXPECT_GE(elapsed, 450u);  // six steps of 100 ms, with room for Wine's jitter
  EXPECT_GE(colours.size(), 3u);
  animate(host, animation, 0);
  EXPECT_EQ(animationTimer(animation), 0u);
  EXPECT_EQ(currentFrame(animation), 0);
  pumpUntil([] { return false; }, 300);
  EXPECT_EQ(currentFrame(animation), 0);  // no tick after the stop
  destroyObjectWindow(animation);
  for (HBITMAP frame : frames) {
    if (frame) {
      EXPECT_TRUE(DeleteObject(frame));  // the frames stayed the caller's
    }
  }
}

std::vector<int> g_selections;

TEST_F(WidgetWine, AListMovesItsSelectionWithKeysAndClicksAndReportsIt) {
  ListWidget list(host, mainWindow, 400, 100, 200, 100);  // five rows
  list.setCallbacks(nullptr, [](void*, HWND, int index) { g_selections.push_back(index); }, nullptr, nullptr,
                    [](void*, HWND, int row) { return row == 3 ? 0 : 1; });  // row 3 may not be chosen
  for (int i = 0; i < 30; ++i) EXPECT_EQ(list.add("item " + std::to_string(i), i), i);
  SendMessageA(list.window(), WM_KEYDOWN, VK_END, 0);
  EXPECT_EQ(list.model().selected(), 29);
  EXPECT_EQ(list.model().top(), 25);
  SendMessageA(list.window(), WM_KEYDOWN, VK_HOME, 0);
  SendMessageA(list.window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 3 * 20 + 5));  // refused
  SendMessageA(list.window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 2 * 20 + 5));
  EXPECT_EQ(g_selections, (std::vector<int>{29, 0, 2}));
  // The selected row is drawn dark red, the others black, on white.
  EXPECT_TRUE(pumpUntil([] {
    Screenshot shot = screenshot();
    bool red = false, black = false;
    for (int x = 416; x < 500; ++x) {
      red = red || shot.pixel(x, 100 + 2 * 20 + 10) == Rgb{153, 0, 0};
      black = black || shot.pixel(x, 100 + 10) == Rgb{0, 0, 0};
    }
    return red && black;
  }));
}

int g_frameState = -1;

TEST_F(WidgetWine, AFrameRollsUpFromItsCornerAndPassesCommandsOnToItsParent) {
  FrameWidget frame(host, mainWindow, 600, 300, 120, 80, "controls.sli", "frame");
  ASSERT_NE(frame.corner(), nullptr);
  frame.setCallback([](void*, HWND, int open) { g_frameState = open; }, nullptr);
  RECT inner;
  GetWindowRect(frame.inner(), &inner);
  EXPECT_EQ(inner.bottom - inner.top, 80);
  SendMessageA(frame.corner(), WM_LBUTTONDOWN, MK_LBUTTON, 0);
  SendMessageA(frame.corner(), WM_LBUTTONUP, 0, 0);
  EXPECT_FALSE(frame.isOpen());
  EXPECT_EQ(g_frameState, 0);
  GetWindowRect(frame.inner(), &inner);
  EXPECT_EQ(inner.bottom - inner.top, 18);
  ButtonWidget inside(host, frame.inner(), 5, 5, 99);
  SendMessageA(inside.window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 10));
  SendMessageA(inside.window(), WM_LBUTTONUP, 0, MAKELPARAM(20, 10));
  EXPECT_TRUE(pumpUntil([] { return commandArrived(99); }));
  EXPECT_EQ(host.messages, std::vector<std::string>{});
}

}  // namespace
}  // namespace vellaro::wine
