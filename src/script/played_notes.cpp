#include "script/played_notes.h"

namespace vellaro {

// The melody capture records the learner's notes here; until it exists, nothing is kept.
void recordPlayedNote(Interpreter&, uint32_t, int) {}

}  // namespace vellaro
