#include "sound/win32_midi.h"

#include "base/messages.h"

#include "base/message_sink.h"

namespace vellaro {

MidiOut::MidiOut(uint8_t deviceIndex, MessageSink& messages) : MidiOutput(static_cast<MidiSink&>(*this), messages) {
  if (midiOutOpen(&handle_, deviceIndex, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) handle_ = nullptr;
}

MidiOut::~MidiOut() {
  if (handle_) midiOutClose(handle_);  // no note-offs first
}

MidiResult MidiOut::sendShortMessage(uint32_t message) {
  switch (midiOutShortMsg(handle_, message)) {
    case MMSYSERR_NOERROR:
      return MidiResult::Ok;
    case MMSYSERR_INVALHANDLE:
      return MidiResult::InvalidHandle;
    case MIDIERR_NOTREADY:
      return MidiResult::NotReady;
    case MIDIERR_BADOPENMODE:
      return MidiResult::BadOpenMode;
    default:
      return MidiResult::OtherError;
  }
}

MidiIn::MidiIn(uint8_t deviceIndex, MessageSink& messages) {
  if (midiInOpen(&handle_, deviceIndex, reinterpret_cast<DWORD_PTR>(&MidiIn::onInput),
                 reinterpret_cast<DWORD_PTR>(this), CALLBACK_FUNCTION) != MMSYSERR_NOERROR) {
    handle_ = nullptr;
    messages.showMessage(kMidiInCannotOpen);
  }
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
