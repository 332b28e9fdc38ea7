#include "ui/win32_object_windows.h"

#include "base/messages.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/message_sink.h"
#include "base/win32_gdi.h"
#include "ui/tiling.h"
#include "ui/win32_animation_window.h"
#include "ui/win32_screen_object.h"
#include "ui/win32_waits.h"

namespace vellaro {
namespace {

constexpr UINT kClassStyle = CS_GLOBALCLASS | CS_OWNDC | CS_DBLCLKS;  // 0x4028
// A label pad draws nothing, so it needs no DC of its own.
constexpr UINT kLabelPadClassStyle = CS_GLOBALCLASS | CS_DBLCLKS;  // 0x4008
constexpr WPARAM kClickNotice = 0x10000;  // notification code 1, control identifier 0
constexpr int kTextWindowWidth = 600;
constexpr int kTextWindowHeight = 500;

const char kMainClass[] = "ZELTFullScreen_Kip_Win_Class";
const char kPictureClass[] = "ZELTPictureWindow_Marvik_Win_Class";
const char kTextClass[] = "ZELTZelt_Win_Class";
const char kLabelPadClass[] = "ZELTLabel_Win_Pad_Class";

int screenWidth() { return GetSystemMetrics(SM_CXSCREEN); }
int screenHeight() { return GetSystemMetrics(SM_CYSCREEN); }

SIZE bitmapSize(HBITMAP bitmap) {
  BITMAP info{};
  if (!bitmap || !GetObjectA(bitmap, sizeof info, &info)) return SIZE{0, 0};
  return SIZE{info.bmWidth, info.bmHeight};
}

// Creates the screen-sized back buffer and the two memory DCs of a main or text window.
void createBackBuffer(ScreenObject* object, HDC windowDC) {
  object->backgroundDC = createMemoryDC(windowDC, &object->backgroundDCInitialBitmap);
  object->surfaceBitmap = CreateCompatibleBitmap(windowDC, screenWidth(), screenHeight());
  object->surfaceDC = createMemoryDC(windowDC, &object->surfaceDCInitialBitmap);
}

HBITMAP createWhiteTile(HDC windowDC, HDC backgroundDC) {
  HBITMAP tile = CreateCompatibleBitmap(windowDC, 2, 2);
  SelectObject(backgroundDC, tile);
  GdiObject<HRGN> area(CreateRectRgn(0, 0, 2, 2));
  FillRgn(backgroundDC, area.get(), static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  return tile;
}

// Where fillBackground copies from: the window's own background, or for OF_SEE_THROUGH the
// parent's back buffer at the window's own position. False when there is nothing to copy.
struct TileSourceDC {
  HDC dc;
  HBITMAP bitmap;
  TileSource tile;
};

bool chooseTileSource(ScreenObject* object, TileSourceDC* source) {
  if (object->flags & OF_SEE_THROUGH) {
    HWND parent = GetParent(object->window);
    ScreenObject* parentObject = objectOf(parent);
    if (!parentObject) return false;
    RECT parentRect;
    RECT windowRect;
    GetWindowRect(parent, &parentRect);
    GetWindowRect(object->window, &windowRect);
    *source = TileSourceDC{parentObject->surfaceDC, parentObject->surfaceBitmap,
                           TileSource{parentRect.right - parentRect.left, parentRect.bottom - parentRect.top,
                                      windowRect.left - parentRect.left, windowRect.top - parentRect.top}};
    return true;
  }
  if (!object->backgroundBitmap) return false;
  SIZE size = bitmapSize(object->backgroundBitmap);
  *source = TileSourceDC{object->backgroundDC, object->backgroundBitmap, TileSource{size.cx, size.cy, 0, 0}};
  return true;
}

// Both bitmaps stay selected afterwards, so later drawing through objectSurfaceDC lands in the surface.
void copyTiles(ScreenObject* object, const TileSourceDC& source, const std::vector<TileCopy>& copies) {
  SelectObject(source.dc, source.bitmap);
  SelectObject(object->surfaceDC, object->surfaceBitmap);
  for (const TileCopy& copy : copies) {
    BitBlt(object->surfaceDC, copy.x, copy.y, copy.width, copy.height, source.dc, copy.sourceX, copy.sourceY, SRCCOPY);
  }
}

bool isChild(HWND window) { return (GetWindowLongPtrA(window, GWL_STYLE) & WS_CHILD) != 0; }

void notifyParentOfClick(HWND window, UINT message) {
  if (message != WM_LBUTTONDOWN && message != WM_LBUTTONUP && message != WM_RBUTTONDOWN && message != WM_RBUTTONUP) {
    return;
  }
  HWND parent = GetParent(window);
  if (parent && isChild(window)) PostMessageA(parent, WM_COMMAND, kClickNotice, reinterpret_cast<LPARAM>(window));
}

// The parent's caption and frame height, so that a grab point inside a child lines up with the
// cursor's screen position.
int captionAllowance(HWND window) {
  HWND parent = GetParent(window);
  if (!parent || !isChild(window)) return 0;
  RECT outer;
  RECT client;
  GetWindowRect(parent, &outer);
  GetClientRect(parent, &client);
  return (outer.bottom - outer.top) - client.bottom;
}

void onMove(ScreenObject* object) {
  if (object->flags & OF_NO_PARENT_UPDATE) return;
  HWND parent = GetParent(object->window);
  if (!parent) return;
  UpdateWindow(parent);
  if (HWND grandparent = GetParent(parent)) UpdateWindow(grandparent);
}

bool isDraggable(const ScreenObject* object) { return (object->flags & (OF_DRAG | OF_DRAG_X | OF_DRAG_Y)) != 0; }

void onDragStart(ScreenObject* object, LPARAM lParam) {
  if (!isDraggable(object)) return;
  object->lastCursorX = 0;
  object->lastCursorY = 0;
  object->grabX = static_cast<int>(LOWORD(lParam));
  object->grabY = static_cast<int>(HIWORD(lParam)) + captionAllowance(object->window);
  object->dragging = 1;
  SetCapture(object->window);
}

void onDragEnd(ScreenObject* object) {
  if (!isDraggable(object)) return;
  object->dragging = 0;
  ReleaseCapture();
}

// One step of a drag; true when the message is consumed (the cursor has not moved).
bool onDragStep(ScreenObject* object, WPARAM wParam) {
  if (!object->dragging || !(wParam & MK_LBUTTON) || !isDraggable(object)) return false;
  POINT cursor;
  GetCursorPos(&cursor);
  if (cursor.x == object->lastCursorX && cursor.y == object->lastCursorY) return true;
  HWND window = object->window;
  HWND parent = GetParent(window);
  RECT windowRect;
  RECT parentRect{0, 0, 0, 0};
  GetWindowRect(window, &windowRect);
  if (parent) GetWindowRect(parent, &parentRect);
  int x = windowRect.left - parentRect.left;
  int y = windowRect.top - parentRect.top;
  bool xFollows = (object->flags & (OF_DRAG | OF_DRAG_X)) != 0;
  bool yFollows = (object->flags & (OF_DRAG | OF_DRAG_Y)) != 0;
  if (xFollows) x = cursor.x - object->grabX;
  if (yFollows) y = cursor.y - object->grabY;
  object->lastCursorX = cursor.x;
  object->lastCursorY = cursor.y;
  if (isChild(window) && parent) {
    GetWindowRect(parent, &parentRect);
    if (xFollows) x -= parentRect.left;
    if (yFollows) y -= parentRect.top;
  }
  bool moved = !object->dragFilter || object->dragFilter(window, &x, &y) != 0;
  if (moved) SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOZORDER | SWP_NOSIZE);
  if (!(object->flags & OF_NO_PARENT_UPDATE) && parent) UpdateWindow(parent);
  return false;
}

uint64_t fileTimeValue(const FILETIME& time) { return (uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime; }

// When VELLARO_STARTUP_TRACE names a file, each paint of the main window appends a line with the
// milliseconds since the process was created and the processor time it has used, so that
// tools/measure-startup.sh can time start-up; without it a paint costs one test more.
void traceMainWindowPaint() {
  static const char* const path = std::getenv("VELLARO_STARTUP_TRACE");
  if (!path || !path[0]) return;
  FILETIME created, unused, kernel, user, now;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &unused, &kernel, &user)) return;
  GetSystemTimeAsFileTime(&now);
  if (FILE* file = std::fopen(path, "a")) {
    // FILETIME counts 100 ns.
    uint64_t ms = (fileTimeValue(now) - fileTimeValue(created)) / 10000;
    uint64_t cpuMs = (fileTimeValue(kernel) + fileTimeValue(user)) / 10000;
    std::fprintf(file, "%llu %llu\n", static_cast<unsigned long long>(ms), static_cast<unsigned long long>(cpuMs));
    std::fclose(file);
  }
}

// Copies the invalid rectangle from the surface; nothing is ever drawn on the screen directly.
void onPaint(ScreenObject* object) {
  {
    ScopedSelectObject surface(object->surfaceDC, object->surfaceBitmap);
    ScopedPaint paint(object->window);
    const RECT& rect = paint.rect();
    if (object->surfaceDC) {
      BitBlt(paint.dc(), rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, object->surfaceDC,
             rect.left, rect.top, SRCCOPY);
    }
  }
  if (object->kind == KIND_MAIN) traceMainWindowPaint();
}

LRESULT defaultWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (IsWindowUnicode(window)) return DefWindowProcW(window, message, wParam, lParam);
  return DefWindowProcA(window, message, wParam, lParam);
}

