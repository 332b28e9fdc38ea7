// The debug menu as a Win32 menu bar: the portable model turned into popups and items.
#include "base/win32_wide_text.h"
#include "script/debug_menu.h"
#include "script/host.h"
#include "script/interpreter.h"
#include "ui/win32_interpreter_hook.h"

namespace vellaro {
namespace {

constexpr UINT kAppend = static_cast<UINT>(-1);  // position -1 with MF_BYPOSITION: at the end

// Variables, object names and navi.scn lines are lesson text, shown in the lesson's encoding.
void appendItem(HMENU menu, UINT flags, UINT_PTR id, const std::string& text, TextEncoding encoding) {
  if (encoding == TextEncoding::Utf8) {
    InsertMenuW(menu, kAppend, flags, id, wideFromUtf8(text).c_str());
  } else {
    InsertMenuA(menu, kAppend, flags, id, text.c_str());
  }
}

HMENU buildPopup(const DebugMenuPopup& popup, TextEncoding encoding) {
  HMENU menu = CreatePopupMenu();
  for (const DebugMenuItem& item : popup.items) {
    if (item.columnBreak) {
      InsertMenuA(menu, kAppend, MF_BYPOSITION | MF_STRING | MF_MENUBREAK, 0, nullptr);
    } else {
      appendItem(menu, MF_BYPOSITION | MF_STRING, item.id, item.text, encoding);
    }
  }
  return menu;
}

}  // namespace

HMENU buildDebugMenu(Interpreter& in) {
  HMENU bar = CreateMenu();
  for (const DebugMenuPopup& popup : debugMenuModel(in)) {
    // The bar owns each popup from here on and destroys it with itself.
    appendItem(bar, MF_BYPOSITION | MF_POPUP, reinterpret_cast<UINT_PTR>(buildPopup(popup, in.host.textEncoding())),
               popup.title, in.host.textEncoding());
  }
  return bar;
}

}  // namespace vellaro
