// The platform side of the interpreter that commands reach beyond the Host: windows, waits, sound.
// The Win32 player provides it; unit tests run without it or with fakes.
#pragma once

#include <cstdint>

#include "sound/microphone.h"
#include "sound/mixer.h"

namespace vellaro {

class Interpreter;
class Screen;
class InstrumentBank;
class MidiInput;
class MidiOutput;

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

  // exec: opens the target (a document, a program, anything the shell knows) with the shell's
  // default action and does not wait for it; false when the shell cannot open it.
  virtual bool openWithShell(const char* /*target*/) { return false; }
  // screen: switches the display to the first mode of the primary display with this width, colour
  // depth and refresh rate; false when there is none. Either way the display mode that was active
  // is restored when the run stops.
  virtual bool switchDisplayMode(int /*width*/, int /*bits*/, int /*frequency*/) { return false; }

  // The window side of the picture commands; null where there are no windows.
  Screen* screen = nullptr;

  // The sound side of play, wait and mute; each is null where it is absent.
  InstrumentBank* instruments = nullptr;
  MidiOutput* midiOut = nullptr;
  VoicePlayer* voices = nullptr;
  // The MIDI keyboard; the run installs its live handler on it. Null where there is none.
  MidiInput* midiIn = nullptr;
  // The microphone of listen; the run stops it when it ends. Null where there is none.
  Microphone* microphone = nullptr;
};

// True when no sampled voice sounds: what ifsilent and wait ask. Without the platform side or a
// voice player nothing can sound.
inline bool soundIsSilent(const CommandServices* services) {
  return !services || !services->voices || services->voices->isSilent();
}

}  // namespace vellaro
