// Hears the learner through a microphone: finds where each note (or clap) begins in a mono 16-bit
// stream and which pitch it has, so that a sung or played note is recorded like a key. Portable; the
// capture device and the clock belong to the platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vellaro {

enum class ListenMode : uint8_t {
  kNotes,  // each note the learner starts, with its pitch
  kClaps,  // every onset, with no pitch
};

// A note heard in the stream.
struct HeardNote {
  uint64_t frame;  // the frame of the stream where its sound began, counted from the first frame fed
  int note;        // MIDI pitch - 36, as the MIDI keyboard numbers it (a sung middle C is 24); -1 for a clap
};

class NoteListener {
 public:
  NoteListener(uint32_t sampleRate, ListenMode mode);
  ~NoteListener();
  NoteListener(const NoteListener&) = delete;
  NoteListener& operator=(const NoteListener&) = delete;

  // Analyses count more frames of the stream and appends every note found in them to heard once its
  // pitch is clear: most notes a few hundredths of a second of stream after their sound began, one
  // that swells in slowly later. Allocates nothing once constructed.
  void feed(const int16_t* samples, size_t count, std::vector<HeardNote>& heard);
  // Whether nothing fed so far can still be reported: the stream has fallen quiet and no note
  // waits for its pitch.
  bool settled() const;
  // The input level of the last 100 ms of the stream, 0 (silence) to 100 (full scale).
  int level() const;
  uint64_t framesFed() const;

 private:
  struct State;
  State* state_;
};

}  // namespace vellaro
