// Where the learner's notes enter the melody capture: every key press of the computer keyboard and
// every note-on of the MIDI keyboard. Called on the interpreter's thread (keys) and on the MIDI
// input thread (MIDI keyboard).
#pragma once

#include <cstdint>

namespace vellaro {

class Interpreter;

// note is the note the key started, or -1 for a key that started none (a key without a note, or
// an auto-repeated press).
void recordPlayedNote(Interpreter& in, uint32_t timeMs, int note);

}  // namespace vellaro
