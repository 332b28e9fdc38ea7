// The bytes as a Standard MIDI File for midimelody: read, then every track with note-ons written
// as melody lines, played and expected, with a count-in, so that lying lengths, tick sums, tempo
// maps and time signatures reach the time arithmetic and the line breaking.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "melody_lines.h"
#include "midi_file.h"

using namespace vellaro::midimelody;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  MidiFile file;
  std::string error;
  if (!readMidiFile(data, size, &file, &error)) {
    if (error.empty() || error.find('\n') != std::string::npos) std::abort();  // one line, always
    return 0;
  }
  for (const MidiTrack& track : file.tracks) {
    if (!hasNoteOns(track, -1)) continue;
    for (bool expect : {false, true}) {
      MelodyOptions options;
      options.expect = expect;
      options.transpose = expect ? 0 : -7;
      options.countIn = expect ? kMostCountInClicks : 3;
      Melody melody;
      if (!makeMelody(file, track, options, &melody, &error)) continue;
      for (const std::string& line : melody.lines) {
        if (line.size() > kMaxLineLength) std::abort();
      }
    }
  }
  return 0;
}
