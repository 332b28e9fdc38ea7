#include "ui/win32_screen.h"

#include "image/win32_picture_loader.h"
#include "script/host.h"
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
}

void Win32Screen::showObject(ObjectHandle object, bool visible) {
  ShowWindow(windowOf(object), visible ? SW_SHOW : SW_HIDE);
}

void Win32Screen::setArrowCursor() { SetCursor(LoadCursorA(nullptr, IDC_ARROW)); }

}  // namespace vellaro
