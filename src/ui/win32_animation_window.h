// Animation and button windows: a child window that shows one frame of a caller's frame list,
// steps through the frames on a 100 ms timer, or (button kind) shows frame 1 while pressed and
// frame 0 otherwise. Only the widget library makes them.
//
// The frame list is the caller's null-ended array of bitmaps; the window keeps a pointer to it and
// never deletes a frame: the caller owns every frame and the array, and frees them after the
// window is destroyed.
#pragma once

#include <windows.h>

#include <cstdint>

namespace vellaro {

class MessageSink;
struct ScreenObject;

// Posted by the timer thread; the frame is advanced on the user-interface thread when it arrives.
constexpr UINT kAnimationTickMessage = WM_APP + 0x51;
constexpr int kAnimationPeriodMs = 100;

// Hidden child windows of the first frame's size at (0, 0): kind 7 (animation) or 8 (button).
HWND createAnimationWindow(HWND parent, HBITMAP* frames);
HWND createButtonWindow(HWND parent, HBITMAP* frames);

// on = 1 starts the timer when none runs ("Animation Window: Cannot Init Timer" when it cannot);
// on = 0 stops a running one. Both set the current frame to 0.
void animate(MessageSink& host, HWND window, int on);
void stopAnimationTimer(ScreenObject* object);
// Shows the frame at the index when the list has one there.
void showFrame(HWND window, int index);
uint8_t currentFrame(HWND window);
uint32_t animationTimer(HWND window);

// The frame at the index (its low 8 bits) of the window's frame list; null past the list's end.
HBITMAP frameOf(const ScreenObject* object, int index);

// For commonWindowProc: the button's press and release, and the timer's tick.
void onButtonMouse(ScreenObject* object, UINT message);
void onAnimationTick(ScreenObject* object);

}  // namespace vellaro
