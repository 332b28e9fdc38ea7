#include "ui/win32_shapes.h"

#include "base/messages.h"

#include "base/message_sink.h"
#include "base/win32_gdi.h"
#include "image/transparent_runs.h"
#include "ui/win32_animation_window.h"
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

// The system owns the region once SetWindowRgn has taken it; a refused region stays ours.
static void applyRegion(HWND window, HRGN shape) {
  GdiObject<HRGN> region(shape);
  if (region.get() && SetWindowRgn(window, region.get(), TRUE)) region.release();
}

int shapeWindowByColour(MessageSink& messages, HWND window, Rgb colour, int frameIndex) {
  ScreenObject* object = objectOf(window);
  if (object && object->frameList) {
    HBITMAP frame = frameOf(object, frameIndex);
    if (!frame) return 0;
    applyRegion(window, regionFromColour(frame, colour));
    return 1;
  }
  HBITMAP bitmap = object ? object->surfaceBitmap : nullptr;
  if (!bitmap) {
    messages.showMessage(kShapeWithoutBitmap);
    return 0;
  }
  applyRegion(window, regionFromColour(bitmap, colour));
  return 1;
}

}  // namespace vellaro
