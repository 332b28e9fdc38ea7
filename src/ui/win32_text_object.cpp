#include "ui/win32_text_object.h"

#include <cstring>

#include "base/win32_gdi.h"
#include "base/message_sink.h"
#include "base/win32_wide_text.h"
#include "script/object_kinds.h"
#include "ui/win32_object_windows.h"
#include "ui/win32_screen_object.h"
#include "ui/win32_waits.h"

namespace vellaro {
namespace {

constexpr int kHandled = 0;
constexpr int kNotHandled = 1;

void releaseTextObject(void* owner) { delete static_cast<TextObject*>(owner); }

// The first length bytes of the text, measured with the call of its encoding.
SIZE textExtent(HDC dc, const char* text, size_t length, TextEncoding encoding) {
  SIZE size{0, 0};
  if (encoding == TextEncoding::Utf8) {
    std::wstring wide = wideFromUtf8(text, length);
    GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
  } else {
    GetTextExtentPoint32A(dc, text, static_cast<int>(length), &size);
  }
  return size;
}

void drawText(HDC dc, const TextBuffer& text) {
  if (text.encoding() == TextEncoding::Utf8) {
    std::wstring wide = wideFromUtf8(text.text(), text.length());
    TextOutW(dc, 0, 0, wide.c_str(), static_cast<int>(wide.size()));
  } else {
    TextOutA(dc, 0, 0, text.text(), static_cast<int>(text.length()));
  }
}

// The one-pixel caret bar in the text colour, after the first caret characters.
void paintCaret(TextObject* object, HDC dc) {
  uint32_t caret = object->text.caret();
  SIZE prefix = caret ? textExtent(dc, object->text.text(), caret, object->text.encoding()) : SIZE{0, 0};
  CaretBar bar = caretBar(caret, prefix.cx, prefix.cy, object->height);
  GdiObject<HBRUSH> brush(CreateSolidBrush(object->colour));
  GdiObject<HRGN> area(CreateRectRgn(bar.x, 0, bar.x + 1, bar.height));
  FillRgn(dc, area.get(), brush.get());
}

void applyOutcome(TextObject* object, const EditOutcome& outcome) {
  if (outcome.repaint) paintTextObject(object);
  if (outcome.changed && object->changeNotification) object->changeNotification(object);
  if (outcome.notifyKey && object->keyNotification) object->keyNotification(object, outcome.notifyKey);
}

int onKeyDown(TextObject* object, WPARAM wParam) {
  EditOutcome outcome = object->text.key(static_cast<int>(LOWORD(wParam)));
  applyOutcome(object, outcome);
  return outcome.result;
}

// Text windows are Unicode windows, so a character of any script arrives whole (a surrogate pair
// in two messages) and is kept in the field's encoding.
int onChar(TextObject* object, WPARAM wParam) {
  std::string bytes = typedBytes(static_cast<wchar_t>(wParam & 0xFFFF), object->pendingSurrogate, object->text.encoding());
  if (bytes.empty()) return kHandled;
  EditOutcome outcome = object->text.typed(bytes);
  applyOutcome(object, outcome);
  return outcome.result;
}

// Focus, and the caret before the first character that reaches past the click.
int onLeftButtonDown(TextObject* object, LPARAM lParam) {
  int x = static_cast<int>(LOWORD(lParam));
  SetFocus(object->window);
  HDC dc = objectSurfaceDC(object->window);
  ScopedSelectObject font(dc, object->font.get());
  const char* text = object->text.text();
  TextEncoding encoding = object->text.encoding();
  object->text.setCaret(caretForClick(object->text, x, [dc, text, encoding](size_t k) {
    return static_cast<int>(textExtent(dc, text, k, encoding).cx);
  }));
  paintTextObject(object);
  return kNotHandled;
}

}  // namespace

SharedFont shareFont(HFONT font) {
  if (!font) return nullptr;
  return SharedFont(font, [](HFONT owned) { DeleteObject(owned); });
}

TextObject* createTextObject(MessageSink& messages, HWND parent, int x, int y, int width, int height, SharedFont font,
                             COLORREF colour) {
  // Made in the encoding of the lesson file that runs now, and kept in it.
  HWND window = createTextWindow(messages, parent, nullptr, WS_CHILD);
  if (!window) return nullptr;
  auto* object = new TextObject{};
  object->width = width;
  object->height = height;
  object->window = window;
  setOwnedObject(window, object, releaseTextObject);
  setObjectHook(window, textWindowHook);
  setRecordFlags(window, OF_SEE_THROUGH);
  object->font = std::move(font);
  object->colour = colour;
  object->text.setEncoding(messages.textEncoding());
  SetWindowPos(window, nullptr, x, y, width, height, SWP_NOZORDER);
  ShowWindow(window, SW_SHOW);
  return object;
}

void setText(TextObject* object, const char* text) {
  object->text.setText(text);
  paintTextObject(object);
}

const char* objectText(const TextObject* object) { return object->text.text(); }

TextObject* textObjectOf(HWND window) {
  if (objectKind(window) != KIND_TEXT) return nullptr;
  return static_cast<TextObject*>(objectOwner(window));
}

void paintTextObject(TextObject* object) {
  HWND window = object->window;
  fillBackgroundRect(window, 0, 0, object->width, object->height);
  HDC dc = objectSurfaceDC(window);
  if (!dc) return;
  {
    ScopedSelectObject font(dc, object->font.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, object->colour);
    drawText(dc, object->text);
    if (GetFocus() == window) paintCaret(object, dc);
  }
  InvalidateRect(window, nullptr, TRUE);
}

int labelClickFilter(TextObject* object, UINT message, WPARAM, LPARAM) {
  if (message != WM_LBUTTONDOWN) return kNotHandled;
  // A label that drag has made draggable reports no clicks, like a picture: dragging it must not
  // answer a waiting input. A label without a name reports the empty name.
  ScreenObject* record = objectOf(object->window);
  if (!record) return kNotHandled;
  ClickTarget target{KIND_TEXT, record->flags, record->name[0] != '\0', false, true, true};
  if (clickEffect(target) != ClickEffect::Reported) return kNotHandled;
  if (object->clickedNameTarget && object->clickedNameSize) {
    const char* name = recordName(object->window);
    std::strncpy(object->clickedNameTarget, name ? name : "", object->clickedNameSize - 1);
    object->clickedNameTarget[object->clickedNameSize - 1] = '\0';
  }
  wakeWaiter(GetParent(object->window));
  return kHandled;
}

int textWindowHook(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  TextObject* object = textObjectOf(window);
  if (!object) return kNotHandled;
  if (object->messageFilter) return object->messageFilter(object, message, wParam, lParam);
  if (object->flags & kTextInert) return kNotHandled;
  switch (message) {
    case WM_KILLFOCUS:
      paintTextObject(object);  // without the caret
      return kNotHandled;
    case WM_KEYDOWN:
      return onKeyDown(object, wParam);
    case WM_CHAR:
      return onChar(object, wParam);
    case WM_LBUTTONDOWN:
      return onLeftButtonDown(object, lParam);
    default:
      return kNotHandled;
  }
}

}  // namespace vellaro
