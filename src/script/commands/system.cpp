// exec, screen and debug: the shell, the display mode and the debug log switch.
#include <cstring>

#include "script/commands/commands.h"
#include "script/interpreter.h"
#include "script/services.h"
#include "script/text.h"

namespace vellaro {
namespace {

constexpr int kDefaultColourBits = 32;
constexpr int kDefaultRefreshHz = 75;

}  // namespace

// After a missing variable's message the command has no target and does nothing more.
void cmdExec(Interpreter& in, CommandArgs& args) {
  const char* target = in.resolveArgument(args.item[1], "exec");
  if (!target || !in.services) return;
  if (!in.services->openWithShell(target)) in.scriptError("exec  -- cannot launch document/application (%s)", target);
}

void cmdScreen(Interpreter& in, CommandArgs& args) {
  // All three are resolved (each may report a missing variable) before any is tested.
  const char* width = in.resolveArgument(args.item[1], "screen: width");
  const char* bits = in.resolveArgument(args.item[2], "screen: color");
  const char* frequency = in.resolveArgument(args.item[3], "screen: frequency");
  if (!width || !bits || !frequency) return;
  const char* notNumber = !isNumber(width) ? "width" : !isNumber(bits) ? "color" : !isNumber(frequency) ? "frequency"
                                                                                                      : nullptr;
  if (notNumber) {
    in.scriptError("screen: %s is not a number", notNumber);
    return;
  }
  int pixels = textToInt(width);
  int depth = bits[0] ? textToInt(bits) : kDefaultColourBits;
  int rate = frequency[0] ? textToInt(frequency) : kDefaultRefreshHz;
  if (in.services && !in.services->switchDisplayMode(pixels, depth, rate)) {
    in.scriptError("screen: no such screen resolution available: width=%d, colorsBit=%d, frequency=%d", pixels, depth,
                   rate);
  }
}

void cmdDebug(Interpreter& in, CommandArgs& args) {
  const char* mode = args.item[1];  // used as written
  if (std::strcmp(mode, "on") == 0) {
    in.debugLogOn = true;
  } else if (std::strcmp(mode, "off") == 0) {
    in.debugLogOn = false;
  } else {
    in.scriptError("debug  -- unknown mode");
  }
}

}  // namespace vellaro
