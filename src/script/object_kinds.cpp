#include "script/object_kinds.h"

#include "script/screen.h"

namespace vellaro {
namespace {

// The kinds whose clicks the interpreter's hook reports once they are named.
bool reportsThroughHook(int kind) {
  return kind == KIND_LABEL_PAD || kind == KIND_TEXT_LABEL || kind == KIND_DIAGRAM || kind == KIND_PICTURE;
}

}  // namespace

ClickEffect clickEffect(const ClickTarget& target) {
  if (!target.visible) return ClickEffect::Hidden;
  bool clicksOff = (target.flags & OF_NO_CLICK) != 0;
  if (target.kind == KIND_TEXT) {
    if (!target.label) return ClickEffect::Focus;
    return clicksOff ? ClickEffect::Ignored : ClickEffect::Reported;
  }
  bool reports = target.hooked && reportsThroughHook(target.kind) && target.named && !clicksOff;
  return reports ? ClickEffect::Reported : ClickEffect::Ignored;
}

}  // namespace vellaro
