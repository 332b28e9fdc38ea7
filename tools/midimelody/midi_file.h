// Standard MIDI Files as midimelody reads them: formats 0 and 1 with a division in ticks per
// quarter note. The reader keeps what a melody needs (each track's note-ons with the tick their note
// ends, the tempo changes and the metronome of the time signatures of all tracks) and skips the
// other meta events and SysEx events. It trusts no length in
// the file: every length is checked against the bytes that are there, so a damaged file gives one
// message, never a read past the end, a loop or an allocation larger than the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vellaro::midimelody {

// Microseconds per quarter note before the first tempo event: 120 beats per minute.
constexpr uint32_t kDefaultTempo = 500000;

struct NoteOn {
  uint64_t tick;
  uint64_t endTick;  // its note-off, the next note-on of the same key, or the end of the track
  uint8_t channel;   // 0 to 15 (MIDI channels 1 to 16)
  uint8_t key;       // the MIDI key number, 60 is middle C
};

struct TempoChange {
  uint64_t tick;
  uint32_t microsPerQuarter;
};

// A time signature's metronome: a click every clocksPerClick MIDI clocks, 24 of them a quarter note.
struct MetronomeChange {
  uint64_t tick;
  uint8_t clocksPerClick;
};

struct MidiTrack {
  std::vector<NoteOn> notes;  // in the order of the track, so their ticks never decrease
  uint64_t endTick = 0;       // the end-of-track event
};

struct MidiFile {
  int format = 0;
  uint16_t ticksPerQuarter = 0;
  std::vector<MidiTrack> tracks;     // in file order, counted from 0
  std::vector<TempoChange> tempos;   // of every track, by tick; file order where ticks are equal
  std::vector<MetronomeChange> metronome;  // the same, from the time signatures
};

// Reads a whole file held in memory. False with a one-line reason in *error when the bytes are no
// Standard MIDI File of format 0 or 1 in ticks per quarter note, or a damaged one.
bool readMidiFile(const uint8_t* data, size_t size, MidiFile* file, std::string* error);

}  // namespace vellaro::midimelody
