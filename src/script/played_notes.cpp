#include "script/played_notes.h"

#include "script/interpreter.h"

namespace vellaro {

// The capture decides: nothing is kept while it is off, and notes past the table's 500 are dropped.
void recordPlayedNote(Interpreter& in, uint32_t timeMs, int note) { in.capture.recordPlayed(timeMs, note); }

}  // namespace vellaro
