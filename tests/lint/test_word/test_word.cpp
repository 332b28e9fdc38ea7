// The handler of the test build's extra word: it is never run, only listed and checked.
#include "script/commands/commands.h"

namespace vellaro {

void cmdTestWord(Interpreter&, CommandArgs&) {}

}  // namespace vellaro
