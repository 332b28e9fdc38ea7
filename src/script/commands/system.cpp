// exec, screen and debug: the shell, the display mode and the debug log switch.
#include <cstring>

#include "script/commands/commands.h"
#include "script/interpreter.h"

namespace vellaro {

// Not built yet: exec and screen do nothing.
void cmdExec(Interpreter&, CommandArgs&) {}

void cmdScreen(Interpreter&, CommandArgs&) {}

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
