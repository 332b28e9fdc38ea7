// The InstrumentBank: everything a note can be sounded with. Entries 0 to 99 hold WAV samples and
// General MIDI instruments in the order they were first asked for, plus a spare entry 100 that takes
// every new instrument once the 100 are used. Entries are never removed while the program runs.
//
// Threads: the interpreter and the MIDI input thread both use the bank without a lock. An entry is
// claimed with one compare-and-swap of its data pointer and published by storing the data pointer
// last (release); readers load it first (acquire).
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "sound/mixer.h"

namespace vellaro {

class MessageSink;
struct WavSample;

// A key of the PC keyboard as the window side reports it: the virtual-key code (letters and digits
// are their upper-case characters), pressed or released, and whether a press is an auto-repeat.
struct KeyEvent {
  unsigned code;
  bool down;
  bool repeated;
};
class MidiOutput;

constexpr int kBankEntries = 100;
constexpr int kSpareEntry = 100;
// What a failed load or an impossible request gives: an index that sounds nothing, rather than
// entry 0, which may hold an unrelated instrument.
constexpr int kNoInstrument = -1;
constexpr size_t kInstrumentNameLength = 82;

// Source tags: a note-off only stops sampled voices with the same tag, so releasing a key never
// stops a note the scenario started.
constexpr uint16_t kLiveTag = 8;
constexpr uint16_t kScriptTag = 88;
constexpr uint8_t kFullVelocity = 127;

enum class InstrumentKind : uint8_t { Sample = 0, Midi = 1 };

struct Instrument {
  std::atomic<const uint8_t*> data{nullptr};  // null: free. MIDI entries point at a marker byte
  // A sample to read again from its file at its next use (after a lesson was reloaded).
  std::atomic<bool> stale{false};
  // A sample whose file changed or went away: it is no longer found by its path. Its data stays,
  // since voices may still be playing it.
  std::atomic<bool> superseded{false};
  InstrumentKind kind = InstrumentKind::Sample;
  std::string name;  // the path, or the General MIDI name; at most 82 characters
  size_t size = 0;   // bytes of sample data, or the MIDI program number
  uint8_t groupFactor = 0;
  uint8_t channels = 0;
  uint8_t bitsFactor = 0;
  uint8_t speedFactor = 0;
  uint16_t pitchBase = 0;
  uint8_t octaveShift = 0;
  std::string key;  // the path exactly as asked for (kept whole, however long), or "*"
  std::unique_ptr<uint8_t[]> storage;

  SampleView view() const;
};

class VoicePlayer;

class InstrumentBank {
 public:
  // voices and midiOut may be absent; notes for them then sound nowhere.
  InstrumentBank(MessageSink& messages, VoicePlayer* voices, MidiOutput* midiOut);
  ~InstrumentBank();
  InstrumentBank(const InstrumentBank&) = delete;
  InstrumentBank& operator=(const InstrumentBank&) = delete;

  // The entry whose key equals path (0 to 99 only), else loadSample(path). A stale entry is read
  // again first: the same sound keeps its entry, a changed one gets a new entry.
  int findSample(const char* path);
  // Every sample is to be read again from its file at its next findSample: after a reload the
  // author's changed sounds are heard, while unchanged ones use no new entry.
  void markSamplesStale();
  // Reads the WAV file into a new entry, converted to what the mixer plays in tune
  // (sample_convert.h); kNoInstrument after "Cannot open WAV file %s", "It is not WAV file %s" or
  // the reason a sample cannot be played. A path beginning with "*" selects a MIDI program instead.
  int loadSample(const char* path);
  // The first entry made for this program, else addMidiInstrument. Programs above 127 have no
  // General MIDI instrument and give kNoInstrument.
  int findMidiInstrument(unsigned program);
  int addMidiInstrument(unsigned program);
  // The rule of play and of the live instrument: "*N" is MIDI program N (leading digits, none
  // giving 0), anything else the path of a WAV file.
  int instrumentFor(const char* text);

  // Sounds note on an entry: a sampled voice (the voice player's result) or MIDI note note + 48 (0).
  int noteOn(int entry, uint16_t note, uint16_t tag, uint8_t velocity = kFullVelocity);
  void noteOff(int entry, uint16_t note, uint16_t tag);

  // The PC keyboard as a two-row piano: the note a key press starts or a release stops, with tag
  // 8, or -1 when the key plays none (auto-repeat, gaps, arrows).
  int keyboardNote(const KeyEvent& key, int entry);
  // A short message from the MIDI keyboard: note-on and note-off on channel 1 sound MIDI note - 36
  // with tag 8 and return that note; everything else returns 0.
  int midiNote(uint8_t status, uint8_t data1, uint8_t data2, int entry);

  // A used entry, or nullptr for a free one or an index outside 0 to 100.
  const Instrument* entry(int index) const;

 private:
  struct Retired;

  int claimEntry();
  // Reads and converts the WAV file; false after the file's message.
  bool readSample(const char* path, WavSample& sample);
  int storeSample(const char* path, WavSample& sample);
  int refreshSample(int index, const char* path);
  void retire(std::unique_ptr<uint8_t[]> storage);

  MessageSink& messages_;
  VoicePlayer* voices_;
  MidiOutput* midiOut_;
  std::array<Instrument, kBankEntries + 1> entries_;
  // Sample data of replaced spare entries: voices may still be playing it, so it lives as long as
  // the bank.
  std::atomic<Retired*> retired_{nullptr};
};

// The key of the PC-keyboard piano for a virtual-key code: 0 for none, else the note plus 1.
int keyNoteValue(uintptr_t code);

}  // namespace vellaro
