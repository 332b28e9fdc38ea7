// MIDI output and input as short messages on channel 1. The packing and the error reports are
// portable; the Win32 side supplies a MidiSink (midiOutShortMsg) and feeds MidiInput from the
// driver's callback.
#pragma once

#include <atomic>
#include <cstdint>

namespace vellaro {

class MessageSink;

// What the device answered to a short message. Every refusal means the same to a lesson author:
// the MIDI instruments are silent.
enum class MidiResult { Ok, Refused };
constexpr uint16_t kMaxMidiNote = 127;

// Status in bits 0-7, first data byte in bits 8-15, second in bits 16-23: midiOutShortMsg's layout.
constexpr uint32_t packShortMessage(uint8_t status, uint8_t data1, uint8_t data2) {
  return uint32_t{status} | uint32_t{data1} << 8 | uint32_t{data2} << 16;
}

// Sends one packed short message and gives the device's answer.
class MidiSink {
 public:
  virtual ~MidiSink() = default;
  virtual MidiResult sendShortMessage(uint32_t message) = 0;
};

class MidiOutput {
 public:
  MidiOutput(MidiSink& sink, MessageSink& messages) : sink_(sink), messages_(messages) {}

  // Program change, then note-on; only the note-on's result is reported, and only the first refusal
  // of the run shows a box (one that says what to do); later refusals are silent. Notes above 127
  // do not fit a data byte and send nothing.
  int playNote(uint8_t program, uint16_t note, uint8_t velocity);
  // Note-on with velocity 0, then note-off; only the note-off's result is reported.
  int stopNote(uint16_t note);
  // Note-off for every note 0 to 127; results are ignored.
  void allNotesOff();

 private:
  void report(MidiResult result);

  MidiSink& sink_;
  MessageSink& messages_;
  // Notes come from the interpreter's thread and from the MIDI input thread; one of them shows the box.
  std::atomic<bool> refusalShown_{false};
};

// Receives each short message from the MIDI keyboard as status, data1, data2; the result is ignored.
using MidiHandler = int (*)(uint8_t status, uint8_t data1, uint8_t data2);

class MidiInput {
 public:
  // Whether a MIDI input device could be opened; the platform side says so once it has tried.
  bool deviceOpen() const { return deviceOpen_; }
  void setDeviceOpen(bool open) { deviceOpen_ = open; }

  // A null handler stops delivery. One pointer store, made from the interpreter's thread.
  void setHandler(MidiHandler handler) { handler_.store(handler, std::memory_order_release); }
  // Called on the driver's thread for every short message, packed as the driver delivers it.
  void deliverShortMessage(uint32_t message) const;

 private:
  std::atomic<MidiHandler> handler_{nullptr};
  bool deviceOpen_ = false;
};

// The General MIDI name of a program 0 to 127; "" for any other number.
const char* generalMidiName(unsigned program);
// The family ("Piano", "Organ", ...) of a program 0 to 127; "" for any other number.
const char* generalMidiFamily(unsigned program);

}  // namespace vellaro
