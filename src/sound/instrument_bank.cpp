#include "sound/instrument_bank.h"

#include <cstring>

#include "base/message_sink.h"
#include "sound/midi.h"
#include "sound/sample_convert.h"
#include "sound/wav_reader.h"

namespace vellaro {
namespace {

// Data pointers that are not sample data: a MIDI entry is in use without data, and a claimed entry
// is being filled by some thread and is not to be read yet.
const uint8_t kMarkers[2] = {};
const uint8_t* const kMidiData = &kMarkers[0];
const uint8_t* const kClaimedEntry = &kMarkers[1];

constexpr uint8_t kMidiOctaveShift = 2;
constexpr uint16_t kPitchBase = 128;
constexpr uint32_t kSlowestRate = 11025;
constexpr unsigned kMidiPrograms = 128;

// Leading decimal digits, as a plain text-to-integer conversion reads them; no digits give 0.
unsigned programNumber(const char* digits) {
  unsigned value = 0;
  for (; *digits >= '0' && *digits <= '9'; ++digits) {
    if (value < kMidiPrograms) value = value * 10 + static_cast<unsigned>(*digits - '0');
  }
  return value;
}

void fillSample(Instrument& entry, const char* path, WavSample& sample) {
  entry.kind = InstrumentKind::Sample;
  entry.name.assign(path, strnlen(path, kInstrumentNameLength));
  entry.size = sample.size;
  entry.groupFactor = static_cast<uint8_t>(sample.format.blockAlign);
  entry.channels = static_cast<uint8_t>(sample.format.channels);
  entry.bitsFactor = static_cast<uint8_t>(sample.format.bitsPerSample / 8);
  entry.speedFactor = static_cast<uint8_t>(sample.format.sampleRate / kSlowestRate);
  entry.pitchBase = kPitchBase;
  entry.octaveShift = 0;
  entry.key = path;
  entry.storage = std::move(sample.data);
}

void fillMidi(Instrument& entry, unsigned program) {
  entry.kind = InstrumentKind::Midi;
  entry.name = generalMidiName(program);
  entry.size = program;
  entry.groupFactor = entry.channels = entry.bitsFactor = entry.speedFactor = 0;
  entry.pitchBase = 0;
  entry.octaveShift = kMidiOctaveShift;
  entry.key = "*";
}

}  // namespace

struct InstrumentBank::Retired {
  std::unique_ptr<uint8_t[]> storage;
  Retired* next;
};

SampleView Instrument::view() const {
  SampleView view;
  view.data = kind == InstrumentKind::Sample ? storage.get() : nullptr;
  view.size = size;
  view.groupFactor = groupFactor;
  view.channels = channels;
  view.bitsFactor = bitsFactor;
  view.speedFactor = speedFactor;
  view.pitchBase = pitchBase;
  return view;
}

InstrumentBank::InstrumentBank(MessageSink& messages, VoicePlayer* voices, MidiOutput* midiOut)
    : messages_(messages), voices_(voices), midiOut_(midiOut) {}

InstrumentBank::~InstrumentBank() {
  Retired* node = retired_.load(std::memory_order_acquire);
  while (node) {
    Retired* next = node->next;
    delete node;
    node = next;
  }
}

const Instrument* InstrumentBank::entry(int index) const {
  if (index < 0 || index > kSpareEntry) return nullptr;
  const Instrument& instrument = entries_[static_cast<size_t>(index)];
  const uint8_t* data = instrument.data.load(std::memory_order_acquire);
  return data && data != kClaimedEntry ? &instrument : nullptr;
}

int InstrumentBank::claimEntry() {
  for (int i = 0; i < kBankEntries; ++i) {
    const uint8_t* expected = nullptr;
    if (entries_[static_cast<size_t>(i)].data.compare_exchange_strong(expected, kClaimedEntry,
                                                                      std::memory_order_acquire)) {
      return i;
    }
  }
  // All 100 in use: the spare entry takes it, whatever it held. Another thread filling it right now
  // wins, and this request gets nothing.
  const uint8_t* previous = entries_[kSpareEntry].data.exchange(kClaimedEntry, std::memory_order_acquire);
  if (previous == kClaimedEntry) return kNoInstrument;
  retire(std::move(entries_[kSpareEntry].storage));
  return kSpareEntry;
}

void InstrumentBank::retire(std::unique_ptr<uint8_t[]> storage) {
  if (!storage) return;
  auto* node = new Retired{std::move(storage), retired_.load(std::memory_order_relaxed)};
  while (!retired_.compare_exchange_weak(node->next, node, std::memory_order_release)) {
  }
}

int InstrumentBank::findSample(const char* path) {
  if (path[0] == '*') return instrumentFor(path);
  for (int i = 0; i < kBankEntries; ++i) {
    const Instrument* used = entry(i);
    if (used && used->key == path) return i;
  }
  return loadSample(path);
}

int InstrumentBank::loadSample(const char* path) {
  if (path[0] == '*') return instrumentFor(path);
  WavSample sample;
  switch (readWavFile(path, sample)) {
    case WavResult::Loaded:
      break;
    case WavResult::CannotOpen:
      messages_.showMessage(std::string("Cannot open WAV file ") + path);
      return kNoInstrument;
    case WavResult::NotWave:
    case WavResult::NoData:  // a file that ends before its sound is no WAV file we can use
      messages_.showMessage(std::string("It is not WAV file ") + path);
      return kNoInstrument;
  }
  SampleProblem problem = prepareSample(sample);
  if (problem != SampleProblem::None) {
    messages_.showMessage(sampleProblemText(problem, path, sample.format));
    return kNoInstrument;
  }
  int index = claimEntry();
  if (index == kNoInstrument) return kNoInstrument;
  Instrument& slot = entries_[static_cast<size_t>(index)];
  fillSample(slot, path, sample);
  slot.data.store(slot.storage.get(), std::memory_order_release);
  return index;
}

int InstrumentBank::findMidiInstrument(unsigned program) {
  if (program >= kMidiPrograms) return kNoInstrument;
  for (int i = 0; i < kBankEntries; ++i) {
    const Instrument* used = entry(i);
    if (!used) {
      if (entries_[static_cast<size_t>(i)].data.load(std::memory_order_relaxed) == kClaimedEntry) continue;
      break;  // used entries form one run from index 0
    }
    if (used->kind == InstrumentKind::Midi && used->size == program) return i;
  }
  return addMidiInstrument(program);
}

int InstrumentBank::addMidiInstrument(unsigned program) {
  if (program >= kMidiPrograms) return kNoInstrument;
  int index = claimEntry();
  if (index == kNoInstrument) return kNoInstrument;
  Instrument& slot = entries_[static_cast<size_t>(index)];
  fillMidi(slot, program);
  slot.data.store(kMidiData, std::memory_order_release);
  return index;
}

int InstrumentBank::instrumentFor(const char* text) {
  if (text[0] == '*') return findMidiInstrument(programNumber(text + 1));
  return findSample(text);
}

int InstrumentBank::noteOn(int index, uint16_t note, uint16_t tag, uint8_t velocity) {
  const Instrument* instrument = entry(index);
  if (!instrument) return 0;
  auto shifted = static_cast<uint16_t>(note + 12 * instrument->octaveShift);
  if (instrument->kind == InstrumentKind::Midi) {
    if (midiOut_) {
      midiOut_->playNote(static_cast<uint8_t>(instrument->size), static_cast<uint16_t>(shifted + 24), velocity);
    }
    return 0;
  }
  return voices_ ? voices_->startVoice(instrument->view(), shifted, tag, velocity) : 0;
}

void InstrumentBank::noteOff(int index, uint16_t note, uint16_t tag) {
  const Instrument* instrument = entry(index);
  if (!instrument) return;
  auto shifted = static_cast<uint16_t>(note + 12 * instrument->octaveShift);
  if (instrument->kind == InstrumentKind::Midi) {
    if (midiOut_) midiOut_->stopNote(static_cast<uint16_t>(shifted + 24));
    return;
  }
  if (voices_) voices_->stopVoice(instrument->view(), shifted, tag);
}

}  // namespace vellaro
