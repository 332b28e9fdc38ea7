#include "ui/win32_interpreter_hook.h"

#include "script/debug_menu.h"
#include "script/host.h"
#include "script/interpreter.h"
#include "script/live_input.h"
#include "script/object_kinds.h"
#include "script/text.h"
#include "ui/win32_screen_object.h"
#include "ui/win32_waits.h"

namespace vellaro {
namespace {

// The hook is a plain function pointer in every window's record, so the run it serves is here.
Interpreter* g_interpreter = nullptr;
HWND g_mainWindow = nullptr;

constexpr WPARAM kCtrlNKey = 'N';
constexpr WPARAM kCtrlRKey = 'R';
constexpr LPARAM kKeyWasDown = 1 << 30;  // bit 30 of a key message: an auto-repeated press

// Replaces the main window's menu bar by a new one (or by none) and destroys the old one.
void replaceMenu(HMENU menu) {
  HMENU old = GetMenu(g_mainWindow);
  SetMenu(g_mainWindow, menu);
  if (old) DestroyMenu(old);
}

void toggleDebugMenu(Interpreter& in) { replaceMenu(GetMenu(g_mainWindow) ? nullptr : buildDebugMenu(in)); }

// Minimized so that restoring the window maximizes it.
void minimizeMainWindow() {
  WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  GetWindowPlacement(g_mainWindow, &placement);
  placement.flags |= WPF_RESTORETOMAXIMIZED;
  placement.showCmd = SW_MINIMIZE;
  SetWindowPlacement(g_mainWindow, &placement);
}

void onClose(Interpreter& in) {
  in.quitRequested = true;
  wakeWaiter(g_mainWindow);
}

int onCommand(Interpreter& in, WPARAM wParam) {
  if (HIWORD(wParam) != 0) return 1;  // a notification, such as an object's click notice
  switch (runDebugMenuCommand(in, LOWORD(wParam))) {
    case MenuEffect::Minimize:
      minimizeMainWindow();
      break;
    case MenuEffect::WakeWaiter:
      wakeWaiter(g_mainWindow);
      break;
    case MenuEffect::None:
      break;
  }
  replaceMenu(buildDebugMenu(in));  // after every command, so the lists are current
  return 1;
}

// The window got the message, so it is shown and carries this hook; clickEffect decides the rest.
bool isClickable(const ScreenObject* object) {
  ClickTarget target{object->kind, object->flags, object->name[0] != '\0', true, false, true};
  return clickEffect(target) == ClickEffect::Reported;
}

// A click on a named object reports its name and wakes the command waiting on the parent.
int onLeftButtonDown(Interpreter& in, HWND window) {
  ScreenObject* object = objectOf(window);
  if (!object || !isClickable(object)) return 1;
  copyText(in.objects.clickedObjectName, sizeof in.objects.clickedObjectName, object->name);
  HWND parent = GetParent(window);
  if (parent) {
    wakeWaiter(parent);
  } else {
    in.host.beep(200, 10);
  }
  return 0;  // the drag handling has already seen the click; the default procedure must not
}

void onKey(Interpreter& in, UINT message, WPARAM wParam, LPARAM lParam) {
  bool down = message == WM_KEYDOWN;
  bool repeat = (lParam & kKeyWasDown) != 0;
  // GetKeyState's sign bit: the key was down when this message was posted.
  bool control = GetKeyState(VK_CONTROL) < 0;
  if (down && wParam == kCtrlNKey && control) toggleDebugMenu(in);
  // Ctrl+R is the menu's Reload lesson, and only while the menu is shown: a learner (who never
  // opens the menu) keeps R as a piano key, with or without Ctrl. The press that reloads sounds
  // no note; its release stops nothing that sounds.
  if (down && wParam == kCtrlRKey && control && GetMenu(g_mainWindow)) {
    if (!repeat) onCommand(in, kMenuReload);
    return;
  }
  playKey(in, KeyEvent{static_cast<unsigned>(wParam), down, repeat});
}

}  // namespace

int interpreterHook(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Interpreter* in = g_interpreter;
  if (!in) return 1;
  switch (message) {
    case WM_CLOSE:
      onClose(*in);
      return 1;  // the default processing closes the window
    case WM_COMMAND:
      return onCommand(*in, wParam);
    case WM_LBUTTONDOWN:
      return onLeftButtonDown(*in, window);
    case WM_KEYDOWN:
    case WM_KEYUP:
      onKey(*in, message, wParam, lParam);
      return 1;
    default:
      return 1;
  }
}

void attachInterpreterHook(Interpreter& in, HWND mainWindow) {
  g_interpreter = &in;
  g_mainWindow = mainWindow;
  setObjectHook(mainWindow, interpreterHook);
}

void detachInterpreterHook(HWND mainWindow) {
  setObjectHook(mainWindow, nullptr);
  g_interpreter = nullptr;
}

}  // namespace vellaro
