#include "sound/win32_midi.h"

#include "base/message_sink.h"

namespace vellaro {

MidiOut::MidiOut(uint8_t deviceIndex, MessageSink& messages) : MidiOutput(static_cast<MidiSink&>(*this), messages) {
  if (midiOutOpen(&handle_, deviceIndex, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) handle_ = nullptr;
}

MidiOut::~MidiOut() {
  if (handle_) midiOutClose(handle_);  // no note-offs first
}

MidiResult MidiOut::sendShortMessage(uint32_t message) {
  return midiOutShortMsg(handle_, message) == MMSYSERR_NOERROR ? MidiResult::Ok : MidiResult::Refused;
}

MidiIn::MidiIn(uint8_t deviceIndex) {
  bool opened = midiInOpen(&handle_, deviceIndex, reinterpret_cast<DWORD_PTR>(&MidiIn::onInput),
                           reinterpret_cast<DWORD_PTR>(this), CALLBACK_FUNCTION) == MMSYSERR_NOERROR;
  if (!opened) handle_ = nullptr;
  setDeviceOpen(opened);
  // Also after a failed open: the calls then fail quietly on the null handle.
  midiInReset(handle_);
  midiInStart(handle_);
}

MidiIn::~MidiIn() {
  midiInReset(handle_);
  midiInClose(handle_);
}

void CALLBACK MidiIn::onInput(HMIDIIN, UINT message, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR) {
  if (message != MIM_DATA) return;  // open, close, errors and long messages are not passed on
  reinterpret_cast<const MidiIn*>(instance)->deliverShortMessage(static_cast<uint32_t>(param1));
}

}  // namespace vellaro
