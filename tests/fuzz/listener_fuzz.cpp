// The bytes as a microphone's stream: the first three choose the sample rate (8000 to 192000 Hz), the
// mode and the size of the chunks fed; the rest, 16-bit samples, are fed over and over until half a
// second of stream has gone in (enough for every rule of the listener to look back as far as it
// does). Each note must lie in the stream fed so far and be a clap in claps mode or a pitch in the
// listener's range in notes mode; the level must stay within 0 to 100.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "sound/note_listener.h"

namespace {

constexpr uint32_t kRates[] = {8000, 11025, 16000, 22050, 44100, 48000, 96000, 192000};

void require(bool holds, const char* what, long long value) {
  if (holds) return;
  std::fprintf(stderr, "%s: %lld\n", what, value);
  __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 5) return 0;
  const uint32_t rate = kRates[data[0] % std::size(kRates)];
  const auto mode = data[1] % 2 == 0 ? vellaro::ListenMode::kNotes : vellaro::ListenMode::kClaps;
  const size_t chunk = 1 + data[2] * 8u;
  std::vector<int16_t> samples((size - 3) / 2);
  if (samples.empty()) return 0;
  std::memcpy(samples.data(), data + 3, samples.size() * sizeof(int16_t));

  vellaro::NoteListener listener(rate, mode);
  std::vector<vellaro::HeardNote> heard;
  std::vector<int16_t> block(chunk);
  size_t at = 0;
  while (listener.framesFed() < rate / 2) {
    for (int16_t& s : block) s = samples[at++ % samples.size()];
    listener.feed(block.data(), block.size(), heard);
    require(listener.level() >= 0 && listener.level() <= 100, "level", listener.level());
  }
  for (const vellaro::HeardNote& note : heard) {
    require(note.frame <= listener.framesFed(), "frame past the stream", static_cast<long long>(note.frame));
    if (mode == vellaro::ListenMode::kClaps) {
      require(note.note == -1, "clap with a note", note.note);
    } else {
      require(note.note >= 38 - 36 && note.note <= 96 - 36, "note out of range", note.note);  // 75 to 2100 Hz
    }
  }
  return 0;
}
