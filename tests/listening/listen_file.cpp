// Runs the listener over a mono 16-bit WAV file the way the capture thread feeds it, and prints one
// line per note the capture keeps: its onset in seconds, its MIDI pitch (0 for a clap) and the
// seconds of stream fed when feed() returned it. A note at the onset of the last one replaces it, as
// in the capture.
//
//   listen_file [--claps] [--chunk FRAMES] file.wav
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "sound/note_listener.h"
#include "sound/wav_reader.h"

using vellaro::HeardNote;
using vellaro::ListenMode;
using vellaro::NoteListener;

namespace {

struct Kept {
  uint64_t frame;
  int note;
  uint64_t fed;  // frames fed when it was reported
};

int usage() {
  std::fprintf(stderr, "usage: listen_file [--claps] [--chunk FRAMES] file.wav\n");
  return 2;
}

// The first channel of 16-bit PCM; false for any other form.
bool monoSamples(const vellaro::WavSample& wav, std::vector<int16_t>& samples) {
  const vellaro::WavFormat& f = wav.format;
  const bool pcm = f.formatTag == vellaro::kWavPcm || (f.formatTag == vellaro::kWavExtensible && f.subFormat == vellaro::kWavPcm);
  if (!pcm || f.bitsPerSample != 16 || f.channels == 0 || f.blockAlign != 2 * f.channels) return false;
  const size_t frames = wav.size / f.blockAlign;
  samples.resize(frames);
  for (size_t i = 0; i < frames; ++i) {
    const uint8_t* p = wav.data.get() + i * f.blockAlign;
    samples[i] = static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8)));
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  ListenMode mode = ListenMode::kNotes;
  size_t chunk = 64;
  const char* path = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--claps") == 0) {
      mode = ListenMode::kClaps;
    } else if (std::strcmp(argv[i], "--chunk") == 0 && i + 1 < argc) {
      chunk = std::stoul(argv[++i]);
    } else if (!path) {
      path = argv[i];
    } else {
      return usage();
    }
  }
  if (!path || chunk == 0) return usage();
  vellaro::WavSample wav;
  std::vector<int16_t> samples;
  if (vellaro::readWavFile(path, wav) != vellaro::WavResult::Loaded || !monoSamples(wav, samples)) {
    std::fprintf(stderr, "listen_file: %s is not a 16-bit PCM WAV file\n", path);
    return 1;
  }
  const double rate = wav.format.sampleRate;
  NoteListener listener(wav.format.sampleRate, mode);
  std::vector<HeardNote> heard;
  heard.reserve(4096);
  std::vector<Kept> kept;
  for (size_t at = 0; at < samples.size(); at += chunk) {
    heard.clear();
    listener.feed(&samples[at], std::min(chunk, samples.size() - at), heard);
    for (const HeardNote& note : heard) {
      const Kept now{note.frame, note.note, listener.framesFed()};
      if (!kept.empty() && kept.back().frame == note.frame) {
        kept.back() = now;
      } else {
        kept.push_back(now);
      }
    }
  }
  for (const Kept& note : kept) {
    std::printf("%.4f %d %.4f\n", static_cast<double>(note.frame) / rate, note.note < 0 ? 0 : note.note + 36,
                static_cast<double>(note.fed) / rate);
  }
  return 0;
}
