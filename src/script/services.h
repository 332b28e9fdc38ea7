// The platform side of the interpreter that commands reach beyond the Host: windows, sound, MIDI.
// The Win32 player provides it; unit tests run without it or with fakes.
#pragma once

namespace vellaro {

class Interpreter;

struct CommandServices {
  virtual ~CommandServices() = default;
  // A run starts: install the interpreter's message hook and the live MIDI handler.
  virtual void runStarted(Interpreter&) {}
  // The run stopped: remove them and restore a display mode that a scenario changed.
  virtual void runStopped(Interpreter&) {}
  // Pointers to the interfaces of the window and sound sides are added here as they are built.
};

}  // namespace vellaro
