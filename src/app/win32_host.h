// The Host of the Win32 player: message boxes, the system clock and Beep.
#pragma once

#include <windows.h>

#include "script/host.h"

namespace vellaro {

// Also the message sink of the sound engine and the MIDI devices, through Host.
class Win32Host final : public Host {
 public:
  // The window that owns the boxes: the main window once it exists.
  void setBoxOwner(HWND window) { boxOwner_ = window; }
  void showMessage(const std::string& text) override;
  bool askOkCancel(const std::string& text, const std::string& caption) override;
  void beep(unsigned frequency, unsigned durationMs) override;
  uint32_t clockMs() override;
  uint32_t tickCount() override;
  bool replaceFile(const std::string& from, const std::string& to) override;
  LocalTime localTime() override;

 private:
  HWND ownerForBox() const;

  HWND boxOwner_ = nullptr;
};

}  // namespace vellaro
