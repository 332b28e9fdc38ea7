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

// Applies that region to the window. A window with a frame list (animation and button windows) is
// shaped by the frame at the index (its low 8 bits): 0, silently, when there is no such frame.
// Otherwise the window's own bitmap: "Window contains no bitmap" and 0 when it has none; else 1.
int shapeWindowByColour(MessageSink& messages, HWND window, Rgb colour, int frameIndex);

}  // namespace vellaro
