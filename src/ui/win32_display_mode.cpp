#include "ui/win32_display_mode.h"

namespace vellaro {
namespace {

constexpr WPARAM kDisplayChangeTag = 42;
// A top-level window whose thread does not answer must not hold up the lesson or its end.
constexpr UINT kBroadcastTimeoutMs = 2000;

void announceDisplayChange() {
  SendMessageTimeoutA(HWND_BROADCAST, WM_DISPLAYCHANGE, kDisplayChangeTag, 0, SMTO_ABORTIFHUNG, kBroadcastTimeoutMs,
                      nullptr);
}

bool matches(const DEVMODEA& mode, int width, int bits, int frequency) {
  return mode.dmPelsWidth == static_cast<DWORD>(width) && mode.dmBitsPerPel == static_cast<DWORD>(bits) &&
         mode.dmDisplayFrequency == static_cast<DWORD>(frequency);
}

}  // namespace

bool DisplayModeSwitch::switchTo(int width, int bits, int frequency) {
  saved_ = std::make_unique<DEVMODEA>();
  saved_->dmSize = sizeof(DEVMODEA);
  for (DWORD number = 0; EnumDisplaySettingsA(nullptr, number, saved_.get()); ++number) {
    if (!matches(*saved_, width, bits, frequency)) continue;
    ChangeDisplaySettingsA(saved_.get(), 0);  // dynamic, not written to the registry
    announceDisplayChange();
    return true;
  }
  return false;
}

void DisplayModeSwitch::restore() {
  if (!saved_) return;
  ChangeDisplaySettingsA(nullptr, 0);
  announceDisplayChange();
  saved_.reset();
}

}  // namespace vellaro
