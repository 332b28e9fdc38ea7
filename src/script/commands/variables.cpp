// Variables and store files.
// Not built yet: each handler does nothing.
#include "script/commands/commands.h"

namespace vellaro {

void cmdPoke(Interpreter&, CommandArgs&) {}
void cmdLet(Interpreter&, CommandArgs&) {}
void cmdMath(Interpreter&, CommandArgs&) {}
void cmdEval(Interpreter&, CommandArgs&) {}
void cmdRandom(Interpreter&, CommandArgs&) {}
void cmdInit(Interpreter&, CommandArgs&) {}
void cmdInc(Interpreter&, CommandArgs&) {}
void cmdStore(Interpreter&, CommandArgs&) {}
void cmdRestore(Interpreter&, CommandArgs&) {}

}  // namespace vellaro
