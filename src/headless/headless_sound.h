// Sound without a sound card: sampled voices and MIDI notes are written to the transcript with
// their virtual times. A sampled voice sounds for as long as the mixer would play it (its frames
// at the note's rate), so that wait and ifsilent end on the virtual clock.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <vector>

#include "headless/headless_transcript.h"
#include "sound/midi.h"
#include "sound/mixer.h"

namespace vellaro {

class InstrumentBank;

// Milliseconds a voice of this sample plays at this note: what the mixer takes to reach its end.
uint64_t voiceDurationMs(const SampleView& sample, uint16_t note);

class HeadlessVoices final : public VoicePlayer {
 public:
  HeadlessVoices(const VirtualClock& clock, Transcript& transcript) : clock_(clock), transcript_(transcript) {}
  // The bank whose entries name the samples in the transcript.
  void nameSamplesFrom(const InstrumentBank* bank) { bank_ = bank; }

  int startVoice(const SampleView& sample, uint16_t note, uint16_t tag, uint8_t velocity) override;
  int stopVoice(const SampleView& sample, uint16_t note, uint16_t tag) override;
  void stopAllVoices() override;
  bool isSilent() const override { return !nextEnd(); }
  // No device plays the voices: a sample is heard at the moment it starts.
  uint32_t outputDelayMs() const override { return 0; }
  // The elapsed time at which the first sounding voice ends, none when all are silent.
  std::optional<uint64_t> nextEnd() const;

 private:
  struct Voice {
    const uint8_t* data;
    uint16_t note;
    uint16_t tag;
    uint64_t endsAt;
  };
  std::string sampleName(const uint8_t* data) const;
  int sounding() const;

  const VirtualClock& clock_;
  Transcript& transcript_;
  const InstrumentBank* bank_ = nullptr;
  std::vector<Voice> voices_;
};

// A MIDI device that writes the notes it is sent. Note-offs are written only for notes that sound,
// so that mute's 128 note-offs leave no more lines than there were notes.
class HeadlessMidi final : public MidiSink {
 public:
  explicit HeadlessMidi(Transcript& transcript) : transcript_(transcript) {}
  MidiResult sendShortMessage(uint32_t message) override;

 private:
  Transcript& transcript_;
  uint8_t program_[16] = {};
  std::set<uint16_t> sounding_;  // channel * 128 + note
};

}  // namespace vellaro
