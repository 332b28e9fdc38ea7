#include "ui/win32_diagram_window.h"

#include "base/win32_gdi.h"
#include "ui/win32_object_windows.h"
#include "ui/win32_screen_object.h"

namespace vellaro {
namespace {

const char kDiagramClass[] = "ZELTDiagram_Win_Class";
constexpr int kInitialPosition = 10;

// A bottom-up 24-bit DIB section, the layout shapeByColour reads.
HBITMAP createSurface(HDC windowDC, int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // positive: the first stored row is the bottom one
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  return CreateDIBSection(windowDC, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
}

}  // namespace

HWND createDiagramWindow(HWND parent, int width, int height) {
  registerObjectClass(kDiagramClass, true);
  HWND window = CreateWindowExA(0, kDiagramClass, "title", WS_CHILD, kInitialPosition, kInitialPosition, width,
                                height, parent, nullptr, windowingInstance(), nullptr);
  if (!window) return nullptr;
  ScopedGetDC windowDC(window);
  ScreenObject* object = attachObject(window);
  object->kind = KIND_DIAGRAM;
  object->surfaceDC = createMemoryDC(windowDC, &object->surfaceDCInitialBitmap);
  object->surfaceBitmap = createSurface(windowDC, width, height);
  if (!object->surfaceDC || !object->surfaceBitmap) {
    destroyObjectWindow(window);  // frees whichever of the two was made
    return nullptr;
  }
  // The surface stays selected from here on, so every drawing through objectSurfaceDC lands in it.
  SelectObject(object->surfaceDC, object->surfaceBitmap);
  GdiObject<HRGN> whole(CreateRectRgn(0, 0, width, height));
  PaintRgn(object->surfaceDC, whole.get());  // with a new DC's brush, the stock white one
  return window;
}

}  // namespace vellaro
