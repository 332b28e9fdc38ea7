// The platform side of the interpreter that commands reach beyond the Host: windows, waits, sound.
// The Win32 player provides it; unit tests run without it or with fakes.
#pragma once

#include <cstdint>

namespace vellaro {

class Interpreter;
class Screen;
class InstrumentBank;
class MidiOutput;
class VoicePlayer;

struct CommandServices {
  virtual ~CommandServices() = default;
  // A run starts: install the interpreter's message hook and the live MIDI handler.
  virtual void runStarted(Interpreter&) {}
  // The run stopped: remove them and restore a display mode that a scenario changed.
  virtual void runStopped(Interpreter&) {}

  // The waits of the user-interface thread, all on the main window. They dispatch window messages,
  // so window procedures and the interpreter's hook run inside them.
  virtual void pumpPending() {}
  virtual void pumpFor(uint32_t /*durationMs*/) {}
  virtual void waitForWake() {}
  virtual void waitForWakeOrTimeout(uint32_t /*durationMs*/) {}
  // Called by the main loop while a script runs for a long time without waiting: lets pending
  // window messages through, all but the mouse's, which stay queued for the next wait (a click is
  // what input reads). False when the program is to end (the main window is gone, or WM_QUIT).
  virtual bool pumpWhileRunning() { return true; }

  // The window side of the picture commands; null where there are no windows.
  Screen* screen = nullptr;

  // The sound side of play, wait and mute; each is null where it is absent.
  InstrumentBank* instruments = nullptr;
  MidiOutput* midiOut = nullptr;
  VoicePlayer* voices = nullptr;
};

}  // namespace vellaro
