// The item syntax of the text commands, apart from the screen: the "*width*text" form of text,
// the style letters of font and the font that labels get before any font command.
#pragma once

#include "script/screen.h"

namespace vellaro {

// The text item of the text command. "*W*rest" gives the field width W and the initial text
// rest; anything else (a single leading star included) is all initial text.
struct WidthForm {
  bool present = false;        // the item has the two stars
  bool widthIsNumber = false;  // what lies between them is a number
  int width = 0;               // its value, when it is one
  const char* text = nullptr;  // the initial text: after the second star, or the whole item
};
WidthForm parseWidthForm(const char* item);

// Style letters anywhere in the item, case-sensitive: b bold (weight 900, else 500), i italic,
// u underlined, s struck out; other characters are ignored. Sets those fields of font.
void applyFontStyle(const char* style, FontRequest* font);

// Height 20, weight 700, no decoration, character set 0, face "Arial Cyr".
FontRequest defaultFont();

}  // namespace vellaro
