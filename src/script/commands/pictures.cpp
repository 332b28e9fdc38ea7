// Pictures and the object registry: clear, preshow, show, hide, remove, move, drag, getcoord,
// getsize. A command without a Screen (no windows) does nothing.
#include "base/messages.h"
#include "script/commands/pictures.h"

#include <cstring>
#include <string>

#include "script/commands/commands.h"
#include "script/host.h"
#include "script/interpreter.h"
#include "script/services.h"
#include "script/text.h"

namespace vellaro {
namespace {

constexpr int kSolidPictureSize = 100;  // clear makes its plain backgrounds this big

Screen* screenOf(Interpreter& in) {
  return in.services ? in.services->screen : nullptr;
}

// Calls action on every registered object named name, walking slots 0 to 499.
template <typename Action>
void forEachNamed(Interpreter& in, Screen& screen, const char* name, Action action) {
  for (int slot = 0; slot < kMaxObjects; ++slot) {
    if (in.objects.hasName(screen, slot, name)) action(in.objects.at(slot));
  }
}

bool hasItemsAfterFirst(const CommandArgs& args) {
  for (int i = 2; i <= 5; ++i) {
    if (args.item[i][0] != '\0') return true;
  }
  return false;
}

// The colour of "*RRGGBB", or false after "%d: Background color is invalid".
bool backgroundColour(Interpreter& in, const char* text, Rgb* colour) {
  if (std::strlen(text) != 6) {
    in.scriptError(kBackgroundColourInvalid);
    return false;
  }
  *colour = parseColour(text);
  return true;
}

// preshow and the long form of show: the new, placed but hidden object, or null when the command
// stopped (then an object already registered stays registered and hidden, as the messages say).
ObjectHandle preshowObject(Interpreter& in, Screen& screen, CommandArgs& args) {
  const char* file = in.resolveArgument(args.item[3], kItemPreshowFile);
  if (!file) return nullptr;
  std::string path = in.pathInBaseDir(file);
  PictureHandle picture = screen.loadPicture(path);
  if (!picture) {
    in.scriptError(kPictureMissing, path.c_str());
    return nullptr;
  }
  ObjectHandle object = screen.createPictureObject(picture);  // it owns the picture from here on
  if (!object) return nullptr;  // no window could be made: nothing to name or place
  const char* xText = in.resolveArgument(args.item[1], kItemPreshowX);
  const char* yText = xText ? in.resolveArgument(args.item[2], kItemPreshowY) : nullptr;
  const char* name = yText ? in.resolveArgument(args.item[4], kItemPreshowName) : nullptr;
  if (!name) {
    screen.destroyObject(object);  // nothing could name or place it
    return nullptr;
  }
  int width = 0;
  int height = 0;
  screen.objectSize(object, &width, &height);
  int x = parseCoordinate(in, xText, width, screen.screenWidth());
  int y = parseCoordinate(in, yText, height, screen.screenHeight());
  in.objects.registerObject(screen, in.host, object, name);
  screen.installInterpreterHook(object);
  const char* colour = args.item[5];  // not resolved
  if (colour[0] != '\0') {
    if (std::strlen(colour) != 6) {
      in.scriptError(kTransparentColourInvalid);
      return nullptr;
    }
    screen.shapeByColour(object, parseColour(colour));
  }
  screen.placeObject(object, x, y);
  return object;
}

// getcoord and getsize: creates both variables when missing, then sets x, then y.
void storePair(Interpreter& in, CommandArgs& args, int x, int y) {
  const char* xName = resultVariableName(args.item[2]);
  const char* yName = resultVariableName(args.item[3]);
  if (!in.variables.variableExists(xName)) in.variables.createVariable(xName);
  if (!in.variables.variableExists(yName)) in.variables.createVariable(yName);
  in.variables.setVariable(xName, format("%d", x).c_str());
  in.variables.setVariable(yName, format("%d", y).c_str());
}

// Destroys every object called name (every object for nullptr) and frees its slot; the count.
int removeObjects(Interpreter& in, Screen& screen, const char* name) {
  int removed = 0;
  for (int slot = 0; slot < kMaxObjects; ++slot) {
    ObjectHandle object = in.objects.at(slot);
    if (!object || !(name == nullptr || in.objects.hasName(screen, slot, name))) continue;
    screen.destroyObject(object);
    in.objects.release(slot);
    ++removed;
  }
  return removed;
}

}  // namespace

int parseCoordinate(Interpreter& in, const char* text, int extent, int screenSize) {
  bool fromFarEdge = false;
  bool centred = false;
  if (*text == '-') {
    fromFarEdge = true;
    ++text;
  }
  if (*text == '*') {
    centred = true;
    ++text;
  }
  if (!isNumber(text)) {
    in.scriptError(kCoordinateNotNumber);
    return 0;
  }
  int64_t offset = textToInt(text);
  int64_t correction = 0;
  const char* oldstyle = in.variables.getVariable("oldstyle");
  if (!oldstyle || std::strcmp(oldstyle, "1") != 0) {
    if (offset == -1 || centred) {
      correction = extent / 2;
    } else if (fromFarEdge) {
      correction = extent;
    }
  }
  int64_t result = offset;
  if (centred) {
    result = screenSize / 2 - correction + offset;
  } else if (fromFarEdge) {
    result = screenSize - correction - offset;
  }
  return static_cast<int32_t>(static_cast<uint32_t>(result));  // wraps like 32-bit arithmetic
}

Rgb parseColour(const char* text) {
  auto pair = [text](int at) { return static_cast<uint8_t>(hexValue(std::string(text + at, 2).c_str())); };
  return Rgb{pair(0), pair(2), pair(4)};
}

void cmdClear(Interpreter& in, CommandArgs& args) {
  Screen* screen = screenOf(in);
  if (!screen) return;
  for (int slot = 0; slot < kMaxObjects; ++slot) {
    if (in.objects.at(slot)) screen->showObject(in.objects.at(slot), false);
  }
  screen->deleteBackground();
  const char* background = in.resolveItem(args, 1);
  PictureHandle picture = nullptr;
  if (!background || background[0] == '\0') {
    picture = screen->makeSolidPicture(kSolidPictureSize, kSolidPictureSize, Rgb{255, 255, 255});
  } else if (background[0] == '*') {
    Rgb colour{};
    if (!backgroundColour(in, background + 1, &colour)) return;
    picture = screen->makeSolidPicture(kSolidPictureSize, kSolidPictureSize, colour);
  } else {
    picture = screen->loadPicture(in.pathInBaseDir(background));
  }
  screen->setBackground(picture);
}

void cmdPreshow(Interpreter& in, CommandArgs& args) {
  Screen* screen = screenOf(in);
  if (screen) preshowObject(in, *screen, args);
}

void cmdShow(Interpreter& in, CommandArgs& args) {
  Screen* screen = screenOf(in);
  if (!screen) return;
  if (hasItemsAfterFirst(args)) {
    ObjectHandle object = preshowObject(in, *screen, args);
    if (!object) return;
    screen->showObject(object, true);
    screen->setArrowCursor();
    return;
  }
  const char* name = in.resolveItem(args, 1);
  if (!name) return;
  forEachNamed(in, *screen, name, [screen](ObjectHandle object) { screen->showObject(object, true); });
}

void cmdHide(Interpreter& in, CommandArgs& args) {
  Screen* screen = screenOf(in);
  if (!screen) return;
  const char* name = in.resolveItem(args, 1);
  if (!name) return;
  forEachNamed(in, *screen, name, [screen](ObjectHandle object) { screen->showObject(object, false); });
}

void cmdRemove(Interpreter& in, CommandArgs& args) {
  Screen* screen = screenOf(in);
  if (!screen) return;
  const char* name = in.resolveItem(args, 1);
  bool everyObject = !name || name[0] == '\0';  // a missing variable removes every object too
  int removed = removeObjects(in, *screen, everyObject ? nullptr : name);
  if (removed == 0) {
    in.scriptError(kRemoveFoundNothing);
  } else if (removed > 1 && !everyObject) {
    in.scriptError(kRemoveFoundSeveral);
  }
}

// The quiet remove: every object of the name goes, and none, one or several give no box. Without
// a name (or with a missing variable) nothing is removed, so it never clears the screen by mistake.
void cmdDiscard(Interpreter& in, CommandArgs& args) {
  Screen* screen = screenOf(in);
  if (!screen) return;
  const char* name = in.resolveItem(args, 1);
  if (name && name[0] != '\0') removeObjects(in, *screen, name);
}

void cmdMove(Interpreter& in, CommandArgs& args) {
  Screen* screen = screenOf(in);
  if (!screen) return;
  const char* name = in.resolveItem(args, 1);
  if (!name) return;
  ObjectHandle object = in.objects.findObject(*screen, name);
  if (!object) {
    in.scriptError(kMoveObjectMissing, name);
    return;
  }
  const char* xText = in.resolveItem(args, 2);
  if (!xText) return;
  const char* yText = in.resolveItem(args, 3);
  if (!yText) return;
  int width = 0;
  int height = 0;
  screen->objectSize(object, &width, &height);
  int x = parseCoordinate(in, xText, width, screen->screenWidth());
  int y = parseCoordinate(in, yText, height, screen->screenHeight());
  screen->moveObject(object, x, y);
}

void cmdDrag(Interpreter& in, CommandArgs& args) {
  Screen* screen = screenOf(in);
  if (!screen) return;
  const char* name = in.resolveItem(args, 1);
  if (!name) return;
  ObjectHandle object = in.objects.findObject(*screen, name);
  if (!object) return;
  // The flags are replaced as a whole: dragging on both axes, and clicks no longer report.
  screen->setObjectFlags(object, args.item[2][0] == '1' ? (OF_DRAG | OF_NO_CLICK) : 0);
}

void cmdGetcoord(Interpreter& in, CommandArgs& args) {
  Screen* screen = screenOf(in);
  if (!screen) return;
  const char* name = in.resolveItem(args, 1);
  if (!name) return;
  if (name[0] == '*') {
    storePair(in, args, screen->screenWidth() / 2, screen->screenHeight() / 2);
    return;
  }
  ObjectHandle object = in.objects.findObject(*screen, name);
  if (!object) return;
  ScreenRect rect = screen->windowRect(object);
  storePair(in, args, rect.left, rect.top);
}

void cmdGetsize(Interpreter& in, CommandArgs& args) {
  Screen* screen = screenOf(in);
  if (!screen) return;
  const char* name = in.resolveItem(args, 1);
  if (!name) return;
  if (name[0] == '*') {
    storePair(in, args, screen->screenWidth(), screen->screenHeight());
    return;
  }
  ObjectHandle object = in.objects.findObject(*screen, name);
  if (!object) return;
  ScreenRect rect = screen->windowRect(object);
  storePair(in, args, rect.right - rect.left, rect.bottom - rect.top);
}

}  // namespace vellaro
