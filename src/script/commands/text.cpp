// Text labels and edit fields.
// Not built yet: each handler does nothing.
#include "script/commands/commands.h"

namespace vellaro {

void cmdPrint(Interpreter&, CommandArgs&) {}
void cmdText(Interpreter&, CommandArgs&) {}
void cmdFont(Interpreter&, CommandArgs&) {}
void cmdGettext(Interpreter&, CommandArgs&) {}
void cmdInput(Interpreter&, CommandArgs&) {}

}  // namespace vellaro
