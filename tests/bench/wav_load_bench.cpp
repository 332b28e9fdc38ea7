// Loading a 10 s 96 kHz 32-bit float stereo WAV file, as recording programs write them: read,
// walked and resampled to 44100 Hz 16-bit. It must stay well under the length of the sound.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "sound/sample_convert.h"
#include "sound/wav_reader.h"

namespace vellaro {
namespace {

void put(std::vector<uint8_t>& out, uint32_t value, int bytes) {
  for (int k = 0; k < bytes; ++k) out.push_back(static_cast<uint8_t>(value >> (8 * k)));
}

std::vector<uint8_t> floatStereoFile(uint32_t rate, uint32_t seconds) {
  std::vector<uint8_t> file = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' '};
  put(file, 16, 4);
  put(file, 3, 2);  // float
  put(file, 2, 2);  // stereo
  put(file, rate, 4);
  put(file, rate * 8, 4);
  put(file, 8, 2);
  put(file, 32, 2);
  file.insert(file.end(), {'d', 'a', 't', 'a'});
  put(file, rate * seconds * 8, 4);
  for (uint32_t i = 0; i < rate * seconds * 2; ++i) {
    float value = static_cast<float>(0.5 * std::sin(i * 0.01));
    uint32_t raw;
    std::memcpy(&raw, &value, sizeof raw);
    put(file, raw, 4);
  }
  return file;
}

void BM_LoadFloatStereo96kHz10s(benchmark::State& state) {
  std::string path = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/vellaro_bench_96k.wav";
  std::vector<uint8_t> bytes = floatStereoFile(96000, 10);
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) {
    state.SkipWithError("cannot write the test file");
    return;
  }
  std::fwrite(bytes.data(), 1, bytes.size(), file);
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
