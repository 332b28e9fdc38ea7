#include "ui/win32_screen.h"

#include <cstring>

#include "base/win32_gdi.h"
#include "base/win32_wide_text.h"
#include "image/win32_picture_loader.h"
#include "script/host.h"
#include "ui/win32_diagram_window.h"
#include "ui/win32_object_windows.h"
#include "ui/win32_shapes.h"

namespace vellaro {
namespace {

HWND windowOf(ObjectHandle object) { return static_cast<HWND>(object); }

}  // namespace

int Win32Screen::screenWidth() { return GetSystemMetrics(SM_CXSCREEN); }
int Win32Screen::screenHeight() { return GetSystemMetrics(SM_CYSCREEN); }

PictureHandle Win32Screen::loadPicture(const std::string& path) {
  return loadBitmap(host_, "", "", path.c_str());
}

PictureHandle Win32Screen::makeSolidPicture(int width, int height, Rgb colour) {
  return createSolidPicture(width, height, colour);
}

void Win32Screen::deleteBackground() {
  if (ScreenObject* main = objectOf(mainWindow_)) deleteBackgroundBitmap(main);
}

void Win32Screen::setBackground(PictureHandle picture) {
  ScreenObject* main = objectOf(mainWindow_);
  if (!main) {
    if (picture) DeleteObject(static_cast<HBITMAP>(picture));
    return;
  }
  deleteBackgroundBitmap(main);  // a picture set twice without deleteBackground is not leaked
  main->backgroundBitmap = static_cast<HBITMAP>(picture);
  fillBackground(mainWindow_);  // with no picture nothing is drawn and the old content stays
  InvalidateRect(mainWindow_, nullptr, TRUE);
}

ObjectHandle Win32Screen::createPictureObject(PictureHandle picture) {
  return createPictureWindow(mainWindow_, static_cast<HBITMAP>(picture));
}

void Win32Screen::destroyObject(ObjectHandle object) { destroyObjectWindow(windowOf(object)); }

const char* Win32Screen::objectName(ObjectHandle object) { return recordName(windowOf(object)); }

void Win32Screen::setObjectName(ObjectHandle object, const char* name) {
  setRecordName(windowOf(object), name);
}

int Win32Screen::objectKind(ObjectHandle object) { return vellaro::objectKind(windowOf(object)); }

void Win32Screen::setObjectFlags(ObjectHandle object, uint16_t flags) {
  setRecordFlags(windowOf(object), flags);
}

void Win32Screen::installInterpreterHook(ObjectHandle object) { setObjectHook(windowOf(object), interpreterHook); }

void Win32Screen::shapeByColour(ObjectHandle object, Rgb colour) {
  shapeWindowByColour(host_, windowOf(object), colour, 0);
}

void Win32Screen::objectSize(ObjectHandle object, int* width, int* height) {
  RECT client{0, 0, 0, 0};
  GetClientRect(windowOf(object), &client);
  *width = client.right;
  *height = client.bottom;
}

ScreenRect Win32Screen::windowRect(ObjectHandle object) {
  RECT rect{0, 0, 0, 0};
  GetWindowRect(windowOf(object), &rect);
  return ScreenRect{rect.left, rect.top, rect.right, rect.bottom};
}

void Win32Screen::placeObject(ObjectHandle object, int x, int y) {
  int width = 0;
  int height = 0;
  objectSize(object, &width, &height);
  SetWindowPos(windowOf(object), HWND_TOP, x, y, width, height, 0);
}

void Win32Screen::moveObject(ObjectHandle object, int x, int y) {
  SetWindowPos(windowOf(object), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  // A text object shows the background at its new place.
  if (TextObject* text = textObjectOf(windowOf(object))) paintTextObject(text);
}

void Win32Screen::showObject(ObjectHandle object, bool visible) {
  ShowWindow(windowOf(object), visible ? SW_SHOW : SW_HIDE);
  // The background may have changed (clear) while the text object was hidden.
  if (TextObject* text = textObjectOf(windowOf(object)); text && visible) paintTextObject(text);
}

void Win32Screen::setArrowCursor() { SetCursor(LoadCursorA(nullptr, IDC_ARROW)); }

bool Win32Screen::setCurrentFont(const FontRequest& font) {
  currentFont_.reset();  // objects made with it keep their share
  HFONT created = nullptr;
  if (host_.textEncoding() == TextEncoding::Utf8) {
    created = CreateFontW(font.height, 0, 0, 0, font.weight, font.italic, font.underline, font.strikeOut, font.charset,
                          0, 0, PROOF_QUALITY, 0, wideFromUtf8(font.face).c_str());
  } else {
    created = CreateFontA(font.height, 0, 0, 0, font.weight, font.italic, font.underline, font.strikeOut,
                          font.charset, 0, 0, PROOF_QUALITY, 0, font.face.c_str());
  }
  currentFont_ = shareFont(created);
  return created != nullptr;
}

void Win32Screen::setTextColour(Rgb colour) { textColour_ = RGB(colour.red, colour.green, colour.blue); }

TextExtent Win32Screen::measureText(const char* text) {
  HDC dc = objectSurfaceDC(mainWindow_);
  ScopedSelectObject font(dc, currentFont_.get());
  SIZE size{0, 0};
  if (dc && host_.textEncoding() == TextEncoding::Utf8) {
    std::wstring wide = wideFromUtf8(text, std::strlen(text));
    GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
  } else if (dc) {
    GetTextExtentPoint32A(dc, text, static_cast<int>(std::strlen(text)), &size);
  }
  return TextExtent{size.cx, size.cy};
}

ObjectHandle Win32Screen::addTextObject(int x, int y, int width, int height, bool label) {
  TextObject* object = vellaro::createTextObject(host_, mainWindow_, x, y, width, height, currentFont_, textColour_);
  if (!object) return nullptr;
  if (label) {
    object->flags = kTextInert;
    object->messageFilter = labelClickFilter;
    object->clickedNameTarget = clickedObjectName;
    object->clickedNameSize = clickedNameSize;
  }
  return object->window;
}

void Win32Screen::setObjectText(ObjectHandle object, const char* text) {
  if (TextObject* found = textObjectOf(windowOf(object))) setText(found, text);
}

const char* Win32Screen::textOfObject(ObjectHandle object) {
  TextObject* found = textObjectOf(windowOf(object));
  return found ? vellaro::objectText(found) : nullptr;
}

ObjectHandle Win32Screen::createDiagramObject(int width, int height) {
  return createDiagramWindow(mainWindow_, width, height);
}

void Win32Screen::setObjectBounds(ObjectHandle object, int x, int y, int width, int height) {
  MoveWindow(windowOf(object), x, y, width, height, TRUE);
}

// A new brush for each fill, deleted at once.
void Win32Screen::fillSurfaceRect(ObjectHandle object, const PixelRect& rect, Rgb colour) {
  HDC surface = objectSurfaceDC(windowOf(object));
  if (!surface) return;
  GdiObject<HBRUSH> brush(CreateSolidBrush(RGB(colour.red, colour.green, colour.blue)));
  RECT area{rect.left, rect.top, rect.right, rect.bottom};
  FillRect(surface, &area, brush.get());
}

void Win32Screen::invalidateObject(ObjectHandle object) {
  RedrawWindow(windowOf(object), nullptr, nullptr, RDW_INVALIDATE);
}

}  // namespace vellaro
