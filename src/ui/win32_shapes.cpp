#include "ui/win32_shapes.h"

#include "image/transparent_runs.h"
#include "script/host.h"
#include "ui/win32_animation_window.h"
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

int shapeByColour(Host& host, HWND window, Rgb colour, int frameIndex) {
  ScreenObject* object = objectOf(window);
  if (object && object->frameList) {
    HBITMAP frame = frameOf(object, frameIndex);
    if (!frame) return 0;
    if (HRGN region = regionFromColour(frame, colour)) SetWindowRgn(window, region, TRUE);
    return 1;
  }
  HBITMAP bitmap = object ? object->surfaceBitmap : nullptr;
  if (!bitmap) {
    host.showMessage("Window contains no bitmap");
    return 0;
  }
  if (HRGN region = regionFromColour(bitmap, colour)) {
    SetWindowRgn(window, region, TRUE);  // the system owns the region from here on
  }
  return 1;
}

}  // namespace vellaro
