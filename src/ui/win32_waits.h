// The waits of the user-interface thread. They dispatch window messages, so window procedures and
// hooks run only inside them. The timed waits block until a message arrives or the time is up,
// so a long pause costs almost no processor time.
#pragma once

#include <windows.h>

#include <cstdint>

#include "base/win32_messages.h"  // pumpPending, which the picture loader takes from there

namespace vellaro {

class Host;

// Something the waits watch beside the message queue (a watched lesson folder): a handle they also
// block on, and a moment by which service() must run even if nothing arrives. service() runs
// after every blocking of a wait; it may call wakeWaiter to end the wait.
class WaitSource {
 public:
  virtual ~WaitSource() = default;
  virtual HANDLE handle() = 0;
  // Milliseconds until service() is due; INFINITE when nothing is.
  virtual DWORD msUntilDue() = 0;
  virtual void service() = 0;
};

// The one source the waits watch, or none (nullptr, the default).
void setWaitSource(WaitSource* source);
// Lets the source look at once, without blocking: for the loops that pump without waiting.
void serviceWaitSource();

// Dispatches the thread's pending messages except mouse messages, which stay queued in their order.
// Returns WM_QUIT when it took one (not dispatched, posted again so that the program still quits).
UINT pumpAllButMouse();
// Until the window's wake flag is set or WM_QUIT arrives; the message that ends it is dropped.
void waitForWake(HWND window);
// Like waitForWake, also ending when durationMs have passed by the clock or a WM_CLOSE arrives
// (not dispatched, so the window stays); a WM_QUIT taken here is posted again.
void waitForWakeOrTimeout(HWND window, uint32_t durationMs, Host& clock);
// Dispatches the window's messages until its wake flag is set or durationMs have passed.
void pumpFor(HWND window, uint32_t durationMs, Host& clock);
// Sets the window's wake flag and posts the wake message (WM_TIMER, no window) to this thread.
void wakeWaiter(HWND window);

}  // namespace vellaro
