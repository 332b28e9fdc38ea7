// The learner's live instrument: the computer keyboard (laid out as a two-row piano) and the MIDI
// keyboard sound notes with the instrument that the variable userinstrument names, and every note
// they start goes to the melody capture.
#pragma once

#include <cstdint>

#include "sound/instrument_bank.h"

namespace vellaro {

class Interpreter;
class MidiInput;

// The bank entry of the live instrument: MIDI program 0 when userinstrument does not exist, MIDI
// program N for "*N", else the WAV file whose path the variable holds (loaded on first use).
int liveInstrument(Interpreter& in, InstrumentBank& bank);

// A key of the computer keyboard: starts or stops its note on the live instrument and hands every
// press to the melody capture with the time and the note (-1 when it started none). Returns the
// note, -1 or 0 as keyboardNote does; -1 without an instrument bank.
int playKey(Interpreter& in, const KeyEvent& key);

// The live MIDI handler, called on the MIDI input thread for each short message of the MIDI
// keyboard: sounds it through midiNote and hands every note-on to the melody capture.
int liveMidiHandler(uint8_t status, uint8_t data1, uint8_t data2);
// The state of the MIDI keyboard's input as the debug menu and the debug log give it: open, or no
// device (then only the computer keyboard plays). Without the platform side there is no input.
bool midiInputMissing(const Interpreter& in);
const char* midiInputState(const Interpreter& in);
// Installs the handler for this interpreter's run, and removes it again (messages are then dropped).
void installLiveMidiHandler(Interpreter& in, MidiInput& input);
void removeLiveMidiHandler(MidiInput& input);

}  // namespace vellaro
