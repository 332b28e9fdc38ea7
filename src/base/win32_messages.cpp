#include "base/win32_messages.h"

namespace vellaro {

// Taken and dispatched as wide messages: a Unicode window (a text field) gets a typed character of
// any script whole, and the system hands the others their characters in the ANSI code page.
void dispatchMessage(const MSG& message) {
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

UINT pumpPending(HWND window) {
  MSG message;
  while (PeekMessageW(&message, window, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) return WM_QUIT;
    dispatchMessage(message);
  }
  return 0;
}

}  // namespace vellaro
