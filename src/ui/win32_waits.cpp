#include "ui/win32_waits.h"

#include <algorithm>

#include "script/host.h"
#include "ui/win32_screen_object.h"

namespace vellaro {
namespace {

constexpr int kWakePostAttempts = 1000;

WaitSource* g_source = nullptr;

// Time left until durationMs after start; 0 once it has passed. Unsigned differences stay right
// when the clock wraps at 2^32 during the wait.
uint32_t remainingMs(Host& clock, uint32_t start, uint32_t durationMs) {
  uint32_t elapsed = clock.clockMs() - start;
  return elapsed >= durationMs ? 0 : durationMs - elapsed;
}

// Sleeps until a new message arrives for this thread, the wait source's handle is signalled or its
// moment comes, or timeoutMs pass (INFINITE for no limit). Only messages that came after the last
// PeekMessage wake it, so queued messages that the caller leaves alone (thread messages during
// pumpFor) do not make it spin.
void blockUntilMessageOr(DWORD timeoutMs) {
  WaitSource* source = g_source;
  HANDLE handle = source ? source->handle() : nullptr;
  DWORD timeout = source ? std::min(timeoutMs, source->msUntilDue()) : timeoutMs;
  MsgWaitForMultipleObjects(handle ? 1 : 0, &handle, FALSE, timeout, QS_ALLINPUT);
  if (source) source->service();
}

}  // namespace

UINT pumpAllButMouse() {
  // Two ranges around the mouse messages; WM_QUIT lies in the first.
  static const UINT kRanges[2][2] = {{0, WM_MOUSEFIRST - 1}, {WM_MOUSELAST + 1, 0xFFFFFFFF}};
  MSG message;
  for (const auto& range : kRanges) {
    while (PeekMessageW(&message, nullptr, range[0], range[1], PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        PostThreadMessageA(GetCurrentThreadId(), WM_QUIT, 0, 0);
        return WM_QUIT;
      }
      dispatchMessage(message);
    }
  }
  return 0;
}

void setWaitSource(WaitSource* source) { g_source = source; }

void serviceWaitSource() {
  if (g_source) g_source->service();
}

// Blocks where GetMessage would, but also on the wait source; WM_QUIT ends it as GetMessage's 0 would.
void waitForWake(HWND window) {
  ScreenObject* object = objectOf(window);
  if (!object) return;
  object->wakeFlag = 0;
  MSG message;
  for (;;) {
    if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      blockUntilMessageOr(INFINITE);
      continue;
    }
    if (message.message == WM_QUIT) return;
    // The window may have been destroyed by the message before; read the flag through it again.
    object = objectOf(window);
    if (!object || object->wakeFlag) return;
    dispatchMessage(message);
    object = objectOf(window);
    if (!object) return;
  }
}

void waitForWakeOrTimeout(HWND window, uint32_t durationMs, Host& clock) {
  ScreenObject* object = objectOf(window);
  if (!object) return;
  uint32_t start = clock.clockMs();
  object->wakeFlag = 0;
  for (;;) {
    MSG message;
    bool taken = PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE) != 0;
    uint32_t remaining = remainingMs(clock, start, durationMs);
    if (remaining == 0) return;  // a message taken by this poll is dropped
    if (!taken) {
      blockUntilMessageOr(remaining);
      continue;
    }
    if (message.message == WM_CLOSE) return;
    if (message.message == WM_QUIT) {
      PostThreadMessageA(GetCurrentThreadId(), WM_QUIT, 0, 0);  // so that the program still quits
      return;
    }
    object = objectOf(window);
    if (!object || object->wakeFlag) return;
    dispatchMessage(message);
    if (!objectOf(window)) return;
  }
}

void pumpFor(HWND window, uint32_t durationMs, Host& clock) {
  ScreenObject* object = objectOf(window);
  if (!object) return;
  uint32_t start = clock.clockMs();
  object->wakeFlag = 0;
  for (;;) {
    pumpPending(window);
    object = objectOf(window);  // gone when a dispatched message destroyed the window
    if (!object || object->wakeFlag) return;
    uint32_t remaining = remainingMs(clock, start, durationMs);
    if (remaining == 0) return;
    blockUntilMessageOr(remaining);
  }
}

void wakeWaiter(HWND window) {
  ScreenObject* object = objectOf(window);
  if (!object) return;
  object->wakeFlag = 1;
  // A full queue can only drain on this very thread, so retrying forever would hang; the flag is
  // set anyway and the wait sees it after the next message it takes.
  for (int attempt = 0; attempt < kWakePostAttempts; ++attempt) {
    if (PostThreadMessageA(GetCurrentThreadId(), WM_TIMER, 0, 0)) return;
  }
}

}  // namespace vellaro
