#include "ui/win32_shapes.h"

#include "base/message_sink.h"
#include "image/transparent_runs.h"
#include "ui/win32_gdi.h"
#include "ui/win32_screen_object.h"

namespace vellaro {

HRGN regionFromColour(HBITMAP bitmap, Rgb colour) {
  BITMAP info{};
  if (!bitmap || !GetObjectA(bitmap, sizeof info, &info) || !info.bmBits || info.bmBitsPixel != 24) return nullptr;
  HRGN region = CreateRectRgn(0, 0, info.bmWidth, info.bmHeight);
  for (const PixelRun& run : transparentRuns(static_cast<const uint8_t*>(info.bmBits), info.bmWidth, info.bmHeight,
                                             info.bmWidthBytes, colour)) {
    GdiObject<HRGN> piece(CreateRectRgn(run.x, run.y, run.xEnd, run.y + 1));
    CombineRgn(region, region, piece.get(), RGN_DIFF);
  }
  return region;
}

int shapeWindowByColour(MessageSink& messages, HWND window, Rgb colour, int frameIndex) {
  (void)frameIndex;  // not read yet: see the header
  ScreenObject* object = objectOf(window);
  HBITMAP bitmap = object ? object->surfaceBitmap : nullptr;
  if (!bitmap) {
    messages.showMessage("Window contains no bitmap");
    return 0;
  }
  GdiObject<HRGN> region(regionFromColour(bitmap, colour));
  // The system owns the region once SetWindowRgn has taken it; a refused region stays ours.
  if (region.get() && SetWindowRgn(window, region.get(), TRUE)) region.release();
  return 1;
}

}  // namespace vellaro
