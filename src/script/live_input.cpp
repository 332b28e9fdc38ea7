#include "script/live_input.h"

#include "base/messages.h"

#include <atomic>
#include <string>

#include "script/host.h"
#include "script/interpreter.h"
#include "script/played_notes.h"
#include "script/services.h"
#include "sound/midi.h"

namespace vellaro {
namespace {

constexpr uint8_t kNoteOnStatus = 0x90;  // channel 1 only

// The interpreter whose run receives the MIDI keyboard. The handler is a plain function pointer
// called on the driver's thread, so it finds the run here.
std::atomic<Interpreter*> g_midiRun{nullptr};

InstrumentBank* bankOf(Interpreter& in) { return in.services ? in.services->instruments : nullptr; }

}  // namespace

int liveInstrument(Interpreter& in, InstrumentBank& bank) {
  const char* value = in.variables.getVariable("userinstrument");
  if (!value) return bank.findMidiInstrument(0);
  // The MIDI thread reads the variable while the script may change it: work on a copy.
  const std::string choice(value);
  return bank.instrumentFor(choice.c_str());
}

int playKey(Interpreter& in, const KeyEvent& key) {
  InstrumentBank* bank = bankOf(in);
  int note = bank ? bank->keyboardNote(key, liveInstrument(in, *bank)) : -1;
  if (key.down) recordPlayedNote(in, in.host.clockMs(), note);
  return note;
}

int liveMidiHandler(uint8_t status, uint8_t data1, uint8_t data2) {
  Interpreter* in = g_midiRun.load(std::memory_order_acquire);
  InstrumentBank* bank = in ? bankOf(*in) : nullptr;
  if (!bank) return 0;
  int note = bank->midiNote(status, data1, data2, liveInstrument(*in, *bank));
  if (status == kNoteOnStatus && data2 != 0) recordPlayedNote(*in, in->host.clockMs(), note);
  return 0;
}

bool midiInputMissing(const Interpreter& in) {
  return !in.services || !in.services->midiIn || !in.services->midiIn->deviceOpen();
}

const char* midiInputState(const Interpreter& in) { return midiInputMissing(in) ? kMidiInMissing : kMidiInOpen; }

void installLiveMidiHandler(Interpreter& in, MidiInput& input) {
  g_midiRun.store(&in, std::memory_order_release);
  input.setHandler(liveMidiHandler);
}

void removeLiveMidiHandler(MidiInput& input) {
  input.setHandler(nullptr);
  g_midiRun.store(nullptr, std::memory_order_release);
}

}  // namespace vellaro
