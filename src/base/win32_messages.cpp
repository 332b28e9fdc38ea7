#include "base/win32_messages.h"

namespace vellaro {

void dispatchMessage(const MSG& message) {
  TranslateMessage(&message);
  DispatchMessageA(&message);
}

UINT pumpPending(HWND window) {
  MSG message;
  while (PeekMessageA(&message, window, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) return WM_QUIT;
    dispatchMessage(message);
  }
  return 0;
}

}  // namespace vellaro
