// The debug menu as a Win32 menu bar: the portable model turned into popups and items.
#include "script/debug_menu.h"
#include "ui/win32_interpreter_hook.h"

namespace vellaro {
namespace {

constexpr UINT kAppend = static_cast<UINT>(-1);  // position -1 with MF_BYPOSITION: at the end

HMENU buildPopup(const DebugMenuPopup& popup) {
  HMENU menu = CreatePopupMenu();
  for (const DebugMenuItem& item : popup.items) {
    if (item.columnBreak) {
      InsertMenuA(menu, kAppend, MF_BYPOSITION | MF_STRING | MF_MENUBREAK, 0, nullptr);
    } else {
      InsertMenuA(menu, kAppend, MF_BYPOSITION | MF_STRING, item.id, item.text.c_str());
    }
  }
  return menu;
}

}  // namespace

HMENU buildDebugMenu(Interpreter& in) {
  HMENU bar = CreateMenu();
  for (const DebugMenuPopup& popup : debugMenuModel(in)) {
    // The bar owns each popup from here on and destroys it with itself.
    InsertMenuA(bar, kAppend, MF_BYPOSITION | MF_POPUP, reinterpret_cast<UINT_PTR>(buildPopup(popup)),
                popup.title.c_str());
  }
  return bar;
}

}  // namespace vellaro
