// Sound without a sound card. Sampled voices play on the player's own Mixer and OutputLoop, as the
// Win32 engine plays them: a tick every 10 ms of the virtual clock writes 70 ms ahead of a play
// cursor that moves with the clock, so that what a lesson starts is heard 60 to 70 ms later, and a
// voice ends, wait returns and a 61st voice is dropped exactly when the mixer says so. A key's
// voice goes into the frames already written, from a write cursor kept kWriteCursorFrames (10 ms)
// ahead of the play cursor, where a sound card's driver typically keeps it. Voices and MIDI notes
// are written to the transcript with their virtual times; what the loop played can be kept as
// 44100 Hz 16-bit stereo frames (lessontest --audio). MIDI notes go to the synthesizer, not to the
// loop, so they are never in those frames.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "headless/headless_transcript.h"
#include "sound/midi.h"
#include "sound/mixer.h"
#include "sound/output_loop.h"

namespace vellaro {

class InstrumentBank;

// Milliseconds a voice of this sample plays at this note: the mixer's frames, rounded up.
uint64_t voiceDurationMs(const SampleView& sample, uint16_t note);

class HeadlessSoundEngine final : public VoicePlayer {
 public:
  static constexpr uint64_t kTickMs = 10;
  // Ticks that write the whole write-ahead once: 70 ms.
  static constexpr uint64_t kTicksPerLap = 7;
  // How far the modelled write cursor runs ahead of the play cursor: 10 ms.
  static constexpr uint32_t kWriteCursorFrames = 441;

  HeadlessSoundEngine(const VirtualClock& clock, Transcript& transcript);
  // The bank whose entries name the samples in the transcript.
  void nameSamplesFrom(const InstrumentBank* bank) { bank_ = bank; }
  // Keeps every frame the buffer plays from virtual time 0 on; call before the run starts.
  void recordOutput() { recording_ = true; }
  // Interleaved left/right samples of the frames played up to the clock's time.
  const std::vector<int16_t>& playedFrames();

  // Runs every tick due at or before the clock's time. The platform calls it whenever the clock
  // moves, before anything else happens at the new time, as the timer runs beside the lesson.
  void catchUp();
  // The elapsed time of the first tick after the clock's time.
  uint64_t nextTick() const;

  int startVoice(const SampleView& sample, uint16_t note, uint16_t tag, uint8_t velocity) override;
  int stopVoice(const SampleView& sample, uint16_t note, uint16_t tag) override;
  void stopAllVoices() override;
  bool isSilent() const override { return mixer_.isSilent(); }
  // The learner's steps are timed against the moment a sound starts, so a headless run reports no
  // write-ahead for check latency auto.
  uint32_t outputDelayMs() const override { return 0; }

 private:
  void tick(uint64_t at);
  void skipQuietTicks();
  void recordUpTo(uint64_t frame);
  std::string sampleName(const uint8_t* data) const;

  const VirtualClock& clock_;
  Transcript& transcript_;
  const InstrumentBank* bank_ = nullptr;
  Mixer mixer_;
  MemoryLoop device_{kWriteCursorFrames};
  // Rebuilt when the clock jumps over quiet ticks: the loop holds only silence then.
  std::unique_ptr<OutputLoop> loop_;
  uint64_t lastTick_ = 0;           // the elapsed time of the last tick run
  uint64_t quietTicks_ = 0;         // ticks in a row that mixed no voice
  bool recording_ = false;
  uint64_t recordedFrames_ = 0;
  std::vector<int16_t> recorded_;
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
