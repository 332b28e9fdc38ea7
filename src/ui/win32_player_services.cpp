#include "ui/win32_player_services.h"

#include "ui/win32_waits.h"

namespace vellaro {

PlayerServices::PlayerServices(Host& host, HWND mainWindow)
    : host_(host), mainWindow_(mainWindow), screen_(host, mainWindow) {
  screen = &screen_;
}

void PlayerServices::pumpPending() { vellaro::pumpPending(nullptr); }

void PlayerServices::pumpFor(uint32_t durationMs) { vellaro::pumpFor(mainWindow_, durationMs, host_); }

void PlayerServices::waitForWake() { vellaro::waitForWake(mainWindow_); }

void PlayerServices::waitForWakeOrTimeout(uint32_t durationMs) {
  vellaro::waitForWakeOrTimeout(mainWindow_, durationMs, host_);
}

bool PlayerServices::pumpWhileRunning() {
  if (pumpAllButMouse() == WM_QUIT) return false;
  // Closing the main window destroys it (the default processing of WM_CLOSE): the run ends.
  return IsWindow(mainWindow_) != FALSE;
}

}  // namespace vellaro
