// Text objects: one line of text in its own child window of the main window, drawn in a given font
// and colour over the main window's background. A read-only label or a one-line edit field.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

#include "ui/text_editing.h"

namespace vellaro {

class MessageSink;

// A font shared by the current text style and every text object made with it; deleted when the
// last of them lets go.
using SharedFont = std::shared_ptr<std::remove_pointer_t<HFONT>>;
SharedFont shareFont(HFONT font);

struct TextObject;
// Receives every message of the object in place of its own handling; 0 means handled.
using TextMessageFilter = int (*)(TextObject* object, UINT message, WPARAM wParam, LPARAM lParam);
using TextChangeNotification = void (*)(TextObject* object);
using TextKeyNotification = void (*)(TextObject* object, int key);  // 13 Enter, 27 Escape

constexpr uint16_t kTextInert = 0x80;  // the window ignores all input (labels)

struct TextObject {
  TextMessageFilter messageFilter = nullptr;
  TextChangeNotification changeNotification = nullptr;
  TextKeyNotification keyNotification = nullptr;
  int width = 0;
  int height = 0;
  SharedFont font;
  COLORREF colour = 0;
  HWND window = nullptr;
  TextBuffer text;  // in the encoding of the lesson file that made the object
  wchar_t pendingSurrogate = 0;  // the first half of a character typed as two WM_CHAR messages
  uint16_t flags = 0;
  // What the message filter works on: for labels, the text that receives the clicked name.
  char* clickedNameTarget = nullptr;
  size_t clickedNameSize = 0;
};

// Makes the text window (WS_CHILD, see-through) at (x, y) with the size, and shows it. The window
// owns the object from here on and frees it when the window goes.
TextObject* createTextObject(MessageSink& messages, HWND parent, int x, int y, int width, int height, SharedFont font,
                             COLORREF colour);
// Replaces the text, puts the caret at its end and repaints.
void setText(TextObject* object, const char* text);
const char* objectText(const TextObject* object);
// The window's TextObject, or null when it is not a text window.
TextObject* textObjectOf(HWND window);
// Redraws into the window's back buffer and invalidates the window.
void paintTextObject(TextObject* object);

// The click callback of labels: a left click stores the label's name and wakes the interpreter's
// wait on the main window, unless drag has set OF_NO_CLICK; every other message is left alone.
int labelClickFilter(TextObject* object, UINT message, WPARAM wParam, LPARAM lParam);

// The message hook of every text window.
int textWindowHook(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace vellaro
