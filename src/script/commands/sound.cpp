// Sound commands: play, pause, wait and mute.
#include "base/messages.h"
#include "script/commands/commands.h"

#include <cstdint>
#include <cstring>

#include "script/host.h"
#include "script/interpreter.h"
#include "script/services.h"
#include "script/text.h"
#include "sound/instrument_bank.h"
#include "sound/midi.h"
#include "sound/mixer.h"

namespace vellaro {

// play instrument note: "*N" is MIDI program N, anything else a WAV file in base_dir. The sample
// is loaded even when the note then turns out not to be a number.
void cmdPlay(Interpreter& in, CommandArgs& args) {
  const char* instrument = in.resolveItem(args, 1);
  const char* note = in.resolveItem(args, 2);
  if (!instrument || !note) return;  // the resolver has said which variable is missing
  InstrumentBank* bank = in.services ? in.services->instruments : nullptr;
  int entry = kNoInstrument;
  if (bank) {
    entry = instrument[0] == '*' ? bank->instrumentFor(instrument)
                                 : bank->findSample(in.pathInBaseDir(instrument).c_str());
  }
  if (!isNumber(note)) {
    in.scriptError(kPlayNoteNotNumber);
    return;
  }
  uint16_t number = static_cast<uint16_t>(textToInt(note));
  if (bank) bank->noteOn(entry, number, kScriptTag, kFullVelocity);
  // In a capture of mode all, every note the scenario sounds is one the learner should play along.
  in.capture.recordSounded(in.host.clockMs(), number);
}

// pause value [mode]: mode "ms" waits value milliseconds, "old" value x 40 ms, anything else a
// note length: tempo / value with value 1 to 128. A click that reports an object, or closing the
// window, ends the wait early; a duration of 0 or less dispatches pending messages once.
void cmdPause(Interpreter& in, CommandArgs& args) {
  const char* value = in.resolveItem(args, 1);
  if (!value) return;
  const char* mode = in.resolveItem(args, 2);
  if (!mode) return;
  if (!isNumber(value)) {
    in.scriptError(kPauseValueNotNumber);
    return;
  }
  int64_t count = textToInt(value);
  int64_t duration = 0;
  if (std::strcmp(mode, "ms") == 0) {
    duration = count;
  } else if (std::strcmp(mode, "old") == 0) {
    duration = count * 40;
  } else {
    const char* tempo = in.variables.getVariable("tempo");
    if (!tempo || !isNumber(tempo)) {
      in.scriptError(kPauseTempoNotNumber);
      return;
    }
    if (count < 1 || count > 128) {
      in.scriptError(kPauseOutOfRange);
      return;
    }
    duration = static_cast<uint16_t>(textToInt(tempo) / count);  // kept to its low 16 bits
  }
  if (duration < 0) duration = 0;
  if (duration > UINT32_MAX) duration = UINT32_MAX;
  if (in.services) in.services->pumpFor(static_cast<uint32_t>(duration));
}

// wait: dispatches pending window messages until no sampled voice sounds or the program is asked to
// quit or to reload the lesson. MIDI notes are not waited for. Without the platform side nothing could end a sound, so it
// returns at once.
void cmdWait(Interpreter& in, CommandArgs&) {
  CommandServices* services = in.services;
  if (!services) return;
  do {
    services->pumpPending();
  } while (!soundIsSilent(services) && !in.waitInterrupted());
}

// mute: all MIDI notes off, then every voice stopped. Nothing is reported.
void cmdMute(Interpreter& in, CommandArgs&) {
  CommandServices* services = in.services;
  if (!services) return;
  if (services->midiOut) services->midiOut->allNotesOff();
  if (services->voices) services->voices->stopAllVoices();
}

}  // namespace vellaro
