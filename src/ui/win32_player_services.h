// The CommandServices of the Win32 player: the waits on the main window and the Screen.
#pragma once

#include <windows.h>

#include "script/services.h"
#include "ui/win32_screen.h"

namespace vellaro {

class Host;

class PlayerServices : public CommandServices {
 public:
  // host gives the clock of the timed waits.
  PlayerServices(Host& host, HWND mainWindow);

  void pumpPending() override;
  void pumpFor(uint32_t durationMs) override;
  void waitForWake() override;
  void waitForWakeOrTimeout(uint32_t durationMs) override;
  bool pumpWhileRunning() override;

  HWND mainWindow() const { return mainWindow_; }
  Win32Screen& win32Screen() { return screen_; }

 private:
  Host& host_;
  HWND mainWindow_;
  Win32Screen screen_;
};

}  // namespace vellaro
