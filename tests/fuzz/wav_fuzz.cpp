// The bytes as a WAV file: parsed from memory, then loaded from a file into the instrument bank
// and sounded on the mixer for a few ticks, so that declared sizes and formats reach the voices.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "scratch_folder.h"
#include "sound/instrument_bank.h"
#include "base/message_sink.h"
#include "sound/mixer.h"
#include "sound/wav_reader.h"

namespace {

class Messages : public vellaro::MessageSink {
 public:
  void showMessage(const std::string&) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vellaro::WavSample parsed;
  vellaro::parseWav(data, size, parsed);

  vellaro::ScratchFolder folder;
  folder.writeFile("note.wav", data, size);
  Messages messages;
  vellaro::Mixer mixer;
  vellaro::InstrumentBank bank(messages, &mixer, nullptr);
  int entry = bank.loadSample("note.wav");
  // The lowest and the highest note step slowest and fastest through the data.
  bank.noteOn(entry, 0, vellaro::kScriptTag);
  bank.noteOn(entry, 71, vellaro::kScriptTag);
  std::vector<int16_t> out(2 * size_t{vellaro::kMixBufferFrames});
  for (int tick = 0; tick < 4; ++tick) mixer.mixFrames(out.data(), vellaro::kWriteAheadFrames);
  return 0;
}
