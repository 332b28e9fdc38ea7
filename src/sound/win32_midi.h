// MidiOut and MidiIn on Windows MIDI devices. Win32 only.
#pragma once

#include <windows.h>
// mmsystem.h needs the types of windows.h first.
#include <mmsystem.h>

#include <cstdint>

#include "sound/midi.h"

namespace vellaro {

class MessageSink;

// A MIDI output device. A failed open is not reported here and leaves a null handle, so every note
// is then refused by the device; the first refusal of the run shows one box.
class MidiOut final : private MidiSink, public MidiOutput {
 public:
  MidiOut(uint8_t deviceIndex, MessageSink& messages);
  ~MidiOut() override;
  MidiOut(const MidiOut&) = delete;
  MidiOut& operator=(const MidiOut&) = delete;

 private:
  MidiResult sendShortMessage(uint32_t message) override;

  HMIDIOUT handle_ = nullptr;
};

// A MIDI input device whose short messages reach the handler installed with setHandler, on the
// driver's callback thread. A failed open shows no box (most machines have no MIDI keyboard); it
// leaves deviceOpen false, which the debug menu and the debug log report.
class MidiIn final : public MidiInput {
 public:
  explicit MidiIn(uint8_t deviceIndex);
  ~MidiIn();
  MidiIn(const MidiIn&) = delete;
  MidiIn& operator=(const MidiIn&) = delete;

 private:
  static void CALLBACK onInput(HMIDIIN handle, UINT message, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR param2);

  HMIDIIN handle_ = nullptr;
};

}  // namespace vellaro
