#include "sound/instrument_bank.h"

#include <cstring>

#include "base/text_format.h"
#include "base/messages.h"
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

// True when the converted sample is what the entry already holds (the fields as fillSample sets them).
bool sameSound(const Instrument& entry, const WavSample& sample) {
  const WavFormat& format = sample.format;
  return entry.kind == InstrumentKind::Sample && entry.size == sample.size &&
         entry.groupFactor == static_cast<uint8_t>(format.blockAlign) &&
         entry.channels == static_cast<uint8_t>(format.channels) &&
         entry.bitsFactor == static_cast<uint8_t>(format.bitsPerSample / 8) &&
         entry.speedFactor == static_cast<uint8_t>(format.sampleRate / kSlowestRate) &&
         std::memcmp(entry.storage.get(), sample.data.get(), sample.size) == 0;
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
    if (!used || used->superseded.load(std::memory_order_acquire) || used->key != path) continue;
    return used->stale.load(std::memory_order_acquire) ? refreshSample(i, path) : i;
  }
  return loadSample(path);
}

void InstrumentBank::markSamplesStale() {
  for (int i = 0; i <= kSpareEntry; ++i) {
    const Instrument* used = entry(i);
    if (used && used->kind == InstrumentKind::Sample) entries_[static_cast<size_t>(i)].stale.store(true, std::memory_order_release);
  }
}

bool InstrumentBank::readSample(const char* path, WavSample& sample) {
  switch (readWavFile(path, sample)) {
    case WavResult::Loaded:
      break;
    case WavResult::CannotOpen:
      messages_.showMessage(format(kWavCannotOpen, path));
      return false;
    case WavResult::NotWave:
    case WavResult::NoData:  // a file that ends before its sound is no WAV file we can use
      messages_.showMessage(format(kWavNotWav, path));
      return false;
  }
  SampleProblem problem = prepareSample(sample);
  if (problem != SampleProblem::None) {
    messages_.showMessage(sampleProblemText(problem, path, sample.format));
    return false;
  }
  return true;
}

int InstrumentBank::storeSample(const char* path, WavSample& sample) {
  int index = claimEntry();
  if (index == kNoInstrument) return kNoInstrument;
  Instrument& slot = entries_[static_cast<size_t>(index)];
  slot.stale.store(false, std::memory_order_relaxed);
  slot.superseded.store(false, std::memory_order_relaxed);
  fillSample(slot, path, sample);
  slot.data.store(slot.storage.get(), std::memory_order_release);
  return index;
}

int InstrumentBank::loadSample(const char* path) {
  if (path[0] == '*') return instrumentFor(path);
  WavSample sample;
  if (!readSample(path, sample)) return kNoInstrument;
  return storeSample(path, sample);
}

// The thread that clears the stale mark reads the file; one that comes meanwhile plays the entry
// as it is. A file that is gone or broken now is reported as on a first load.
int InstrumentBank::refreshSample(int index, const char* path) {
  Instrument& old = entries_[static_cast<size_t>(index)];
  if (!old.stale.exchange(false, std::memory_order_acq_rel)) return index;
  WavSample sample;
  if (!readSample(path, sample)) {
    old.superseded.store(true, std::memory_order_release);
    return kNoInstrument;
  }
  if (sameSound(old, sample)) return index;
  int fresh = storeSample(path, sample);
  if (fresh != kNoInstrument) old.superseded.store(true, std::memory_order_release);
  return fresh;
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
