#include "ui/win32_screen_object.h"

#include <cstring>

namespace vellaro {
namespace {

HINSTANCE g_instance = nullptr;
char g_title[256] = "";

constexpr int kClassNameBuffer = 255;

// Deletes the DC first, so that the bitmap selected into it is free to be deleted next.
void deleteDrawingPair(HDC* dc, HBITMAP* bitmap) {
  if (*dc) DeleteDC(*dc);
  if (*bitmap) DeleteObject(*bitmap);
  *dc = nullptr;
  *bitmap = nullptr;
}

// Frees the record's drawing resources and the record, and empties extra word 0.
void freeRecord(ScreenObject* object) {
  object->hook = nullptr;  // messages sent from here on find no callbacks
  object->dragFilter = nullptr;
  // Animation timers come with the animation window; no record holds one yet.
  deleteDrawingPair(&object->surfaceDC, &object->surfaceBitmap);
  deleteDrawingPair(&object->backgroundDC, &object->backgroundBitmap);
  if (object->ownerRelease && object->owner) object->ownerRelease(object->owner);
  SetWindowLongPtrA(object->window, 0, 0);
  delete object;
}

BOOL CALLBACK destroyProgramWindow(HWND window, LPARAM) {
  if (objectOf(window)) DestroyWindow(window);
  return TRUE;  // go on through all windows
}

}  // namespace

void initWindowing(HINSTANCE instance, const char* title) {
  g_instance = instance;
  std::strncpy(g_title, title ? title : "", sizeof g_title - 1);
}

HINSTANCE windowingInstance() { return g_instance; }
const char* programTitle() { return g_title; }

ScreenObject* attachObject(HWND window) {
  auto* object = new ScreenObject{};
  object->window = window;
  object->lastCursorX = -1;
  object->lastCursorY = -1;
  SetWindowLongPtrA(window, 0, reinterpret_cast<LONG_PTR>(object));
  return object;
}

ScreenObject* objectOf(HWND window) {
  if (!window) return nullptr;
  char className[kClassNameBuffer];
  if (GetClassNameA(window, className, sizeof className) == 0) return nullptr;
  if (std::strncmp(className, "ZELT", 4) != 0) return nullptr;
  WNDCLASSEXA info{};
  info.cbSize = sizeof info;
  if (!GetClassInfoExA(g_instance, className, &info)) return nullptr;  // not registered by this module
  // A second player registers the same class names; its windows' words hold its own pointers.
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  if (processId != GetCurrentProcessId()) return nullptr;
  return reinterpret_cast<ScreenObject*>(GetWindowLongPtrA(window, 0));
}

void setObjectHook(HWND window, ObjectHook hook) {
  if (ScreenObject* object = objectOf(window)) object->hook = hook;
}

void setDragFilter(HWND window, DragFilter filter) {
  if (ScreenObject* object = objectOf(window)) object->dragFilter = filter;
}

void setRecordFlags(HWND window, uint16_t flags) {
  if (ScreenObject* object = objectOf(window)) object->flags = flags;
}

void setObjectOwner(HWND window, void* owner) {
  if (ScreenObject* object = objectOf(window)) object->owner = owner;
}

void setOwnedObject(HWND window, void* owner, OwnerRelease release) {
  ScreenObject* object = objectOf(window);
  if (!object) return;
  object->owner = owner;
  object->ownerRelease = release;
}

void* objectOwner(HWND window) {
  ScreenObject* object = objectOf(window);
  return object ? object->owner : nullptr;
}

void setRecordName(HWND window, const char* name) {
  ScreenObject* object = objectOf(window);
  if (!object) return;
  std::strncpy(object->name, name ? name : "", kObjectNameLength);
  object->name[kObjectNameLength] = '\0';
}

const char* recordName(HWND window) {
  ScreenObject* object = objectOf(window);
  return object ? object->name : nullptr;
}

uint8_t objectKind(HWND window) {
  ScreenObject* object = objectOf(window);
  return object ? object->kind : 0;
}

HDC objectSurfaceDC(HWND window) {
  ScreenObject* object = objectOf(window);
  return object ? object->surfaceDC : nullptr;
}

HDC createMemoryDC(HDC reference, HGDIOBJ* initialBitmap) {
  HDC dc = CreateCompatibleDC(reference);
  *initialBitmap = dc ? GetCurrentObject(dc, OBJ_BITMAP) : nullptr;
  return dc;
}

void deleteBackgroundBitmap(ScreenObject* object) {
  if (!object->backgroundBitmap) return;
  if (object->backgroundDC && object->backgroundDCInitialBitmap) {
    SelectObject(object->backgroundDC, object->backgroundDCInitialBitmap);
  }
  DeleteObject(object->backgroundBitmap);
  object->backgroundBitmap = nullptr;
}

void destroyObjectWindow(HWND window) {
  if (ScreenObject* object = objectOf(window)) freeRecord(object);
  DestroyWindow(window);
}

void closeAllWindows() { EnumWindows(destroyProgramWindow, 0); }

void releaseObjectOnDestroy(HWND window) {
  if (ScreenObject* object = objectOf(window)) freeRecord(object);
}

}  // namespace vellaro
