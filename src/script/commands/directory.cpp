// setdir and userinstrument: the scenario directory and the instrument of the learner's keys.
#include "base/messages.h"
#include "script/commands/commands.h"
#include "script/interpreter.h"

namespace vellaro {

void cmdSetdir(Interpreter& in, CommandArgs& args) {
  const char* dir = in.resolveItem(args, 1);
  if (dir) in.variables.setVariable("base_dir", dir);
}

void cmdUserinstrument(Interpreter& in, CommandArgs& args) {
  const char* value = args.item[1];  // not resolved
  std::string instrument = value[0] == '*' ? std::string(value) : in.pathInBaseDir(value);
  in.variables.setVariable("userinstrument", instrument.c_str());
}

}  // namespace vellaro
