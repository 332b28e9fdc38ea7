// Sound commands.
// Not built yet: each handler does nothing.
#include "script/commands/commands.h"

namespace vellaro {

void cmdPlay(Interpreter&, CommandArgs&) {}
void cmdPause(Interpreter&, CommandArgs&) {}
void cmdWait(Interpreter&, CommandArgs&) {}
void cmdMute(Interpreter&, CommandArgs&) {}

}  // namespace vellaro
