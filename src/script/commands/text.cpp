// Text labels and edit fields: print, text, font, gettext and input. A command without a Screen
// (no windows) makes nothing; input then returns at once with the variable empty.
#include "base/messages.h"
#include "script/commands/text.h"

#include <cstring>
#include <string>

#include "script/commands/commands.h"
#include "script/commands/pictures.h"
#include "script/host.h"
#include "script/interpreter.h"
#include "script/services.h"
#include "script/text.h"

namespace vellaro {
namespace {

constexpr int kDefaultFontHeight = 20;
constexpr int kDefaultFontWeight = 700;
constexpr int kBoldWeight = 900;
constexpr int kNormalWeight = 500;

Screen* screenOf(Interpreter& in) {
  return in.services ? in.services->screen : nullptr;
}

// The resolved items of print and text, or false after the resolver's message.
struct TextItems {
  const char* text;
  const char* x;
  const char* y;
  const char* name;
};

bool resolveTextItems(Interpreter& in, CommandArgs& args, TextItems* items) {
  items->text = in.resolveItem(args, 3);
  if (!items->text) return false;
  items->x = in.resolveItem(args, 1);
  if (!items->x) return false;
  items->y = in.resolveItem(args, 2);
  if (!items->y) return false;
  items->name = in.resolveItem(args, 4);
  return items->name != nullptr;
}

// Measures with the current font, made first when there is none.
TextExtent measureWithCurrentFont(Screen& screen, const char* text) {
  if (!screen.hasCurrentFont()) screen.setCurrentFont(defaultFont());
  return screen.measureText(text);
}

// Places, fills and registers a new text object of the given size.
void placeTextObject(Interpreter& in, Screen& screen, const TextItems& items, TextExtent size,
                     const char* text, bool label) {
  int x = parseCoordinate(in, items.x, size.width, screen.screenWidth());
  int y = parseCoordinate(in, items.y, size.height, screen.screenHeight());
  ObjectHandle object = screen.addTextObject(x, y, size.width, size.height, label);
  if (!object) return;
  screen.setObjectText(object, text);
  in.objects.registerObject(screen, in.host, object, items.name);
}

}  // namespace

WidthForm parseWidthForm(const char* item) {
  WidthForm form;
  form.text = item;
  if (item[0] != '*') return form;
  const char* second = std::strchr(item + 1, '*');
  if (!second) return form;
  form.present = true;
  form.text = second + 1;
  std::string between(item + 1, second);
  form.widthIsNumber = isNumber(between.c_str());
  if (form.widthIsNumber) form.width = textToInt(between.c_str());
  return form;
}

void applyFontStyle(const char* style, FontRequest* font) {
  font->weight = std::strchr(style, 'b') ? kBoldWeight : kNormalWeight;
  font->italic = std::strchr(style, 'i') != nullptr;
  font->underline = std::strchr(style, 'u') != nullptr;
  font->strikeOut = std::strchr(style, 's') != nullptr;
}

FontRequest defaultFont() {
  return FontRequest{kDefaultFontHeight, kDefaultFontWeight, false, false, false, 0, "Arial Cyr"};
}

// print X Y text name: a read-only label exactly as large as its text.
void cmdPrint(Interpreter& in, CommandArgs& args) {
  Screen* screen = screenOf(in);
  TextItems items{};
  if (!screen || !resolveTextItems(in, args, &items)) return;
  TextExtent size = measureWithCurrentFont(*screen, items.text);
  placeTextObject(in, *screen, items, size, items.text, true);
}

// text X Y text name: an edit field one pixel wider than its text, or "*W*text" W pixels wide.
// The size is measured on the whole item, stars included.
void cmdText(Interpreter& in, CommandArgs& args) {
  Screen* screen = screenOf(in);
  TextItems items{};
  if (!screen || !resolveTextItems(in, args, &items)) return;
  TextExtent size = measureWithCurrentFont(*screen, items.text);
  size.width += 1;
  WidthForm form = parseWidthForm(items.text);
  if (form.present && form.widthIsNumber) {
    size.width = form.width < 0 ? 0 : form.width;  // a window cannot be narrower than nothing
  } else if (form.present) {
    in.scriptError(kTextWidthNotNumber);
  }
  placeTextObject(in, *screen, items, size, form.text, false);
}

// font size colour face [style [charset]]: the font and colour of labels and fields made later.
void cmdFont(Interpreter& in, CommandArgs& args) {
  const char* face = in.resolveItem(args, 3);
  if (!face) return;
  const char* size = in.resolveItem(args, 1);
  if (!size) return;
  const char* colour = in.resolveItem(args, 2);
  if (!colour) return;
  const char* charset = in.resolveItem(args, 5);
  if (!charset) return;
  if (!isNumber(size)) return in.scriptError(kFontSizeNotNumber);
  if (charset[0] != '\0' && !isNumber(charset)) return in.scriptError(kCodepageNotNumber);
  Screen* screen = screenOf(in);
  if (!screen) return;
  FontRequest font = defaultFont();
  font.height = textToInt(size);
  font.charset = static_cast<uint8_t>(textToInt(charset));  // the platform keeps one byte
  font.face = face;
  applyFontStyle(args.item[4], &font);  // the style is not resolved
  if (!screen->setCurrentFont(font)) in.showMessage(kFontInvalid);
  if (std::strlen(colour) != 6) return in.scriptError(kFontColourInvalid);
  screen->setTextColour(parseColour(colour));
}

// gettext name variable: what the learner typed into the field, into the variable.
void cmdGettext(Interpreter& in, CommandArgs& args) {
  const char* name = in.resolveItem(args, 1);
  if (!name) return;
  Screen* screen = screenOf(in);
  ObjectHandle object = screen ? in.objects.findObject(*screen, name) : nullptr;
  // A picture or diagram has no text to copy: reported like a missing field.
  const char* text = object ? screen->textOfObject(object) : nullptr;
  if (!text) return in.scriptError(kGettextFieldMissing, name);
  in.variables.assign(resultVariableName(args.item[2]), text);
}

// input variable [time]: waits for a click on a reporting object, at most time milliseconds when
// time is not 0, and stores the clicked object's name (empty when the wait ended otherwise).
void cmdInput(Interpreter& in, CommandArgs& args) {
  const char* time = in.resolveItem(args, 2);
  if (!time) return;
  if (!isNumber(time)) return in.scriptError(kInputTimeNotNumber);
  const char* variable = resultVariableName(args.item[1]);
  in.variables.assign(variable, "");
  in.objects.clickedObjectName[0] = '\0';
  int32_t limit = textToInt(time);
  if (CommandServices* services = in.services) {
    if (limit == 0) {
      services->waitForWake();
    } else {
      // A negative limit has passed already: one look at the queue, then on.
      services->waitForWakeOrTimeout(limit < 0 ? 0 : static_cast<uint32_t>(limit));
    }
  }
  in.variables.assign(variable, in.objects.clickedObjectName);
}

}  // namespace vellaro
