// Pictures the widgets make from their library images, and the placing of their windows.
#pragma once

#include <windows.h>

#include "base/types.h"

namespace vellaro {

// Magenta: the see-through colour of every widget picture.
constexpr Rgb kSeeThrough{255, 0, 255};

SIZE sizeOf(HBITMAP bitmap);
// Shapes the window by its frame 0 with magenta cut out, places it in its parent and shows it.
void placeAndShow(HWND window, int x, int y);
// The left piece, the middle piece repeated over middleWidth, the right piece; the rest magenta.
HBITMAP tiledPicture(HBITMAP left, HBITMAP middle, HBITMAP right, int middleWidth);
// The piece repeated over width x height from the top-left corner.
HBITMAP tiledArea(HBITMAP piece, int width, int height);

}  // namespace vellaro
