// Dispatching the user-interface thread's pending messages: the one pump that the pictures, the
// windows and their waits share.
#pragma once

#include <windows.h>

namespace vellaro {

// Translates and dispatches one message taken from the queue.
void dispatchMessage(const MSG& message);

// Dispatches every pending message of the window and its children (all of the thread's messages
// for a null window). Returns WM_QUIT when it took one (not dispatched, not posted again).
UINT pumpPending(HWND window);

}  // namespace vellaro
