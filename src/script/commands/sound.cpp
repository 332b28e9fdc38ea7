// Sound commands. Only pause is built yet; the others do nothing.
#include "script/commands/commands.h"

#include <cstdint>
#include <cstring>

#include "script/interpreter.h"
#include "script/services.h"
#include "script/text.h"

namespace vellaro {

void cmdPlay(Interpreter&, CommandArgs&) {}
// pause value [mode]: mode "ms" waits value milliseconds, "old" value x 40 ms, anything else a
// note length: tempo / value with value 1 to 128. A click that reports an object, or closing the
// window, ends the wait early; a duration of 0 or less dispatches pending messages once.
void cmdPause(Interpreter& interpreter, CommandArgs& args) {
  const char* value = interpreter.resolveArgument(args.item[1], "pause, value");
  if (!value) return;
  const char* mode = interpreter.resolveArgument(args.item[2], "pause, mode");
  if (!mode) return;
  if (!isNumber(value)) {
    interpreter.scriptError("pause: parameter 1 is not a number");
    return;
  }
  int64_t count = textToInt(value);
  int64_t duration = 0;
  if (std::strcmp(mode, "ms") == 0) {
    duration = count;
  } else if (std::strcmp(mode, "old") == 0) {
    duration = count * 40;
  } else {
    const char* tempo = interpreter.variables.getVariable("tempo");
    if (!tempo || !isNumber(tempo)) {
      interpreter.scriptError("pause  -- (tempo) variable is not a number");
      return;
    }
    if (count < 1 || count > 128) {
      interpreter.scriptError("pause -- parameter is out of range");
      return;
    }
    duration = static_cast<uint16_t>(textToInt(tempo) / count);  // kept to its low 16 bits
  }
  if (duration < 0) duration = 0;
  if (duration > UINT32_MAX) duration = UINT32_MAX;
  if (interpreter.services) interpreter.services->pumpFor(static_cast<uint32_t>(duration));
}
void cmdWait(Interpreter&, CommandArgs&) {}
void cmdMute(Interpreter&, CommandArgs&) {}

}  // namespace vellaro
