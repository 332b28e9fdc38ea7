// Pictures and the object registry.
// Not built yet: each handler does nothing.
#include "script/commands/commands.h"

namespace vellaro {

void cmdClear(Interpreter&, CommandArgs&) {}
void cmdRemove(Interpreter&, CommandArgs&) {}
void cmdShow(Interpreter&, CommandArgs&) {}
void cmdPreshow(Interpreter&, CommandArgs&) {}
void cmdHide(Interpreter&, CommandArgs&) {}
void cmdMove(Interpreter&, CommandArgs&) {}
void cmdDrag(Interpreter&, CommandArgs&) {}
void cmdGetcoord(Interpreter&, CommandArgs&) {}
void cmdGetsize(Interpreter&, CommandArgs&) {}

}  // namespace vellaro