// Registered at every creation; a failure because the class exists already changes nothing.
void registerClassWithStyle(const char* name, bool arrowCursor, UINT classStyle) {
  WNDCLASSA windowClass{};
  windowClass.style = classStyle;
  windowClass.lpfnWndProc = commonWindowProc;
  windowClass.cbWndExtra = sizeof(LONG_PTR);  // room for the ScreenObject pointer
  windowClass.hInstance = windowingInstance();
  windowClass.hCursor = arrowCursor ? LoadCursorA(nullptr, IDC_ARROW) : nullptr;
  windowClass.lpszClassName = name;
  RegisterClassA(&windowClass);
}

// The text window's class is a Unicode one, so that WM_CHAR carries UTF-16 to the fields.
void registerWideClass(const char* name) {
  std::wstring wideName(name, name + std::strlen(name));  // class names are ASCII
  WNDCLASSW windowClass{};
  windowClass.style = kClassStyle;
  windowClass.lpfnWndProc = commonWindowProc;
  windowClass.cbWndExtra = sizeof(LONG_PTR);
  windowClass.hInstance = windowingInstance();
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.lpszClassName = wideName.c_str();
  RegisterClassW(&windowClass);
}

}  // namespace

void registerObjectClass(const char* name, bool arrowCursor) { registerClassWithStyle(name, arrowCursor, kClassStyle); }

