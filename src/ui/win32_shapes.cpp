#include "ui/win32_shapes.h"

#include "image/transparent_runs.h"
#include "base/message_sink.h"
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
  if (HRGN region = regionFromColour(bitmap, colour)) {
    SetWindowRgn(window, region, TRUE);  // the system owns the region from here on
  }
  return 1;
}

}  // namespace vellaro
