// The CommandServices of the Win32 player: the waits on the main window, the Screen, the shell and
// the display mode, and the interpreter's hook on the windows of a run.
#pragma once

#include <windows.h>

#include "script/services.h"
#include "ui/win32_display_mode.h"
#include "ui/win32_screen.h"

namespace vellaro {

class Host;

class PlayerServices : public CommandServices {
 public:
  // host gives the clock of the timed waits.
  PlayerServices(Host& host, HWND mainWindow);

  void runStarted(Interpreter& in) override;
  void runStopped(Interpreter& in) override;

  void pumpPending() override;
  void pumpFor(uint32_t durationMs) override;
  void waitForWake() override;
  void waitForWakeOrTimeout(uint32_t durationMs) override;
  bool pumpWhileRunning() override;

  bool openWithShell(const char* target) override;
  bool switchDisplayMode(int width, int bits, int frequency) override;

  HWND mainWindow() const { return mainWindow_; }
  Win32Screen& win32Screen() { return screen_; }

 private:
  // False (and the run asked to stop) once the main window is gone or a quit was asked for.
  bool mayWait();

  Host& host_;
  HWND mainWindow_;
  Win32Screen screen_;
  DisplayModeSwitch displayMode_;
  Interpreter* running_ = nullptr;
};

}  // namespace vellaro