HWND createLabelPadWindow(HWND parent, int x, int y, int width, int height) {
  registerClassWithStyle(kLabelPadClass, true, kLabelPadClassStyle);
  HWND window = CreateWindowExA(WS_EX_TRANSPARENT, kLabelPadClass, "", parent ? WS_CHILD : WS_POPUP, x, y, width,
                                height, parent, nullptr, windowingInstance(), nullptr);
  if (!window) return nullptr;
  attachObject(window)->kind = KIND_LABEL_PAD;  // no drawing fields: it paints nothing
  return window;
}

HWND createMainWindow(HBITMAP background) {
  registerObjectClass(kMainClass, true);
  HWND window = CreateWindowExA(0, kMainClass, "", WS_POPUP, 0, 0, screenWidth(), screenHeight(), nullptr, nullptr,
                                windowingInstance(), nullptr);
  if (!window) return nullptr;
  ScopedGetDC windowDC(window);
  ScreenObject* object = attachObject(window);
  object->kind = KIND_MAIN;
  createBackBuffer(object, windowDC);
  object->backgroundBitmap = background ? background : createWhiteTile(windowDC, object->backgroundDC);
  SetWindowTextA(window, programTitle());
  fillBackground(window);
  return window;
}

HWND createPictureWindow(HWND parent, HBITMAP picture) {
  SIZE size = bitmapSize(picture);
  registerObjectClass(kPictureClass, false);
  HWND window = CreateWindowExA(0, kPictureClass, "title", WS_CHILD | WS_CLIPSIBLINGS, 0, 0, size.cx, size.cy, parent,
                                nullptr, windowingInstance(), nullptr);
  if (!window) {
    DeleteObject(picture);  // the picture was handed over; nobody else will free it
    return nullptr;
  }
  ScopedGetDC windowDC(window);
  ScreenObject* object = attachObject(window);
  object->kind = KIND_PICTURE;
  object->surfaceBitmap = picture;
  object->surfaceDC = createMemoryDC(windowDC, &object->surfaceDCInitialBitmap);
  return window;
}

