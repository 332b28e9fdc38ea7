// Melody capture and checking.
// Not built yet: each handler does nothing.
#include "script/commands/commands.h"

namespace vellaro {

void cmdMelody(Interpreter&, CommandArgs&) {}
void cmdExpect(Interpreter&, CommandArgs&) {}
void cmdRdiagram(Interpreter&, CommandArgs&) {}
void cmdCheck(Interpreter&, CommandArgs&) {}

}  // namespace vellaro
