#include "widgets/win32_widget_pictures.h"

#include <algorithm>

#include "base/win32_gdi.h"
#include "image/win32_picture_loader.h"
#include "ui/win32_animation_window.h"
#include "ui/win32_screen_object.h"
#include "ui/win32_shapes.h"

namespace vellaro {


SIZE sizeOf(HBITMAP bitmap) {
  BITMAP info{};
  if (!bitmap || !GetObjectA(bitmap, sizeof info, &info)) return SIZE{0, 0};
  return SIZE{info.bmWidth, info.bmHeight};
}

// Shapes the window by its frame 0, places it in its parent and shows it.
void placeAndShow(HWND window, int x, int y) {
  if (!window) return;
  ScreenObject* object = objectOf(window);
  if (HRGN region = regionFromColour(frameOf(object, 0), kSeeThrough)) SetWindowRgn(window, region, FALSE);
  SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOZORDER | SWP_NOSIZE | SWP_NOACTIVATE);
  ShowWindow(window, SW_SHOWNA);
}

// A picture of the given width: the left piece, the middle piece repeated, the right piece; the
// rest magenta. Any piece may be missing.
HBITMAP tiledPicture(HBITMAP left, HBITMAP middle, HBITMAP right, int middleWidth) {
  SIZE ls = sizeOf(left), ms = sizeOf(middle), rs = sizeOf(right);
  struct { int cx, cy; } l{static_cast<int>(ls.cx), static_cast<int>(ls.cy)}, m{static_cast<int>(ms.cx), static_cast<int>(ms.cy)},
      r{static_cast<int>(rs.cx), static_cast<int>(rs.cy)};
  int height = std::max({l.cy, m.cy, r.cy, 1});
  HBITMAP picture = createSolidPicture(l.cx + std::max(middleWidth, 0) + r.cx, height, kSeeThrough);
  {
    ScopedMemoryDC target(picture);
    ScopedMemoryDC source;
    auto copy = [&](HBITMAP piece, int x, int width) {
      ScopedSelectObject from(source, piece);
      BitBlt(target, x, 0, width, static_cast<int>(sizeOf(piece).cy), source, 0, 0, SRCCOPY);
    };
    if (left) copy(left, 0, l.cx);
    for (int x = 0; middle && m.cx > 0 && x < middleWidth; x += m.cx) copy(middle, l.cx + x, std::min(m.cx, middleWidth - x));
    if (right) copy(right, l.cx + middleWidth, r.cx);
  }
  return picture;
}

HBITMAP tiledArea(HBITMAP piece, int width, int height) {
  SIZE size = sizeOf(piece);
  HBITMAP picture = createSolidPicture(std::max(width, 1), std::max(height, 1), kSeeThrough);
  if (size.cx <= 0 || size.cy <= 0) return picture;
  {
    ScopedMemoryDC target(picture);
    ScopedMemoryDC source(piece);
    for (int y = 0; y < height; y += size.cy) {
      for (int x = 0; x < width; x += size.cx) BitBlt(target, x, y, size.cx, size.cy, source, 0, 0, SRCCOPY);
    }
  }
  return picture;
}

}  // namespace vellaro
