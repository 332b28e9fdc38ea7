// Loading a 10 s 96 kHz 32-bit float stereo WAV file, as recording programs write them: read,
// walked and resampled to 44100 Hz 16-bit. It must stay well under the length of the sound.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "sound/sample_convert.h"
#include "sound/wav_reader.h"
#include "support/wav_bytes.h"

namespace vellaro {
namespace {

void BM_LoadFloatStereo96kHz10s(benchmark::State& state) {
  const char* folder = std::getenv("TMPDIR");
  std::string path = std::string(folder ? folder : "/tmp") + "/vellaro_bench_96k.wav";
  WavBytes wav;
  wav.riff("WAVE").chunk("fmt ", WavBytes::format(2, 96000, 32, kWavFloat)).chunk("data", toneData(3, 32, 2, 96000, 960000));
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) {
    state.SkipWithError("cannot write the test file");
    return;
  }
  std::fwrite(wav.bytes.data(), 1, wav.bytes.size(), file);
  std::fclose(file);
  for (auto _ : state) {
    WavSample sample;
    readWavFile(path.c_str(), sample);
    if (prepareSample(sample) != SampleProblem::None) state.SkipWithError("not converted");
    benchmark::DoNotOptimize(sample.data.get());
  }
  std::remove(path.c_str());
}

BENCHMARK(BM_LoadFloatStereo96kHz10s)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vellaro
