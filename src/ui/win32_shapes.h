// Transparent-colour window shapes: a region that leaves out every pixel of one colour.
#pragma once

#include <windows.h>

#include "script/screen.h"

namespace vellaro {

class MessageSink;

// The bitmap's rectangle minus every pixel of the colour, in the bitmap's coordinates; null when
// the bitmap has no pixel memory or is not 24 bits per pixel (the scan reads three bytes a pixel).
// The caller owns the region.
HRGN regionFromColour(HBITMAP bitmap, Rgb colour);

// Applies that region to the window. Shows "Window contains no bitmap" and returns 0 when there is
// no bitmap; 1 otherwise. frameIndex is not read yet: every window has one picture until windows
// with several frames come, and the region always comes from that picture.
int shapeWindowByColour(MessageSink& messages, HWND window, Rgb colour, int frameIndex);

}  // namespace vellaro
