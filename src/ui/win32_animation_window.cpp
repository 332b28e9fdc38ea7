#include "ui/win32_animation_window.h"

#include "base/messages.h"

#include <mmsystem.h>

#include "base/message_sink.h"
#include "base/win32_gdi.h"
#include "ui/win32_object_windows.h"
#include "ui/win32_screen_object.h"
#include "ui/win32_shapes.h"

namespace vellaro {
namespace {

const char kAnimationClass[] = "ZELTAnima_Zelt_Win_Class";
constexpr Rgb kSeeThrough{255, 0, 255};

SIZE bitmapSize(HBITMAP bitmap) {
  BITMAP info{};
  if (!bitmap || !GetObjectA(bitmap, sizeof info, &info)) return SIZE{0, 0};
  return SIZE{info.bmWidth, info.bmHeight};
}

HWND createFrameWindow(HWND parent, HBITMAP* frames, ObjectKind kind) {
  if (!frames || !frames[0]) return nullptr;  // frame 0 must exist
  SIZE size = bitmapSize(frames[0]);
  registerObjectClass(kAnimationClass, true);
  HWND window = CreateWindowExA(0, kAnimationClass, programTitle(), WS_CHILD | WS_CLIPSIBLINGS, 0, 0, size.cx,
                                size.cy, parent, nullptr, windowingInstance(), nullptr);
  if (!window) return nullptr;
  ScopedGetDC windowDC(window);
  ScreenObject* object = attachObject(window);
  object->kind = kind;
  object->frameList = frames;
  object->surfaceBitmap = frames[0];
  // The memory DC lives as long as the window; freeing the record deletes it.
  object->surfaceDC = createMemoryDC(windowDC, &object->surfaceDCInitialBitmap);
  return window;
}

// The timer thread only posts: the frame fields belong to the user-interface thread, and a
// posted message never blocks the timer while the interpreter runs without dispatching.
void CALLBACK timerTick(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
  PostMessageA(reinterpret_cast<HWND>(user), kAnimationTickMessage, 0, 0);
}

// Shows the frame and cuts its magenta out of the window's shape.
void showButtonFrame(ScreenObject* object, HBITMAP frame) {
  object->surfaceBitmap = frame;
  if (HRGN region = regionFromColour(frame, kSeeThrough)) SetWindowRgn(object->window, region, TRUE);
  InvalidateRect(object->window, nullptr, TRUE);
  UpdateWindow(object->window);
}

}  // namespace

HWND createAnimationWindow(HWND parent, HBITMAP* frames) { return createFrameWindow(parent, frames, KIND_ANIMATION); }
HWND createButtonWindow(HWND parent, HBITMAP* frames) { return createFrameWindow(parent, frames, KIND_BUTTON); }

HBITMAP frameOf(const ScreenObject* object, int index) {
  if (!object || !object->frameList) return nullptr;
  const HBITMAP* frames = static_cast<const HBITMAP*>(object->frameList);
  int wanted = index & 0xFF;
  for (int i = 0; i < wanted; ++i) {
    if (!frames[i]) return nullptr;  // the list ends before the index
  }
  return frames[wanted];
}

void animate(MessageSink& host, HWND window, int on) {
  ScreenObject* object = objectOf(window);
  if (!object) return;
  if (on == 1 && object->timer == 0) {
    object->timer = timeSetEvent(kAnimationPeriodMs, 0, timerTick, reinterpret_cast<DWORD_PTR>(window), TIME_PERIODIC);
    if (object->timer == 0) host.showMessage(kAnimationTimerFailed);
    object->currentFrame = 0;
  } else if (on == 0 && object->timer != 0) {
    stopAnimationTimer(object);
    object->currentFrame = 0;
  }
}

void stopAnimationTimer(ScreenObject* object) {
  if (object->timer == 0) return;
  timeKillEvent(object->timer);
  object->timer = 0;
}

void showFrame(HWND window, int index) {
  ScreenObject* object = objectOf(window);
  HBITMAP frame = frameOf(object, index);
  if (!frame) return;
  object->currentFrame = static_cast<uint8_t>(index);
  object->surfaceBitmap = frame;
  InvalidateRgn(window, nullptr, TRUE);
}

uint8_t currentFrame(HWND window) {
  ScreenObject* object = objectOf(window);
  return object ? object->currentFrame : 0;
}

uint32_t animationTimer(HWND window) {
  ScreenObject* object = objectOf(window);
  return object ? object->timer : 0;
}

void onButtonMouse(ScreenObject* object, UINT message) {
  bool toggle = (object->flags & OF_TOGGLE) != 0;
  if (message == WM_LBUTTONDOWN) {
    object->currentFrame = toggle ? static_cast<uint8_t>(object->currentFrame ^ 1) : 1;
    if (HBITMAP frame = frameOf(object, object->currentFrame)) showButtonFrame(object, frame);
    SetCapture(object->window);
  } else if (message == WM_LBUTTONUP) {
    if (!toggle) object->currentFrame = 0;
    if (HBITMAP frame = frameOf(object, object->currentFrame)) showButtonFrame(object, frame);
    ReleaseCapture();
  }
}

void onAnimationTick(ScreenObject* object) {
  if (object->timer == 0) return;  // a tick that was on its way when the timer stopped
  // Ticks that piled up while nobody dispatched are one step, not a burst.
  MSG late;
  while (PeekMessageA(&late, object->window, kAnimationTickMessage, kAnimationTickMessage, PM_REMOVE)) {
  }
  object->surfaceBitmap = frameOf(object, object->currentFrame);
  object->currentFrame = static_cast<uint8_t>(object->currentFrame + 1);
  if (!frameOf(object, object->currentFrame)) object->currentFrame = 0;
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  // A window without a shape is redrawn whole, so that an unshaped animation moves too.
  bool shaped = GetWindowRgn(object->window, region) != ERROR;
  InvalidateRgn(object->window, shaped ? region : nullptr, FALSE);
  DeleteObject(region);
  UpdateWindow(object->window);
}

}  // namespace vellaro
