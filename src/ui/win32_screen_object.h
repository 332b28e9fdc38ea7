// The ScreenObject record that every window of the program carries in its extra window word 0,
// and the accessors that reach it from the window handle alone.
#pragma once

#include <windows.h>

#include <cstdint>

#include "base/limits.h"
#include "script/object_kinds.h"  // the kind codes, shared with the headless screen
#include "script/screen.h"

namespace vellaro {

// Called for every message after the common handling; 0 means handled (no default processing).
using ObjectHook = int (*)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Called at each drag step with the proposed position, which it may change; 0 cancels the step.
using DragFilter = int (*)(HWND window, int* x, int* y);
// Frees what the owner pointer points to, when the record goes.
using OwnerRelease = void (*)(void* owner);


struct ScreenObject {
  uint8_t kind;
  HWND window;
  uint16_t flags;
  uint8_t dragging;
  HBITMAP surfaceBitmap;
  HDC surfaceDC;
  HBITMAP backgroundBitmap;
  HDC backgroundDC;
  uint8_t wakeFlag;
  char name[kObjectNameLength + 1];
  DragFilter dragFilter;
  ObjectHook hook;
  int lastCursorX;
  int lastCursorY;
  int grabX;
  int grabY;
  void* owner;
  OwnerRelease ownerRelease;  // none: the owner is not the record's to free
  void* frameList;  // animation and button windows only
  uint8_t currentFrame;
  uint32_t timer;
  // The bitmaps the two memory DCs were made with, selected back before a bitmap of ours is deleted
  // while its DC lives on (a bitmap selected into a DC cannot be deleted).
  HGDIOBJ surfaceDCInitialBitmap;
  HGDIOBJ backgroundDCInitialBitmap;
};

// Once at start-up: the module that registers the classes and the program title (copied).
void initWindowing(HINSTANCE instance, const char* title);
HINSTANCE windowingInstance();
const char* programTitle();

// A zeroed record (last cursor -1, -1) stored in the window's extra word 0.
ScreenObject* attachObject(HWND window);
// The record, or null for a window that is not the program's (or a null handle).
ScreenObject* objectOf(HWND window);

void setObjectHook(HWND window, ObjectHook hook);
void setDragFilter(HWND window, DragFilter filter);
void setRecordFlags(HWND window, uint16_t flags);
void setObjectOwner(HWND window, void* owner);
void* objectOwner(HWND window);
// An owner that the record frees with release when it goes (a text window's TextObject).
void setOwnedObject(HWND window, void* owner, OwnerRelease release);
// Copies at most 254 characters; a longer name is cut.
void setRecordName(HWND window, const char* name);
const char* recordName(HWND window);
uint8_t objectKind(HWND window);
HDC objectSurfaceDC(HWND window);

// A compatible memory DC whose initial bitmap is remembered in *initialBitmap.
HDC createMemoryDC(HDC reference, HGDIOBJ* initialBitmap);
// Deletes the record's background picture (not its DC) and clears the field.
void deleteBackgroundBitmap(ScreenObject* object);

// Frees the record and its drawing resources, then destroys the window (also one without record).
void destroyObjectWindow(HWND window);
// Destroys every remaining top-level window that carries a record; child windows go with them.
void closeAllWindows();

// For the window procedure: a window destroyed by other means (closed, or a child of a destroyed
// parent) frees its record when it receives WM_NCDESTROY.
void releaseObjectOnDestroy(HWND window);

}  // namespace vellaro
