// The window classes of the program, the functions that create the main, picture and text
// windows, background tiling into back buffers, and commonWindowProc shared by every class.
#pragma once

#include <windows.h>

namespace vellaro {

class MessageSink;

// The full-screen main window (hidden): screen-sized back buffer, background tiled into it; a
// 2 x 2 white tile when no background is given.
HWND createMainWindow(HBITMAP background);
// A hidden child window of the picture's size that takes ownership of the picture.
HWND createPictureWindow(HWND parent, HBITMAP picture);
// A hidden 600 x 500 window with a screen-sized back buffer; WS_POPUP when style is 0.
HWND createTextWindow(MessageSink& messages, HWND parent, HBITMAP background, DWORD style);

// Tiles the window's background (or its parent's back buffer, for OF_SEE_THROUGH) over the whole
// screen-sized surface, or over one rectangle of it with the tile grid anchored at (0, 0).
void fillBackground(HWND window);
void fillBackgroundRect(HWND window, int x, int y, int width, int height);

LRESULT CALLBACK commonWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace vellaro
