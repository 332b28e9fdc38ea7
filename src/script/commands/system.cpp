// exec, screen and debug: the shell, the display mode and the debug log switch.
#include <cstring>

#include "base/messages.h"
#include "script/commands/commands.h"
#include "script/debug_log.h"
#include "script/interpreter.h"
#include "script/live_input.h"
#include "script/services.h"
#include "script/text.h"

namespace vellaro {
namespace {

constexpr int kDefaultColourBits = 32;
constexpr int kDefaultRefreshHz = 75;

}  // namespace

// After a missing variable's message the command has no target and does nothing more.
void cmdExec(Interpreter& in, CommandArgs& args) {
  const char* target = in.resolveItem(args, 1);
  if (!target || !in.services) return;
  if (!in.services->openWithShell(target)) in.scriptError(kExecFailed, target);
}

void cmdScreen(Interpreter& in, CommandArgs& args) {
  // All three are resolved (each may report a missing variable) before any is tested.
  const char* width = in.resolveItem(args, 1);
  const char* bits = in.resolveItem(args, 2);
  const char* frequency = in.resolveItem(args, 3);
  if (!width || !bits || !frequency) return;
  const char* problem = !isNumber(width)       ? kScreenWidthNotNumber
                        : !isNumber(bits)      ? kScreenColourNotNumber
                        : !isNumber(frequency) ? kScreenFrequencyNotNumber
                                               : nullptr;
  if (problem) {
    in.scriptError("%s", problem);
    return;
  }
  int pixels = textToInt(width);
  int depth = bits[0] ? textToInt(bits) : kDefaultColourBits;
  int rate = frequency[0] ? textToInt(frequency) : kDefaultRefreshHz;
  if (in.services && !in.services->switchDisplayMode(pixels, depth, rate)) {
    in.scriptError(kScreenModeMissing, pixels, depth, rate);
  }
}

void cmdDebug(Interpreter& in, CommandArgs& args) {
  const char* mode = args.item[1];  // used as written
  if (std::strcmp(mode, "on") == 0) {
    // Start-up shows no box about the MIDI keyboard, so a log that comes on begins with its state.
    if (!in.debugLogOn) appendDebugLogNote(midiInputState(in));
    in.debugLogOn = true;
  } else if (std::strcmp(mode, "off") == 0) {
    in.debugLogOn = false;
  } else {
    in.scriptError(kDebugUnknownMode);
  }
}

}  // namespace vellaro
