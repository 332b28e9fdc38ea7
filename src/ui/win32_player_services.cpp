#include "ui/win32_player_services.h"

#include <shellapi.h>

#include "script/interpreter.h"
#include "ui/win32_interpreter_hook.h"
#include "ui/win32_waits.h"

namespace vellaro {

PlayerServices::PlayerServices(Host& host, HWND mainWindow)
    : host_(host), mainWindow_(mainWindow), screen_(host, mainWindow) {
  screen = &screen_;
}

void PlayerServices::runStarted(Interpreter& in) {
  running_ = &in;
  attachInterpreterHook(in, mainWindow_);
  screen_.interpreterHook = interpreterHook;
}

void PlayerServices::runStopped(Interpreter&) {
  detachInterpreterHook(mainWindow_);
  screen_.interpreterHook = nullptr;
  displayMode_.restore();
  running_ = nullptr;
}

// A wait on a main window that is gone would return at once, every time: a looping scenario would
// spin without a window. The run ends instead, as after a close.
bool PlayerServices::mayWait() {
  if (!running_) return objectOf(mainWindow_) != nullptr;
  if (!objectOf(mainWindow_)) running_->quitRequested = true;
  return !running_->quitRequested;
}

void PlayerServices::pumpPending() {
  vellaro::pumpPending(nullptr);
  serviceWaitSource();  // wait does not block, so the watched folder is looked at here
  mayWait();  // so that wait, which pumps until the sound ends, also ends with the window
}

void PlayerServices::pumpFor(uint32_t durationMs) {
  if (mayWait()) vellaro::pumpFor(mainWindow_, durationMs, host_);
  mayWait();
}

void PlayerServices::waitForWake() {
  if (mayWait()) vellaro::waitForWake(mainWindow_);
  mayWait();
}

void PlayerServices::waitForWakeOrTimeout(uint32_t durationMs) {
  if (mayWait()) vellaro::waitForWakeOrTimeout(mainWindow_, durationMs, host_);
  mayWait();
}

bool PlayerServices::openWithShell(const char* target) {
  SHELLEXECUTEINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.lpFile = target;  // no verb: the shell's default action
  info.nShow = SW_SHOWNORMAL;
  ShellExecuteExA(&info);
  // The started program runs on its own; its handle is not needed.
  if (info.hProcess) CloseHandle(info.hProcess);
  return reinterpret_cast<INT_PTR>(info.hInstApp) > 32;
}

bool PlayerServices::switchDisplayMode(int width, int bits, int frequency) {
  return displayMode_.switchTo(width, bits, frequency);
}

bool PlayerServices::pumpWhileRunning() {
  if (pumpAllButMouse() == WM_QUIT) return false;
  serviceWaitSource();
  return mayWait();  // false once the window was closed (the hook) or is gone
}

}  // namespace vellaro