HWND createTextWindow(MessageSink& messages, HWND parent, HBITMAP background, DWORD style) {
  BITMAP info{};
  if (background && GetObjectA(background, sizeof info, &info) && !info.bmBits) {
    messages.showMessage(kDibSectionEmpty);
  }
  registerWideClass(kTextClass);
  HWND window = CreateWindowExA(0, kTextClass, "", style ? style : WS_POPUP, 0, 0, kTextWindowWidth,
                                kTextWindowHeight, parent, nullptr, windowingInstance(), nullptr);
  if (!window) return nullptr;
  ScopedGetDC windowDC(window);
  ScreenObject* object = attachObject(window);
  object->kind = KIND_TEXT;
  createBackBuffer(object, windowDC);
  object->backgroundBitmap = background;
  fillBackground(window);
  return window;
}

void fillBackground(HWND window) {
  ScreenObject* object = objectOf(window);
  TileSourceDC source{};
  if (!object || !chooseTileSource(object, &source)) return;
  if (object->flags & OF_SEE_THROUGH) {
    copyTiles(object, source, tileCopies(source.tile, screenWidth(), screenHeight()));
    return;
  }
  // The background is a whole bitmap, so the surface may copy its own filled part onward: the
  // white 2 x 2 tile of a new main window would otherwise take 196 608 copies on a 1024 x 768 screen.
  DoublingFill fill = tileCopiesByDoubling(source.tile, screenWidth(), screenHeight());
  copyTiles(object, source, fill.fromTile);
  for (const TileCopy& copy : fill.fromSurface) {
    BitBlt(object->surfaceDC, copy.x, copy.y, copy.width, copy.height, object->surfaceDC, copy.sourceX, copy.sourceY,
           SRCCOPY);
  }
}

void fillBackgroundRect(HWND window, int x, int y, int width, int height) {
  ScreenObject* object = objectOf(window);
  TileSourceDC source{};
  if (!object || !chooseTileSource(object, &source)) return;
  copyTiles(object, source, tileCopiesForRect(source.tile, x, y, width, height));
}

LRESULT CALLBACK commonWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  notifyParentOfClick(window, message);
  ScreenObject* object = objectOf(window);
  if (!object) return defaultWindowProc(window, message, wParam, lParam);
  switch (message) {
    case WM_MOVE:
      onMove(object);
      break;
    case WM_CLOSE:
      wakeWaiter(window);  // before the default processing destroys the window
      break;
    case WM_LBUTTONDOWN:
      onDragStart(object, lParam);
      if (object->kind == KIND_BUTTON) onButtonMouse(object, message);
      break;
    case WM_LBUTTONUP:
      onDragEnd(object);
      if (object->kind == KIND_BUTTON) onButtonMouse(object, message);
      break;
    case WM_MOUSEMOVE:
      if (onDragStep(object, wParam)) return 0;
      break;
    case kAnimationTickMessage:
      onAnimationTick(object);
      break;
    case WM_PAINT:
      onPaint(object);
      break;
    default:
      break;
  }
  int hookResult = object->hook ? object->hook(window, message, wParam, lParam) : 1;
  // The last message of a window destroyed by other means than destroyObjectWindow.
  if (message == WM_NCDESTROY) releaseObjectOnDestroy(window);
  if (hookResult == 0) return 0;
  return defaultWindowProc(window, message, wParam, lParam);
}

}  // namespace vellaro
