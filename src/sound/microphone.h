// The learner's microphone as the interpreter sees it: listening starts and stops, the level of the
// last 100 ms is read, and every note heard goes to a HeardNotes with the moment its sound began on
// the clock that check compares (Host::clockMs). The Win32 player captures through WINMM; a
// headless run hears the recordings its steps name.
#pragma once

#include <cstdint>
#include <string>

#include "sound/note_listener.h"

namespace vellaro {

// Where a microphone hands over what it hears. Called on the microphone's own thread, so an
// implementation must take notes from another thread at any time (the melody capture does).
class HeardNotes {
 public:
  virtual ~HeardNotes() = default;
  // timeMs: when the note's sound began, on the clock of check; note: MIDI pitch - 36, or -1 for a
  // clap.
  virtual void heard(uint32_t timeMs, int note) = 0;
};

// The reason a microphone gives when the system has no capture device at all.
inline constexpr const char kNoMicrophone[] = "no microphone";

class Microphone {
 public:
  virtual ~Microphone() = default;
  // Opens the capture device and hears in mode until stop, handing every note to notes. Starting
  // while listening starts over in the new mode. "" when it listens; otherwise why it cannot
  // (kNoMicrophone, or the device's own reason), and nothing is heard.
  virtual std::string start(ListenMode mode, HeardNotes& notes) = 0;
  // Closes the device; nothing more reaches the HeardNotes once it returns. Harmless when not
  // listening.
  virtual void stop() = 0;
  // The input level of the last 100 ms, 0 (silence) to 100 (full scale); 0 while not listening.
  virtual int level() = 0;
  // Whether every note heard so far has gone out: the sound has stopped and none waits for its
  // pitch (a note goes out a few hundredths of a second after its sound began). True while not
  // listening.
  virtual bool settled() { return true; }
};

}  // namespace vellaro
