// The window of a rhythm diagram: a hidden child window whose drawing surface is a 24-bit DIB
// section, so that rdiagram can draw into it with GDI, the common window procedure can paint it and
// shapeByColour can read its pixels.
#pragma once

#include <windows.h>

namespace vellaro {

// A hidden diagram window (kind 3) on parent at (10, 10), width x height, whose surface starts
// white. The caller draws through objectSurfaceDC, then places, registers, shapes and shows it.
// Null when the window or its surface cannot be made.
HWND createDiagramWindow(HWND parent, int width, int height);

}  // namespace vellaro
