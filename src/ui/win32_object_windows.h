// The window classes of the program, the functions that create the main, picture and text
// windows, background tiling into back buffers, and commonWindowProc shared by every class.
#pragma once

#include <windows.h>

namespace vellaro {

class MessageSink;

// Registers a class of the program (style 0x4028, commonWindowProc, room for the record), with
// the arrow cursor or none. Registering an existing class again changes nothing.
void registerObjectClass(const char* name, bool arrowCursor);

// The full-screen main window (hidden): screen-sized back buffer, background tiled into it; a
// 2 x 2 white tile when no background is given.
HWND createMainWindow(HBITMAP background);
// A hidden child window of the picture's size that takes ownership of the picture.
HWND createPictureWindow(HWND parent, HBITMAP picture);
// A hidden 600 x 500 window with a screen-sized back buffer; WS_POPUP when style is 0.
HWND createTextWindow(MessageSink& messages, HWND parent, HBITMAP background, DWORD style);
// A hidden, see-through window at (x, y) of the given size that paints nothing and only collects
// the mouse for its owner (the widget library); WS_CHILD of parent, or WS_POPUP without one.
HWND createLabelPadWindow(HWND parent, int x, int y, int width, int height);

// Tiles the window's background (or its parent's back buffer, for OF_SEE_THROUGH) over the whole
// screen-sized surface, or over one rectangle of it with the tile grid anchored at (0, 0).
void fillBackground(HWND window);
void fillBackgroundRect(HWND window, int x, int y, int width, int height);

LRESULT CALLBACK commonWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace vellaro
