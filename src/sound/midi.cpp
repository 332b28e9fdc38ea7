#include "sound/midi.h"

#include "base/messages.h"

#include <algorithm>

#include "base/message_sink.h"

namespace vellaro {
namespace {

constexpr uint8_t kProgramChange = 0xC0;
constexpr uint8_t kNoteOn = 0x90;
constexpr uint8_t kNoteOff = 0x80;

}  // namespace

int MidiOutput::playNote(uint8_t program, uint16_t note, uint8_t velocity) {
  if (note > kMaxMidiNote) return 0;
  auto data1 = static_cast<uint8_t>(note);
  auto loudness = static_cast<uint8_t>(std::min<unsigned>(velocity, 127));
  // The program goes out before every note, so notes of different instruments share channel 1.
  sink_.sendShortMessage(packShortMessage(kProgramChange, program & 0x7F, 0));
  report(sink_.sendShortMessage(packShortMessage(kNoteOn, data1, loudness)));
  return 0;
}

int MidiOutput::stopNote(uint16_t note) {
  if (note > kMaxMidiNote) return 0;
  auto data1 = static_cast<uint8_t>(note);
  // Some devices ignore note-off messages; a velocity-0 note-on silences them too.
  sink_.sendShortMessage(packShortMessage(kNoteOn, data1, 0));
  report(sink_.sendShortMessage(packShortMessage(kNoteOff, data1, 0)));
  return 0;
}

void MidiOutput::allNotesOff() {
  for (unsigned note = 0; note <= kMaxMidiNote; ++note) {
    sink_.sendShortMessage(packShortMessage(kNoteOff, static_cast<uint8_t>(note), 0));
  }
}

void MidiOutput::report(MidiResult result) {
  if (result == MidiResult::Ok) return;
  // A lesson without a synthesizer refuses every note; one box is enough to say so.
  if (refusalShown_.exchange(true)) return;
  messages_.showMessage(kMidiOutNoSynthesizer);
}

void MidiInput::deliverShortMessage(uint32_t message) const {
  MidiHandler handler = handler_.load(std::memory_order_acquire);
  if (!handler) return;
  handler(static_cast<uint8_t>(message), static_cast<uint8_t>(message >> 8), static_cast<uint8_t>(message >> 16));
}

}  // namespace vellaro
