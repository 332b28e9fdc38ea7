// The microphone of a headless run: it hears the recordings that the steps start (listen FILE.wav),
// each from the moment of the virtual clock at which its step applied, mixed where they overlap,
// and silence elsewhere. While the lesson listens, the stream goes through the player's detector
// in 10 ms buffers as the clock moves, as a capture device would hand it over, and every note heard
// is written to the transcript and handed to the lesson at the moment its sound began.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "headless/headless_transcript.h"
#include "sound/microphone.h"
#include "sound/note_listener.h"

namespace vellaro {

class HeadlessMicrophone final : public Microphone {
 public:
  static constexpr uint32_t kRate = 44100;

  HeadlessMicrophone(const VirtualClock& clock, Transcript& transcript) : clock_(clock), transcript_(transcript) {}

  // Plays the WAV file into the room from now on: any file the player can play as a sample, its
  // channels averaged and brought to 44100 Hz. "" when it plays; else what is wrong with the file.
  std::string hear(const std::string& path);
  // Hands the detector every buffer complete by the clock's time.
  void catchUp();

  std::string start(ListenMode mode, HeardNotes& notes) override;
  void stop() override;
  int level() override;
  bool settled() override;

 private:
  struct Recording {
    uint64_t startFrame;  // in frames of the virtual clock, from time 0
    std::vector<int16_t> samples;
  };
  static uint64_t frameAt(uint64_t elapsedMs) { return elapsedMs * kRate / 1000; }
  static uint64_t msAt(uint64_t frame) { return (frame * 1000 + kRate / 2) / kRate; }
  // What the room holds at frames [from, from + count) of the virtual clock.
  void roomSound(uint64_t from, size_t count, int16_t* out) const;
  void deliver(const HeardNote& note);

  const VirtualClock& clock_;
  Transcript& transcript_;
  std::vector<Recording> recordings_;
  std::unique_ptr<NoteListener> listener_;
  ListenMode mode_ = ListenMode::kNotes;
  HeardNotes* notes_ = nullptr;
  uint64_t streamStart_ = 0;  // the virtual clock's frame that is the stream's frame 0
  std::vector<HeardNote> heard_;
};

}  // namespace vellaro
