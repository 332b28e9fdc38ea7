// What kind of screen object a record is, and what a left click on it does. The player's windows
// and the headless screen both decide a click here, so that a lesson answers the same clicks on
// both: the Win32 side only reads its record and carries the effect out.
#pragma once

#include <cstdint>

namespace vellaro {

// The kind code of a screen object's record (Screen::objectKind). The numbers are the player's own
// and show in the debug menu's object information.
enum ObjectKind : uint8_t {
  KIND_NONE = 0,
  KIND_TEXT_LABEL = 1,  // reserved for text labels; no object is made with it yet
  KIND_DIAGRAM = 3,
  KIND_MAIN = 5,
  KIND_PICTURE = 6,
  KIND_ANIMATION = 7,
  KIND_BUTTON = 8,
  KIND_TEXT = 9,  // a label or an edit field
  KIND_LABEL_PAD = 10,
};

// What a left click met: no object of that name, a hidden one (a hidden window takes no clicks), an
// edit field that took the keyboard focus, an object that reports nothing, or one that copied its
// name to the interpreter and woke the waiting input.
enum class ClickEffect { NoObject, Hidden, Focus, Ignored, Reported };

// The facts about an object that decide a click.
struct ClickTarget {
  int kind;          // ObjectKind
  uint16_t flags;    // OF_* of script/screen.h
  bool named;        // the name is not empty
  bool hooked;       // the interpreter's hook is installed on it (preshow and show do so)
  bool label;        // for KIND_TEXT: a label, not an edit field
  bool visible;
};

// A left click on the object:
// - hidden: Hidden;
// - an edit field: Focus, whatever its flags;
// - a label: Reported unless OF_NO_CLICK (drag sets it), also when it has no name (the input then
//   gets the empty name);
// - a picture, diagram or label pad: Reported when the interpreter's hook is on it, it has a name
//   and no OF_NO_CLICK; else Ignored. OF_DRAG alone does not stop the report;
// - anything else (the main window, buttons, animations): Ignored, as the hook leaves their clicks
//   to their own windows.
ClickEffect clickEffect(const ClickTarget& target);

}  // namespace vellaro
