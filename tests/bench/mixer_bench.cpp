// The mixer's worst tick: all 60 voices active and a span of the whole 70 ms buffer (3087 frames),
// which the 10 ms timer period must hold with room to spare: divide the time by 10 ms.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "sound/mixer.h"

namespace vellaro {
namespace {

// Long enough that no voice ends during the run; restarted when they would.
constexpr size_t kSampleFrames = 44100 * 60;

SampleView sampleOf(const std::vector<int16_t>& samples, uint8_t channels) {
  SampleView sample;
  sample.data = reinterpret_cast<const uint8_t*>(samples.data());
  sample.size = samples.size() * sizeof(int16_t);
  sample.channels = channels;
  sample.bitsFactor = 2;
  sample.groupFactor = static_cast<uint8_t>(2 * channels);
  sample.speedFactor = 4;
  sample.pitchBase = 128;
  return sample;
}

void startAll(Mixer& mixer, const SampleView& sample) {
  mixer.stopAllVoices();
  // The highest notes step furthest through the sample each frame.
  for (int voice = 0; voice < kVoiceCount; ++voice)
    mixer.startVoice(sample, static_cast<uint16_t>(71 - voice % 12), 88, 127);
}

// The same tick with no two voices reading the same bytes: each voice plays its own stretch of the
// data, as 60 different samples would, so every voice is a stream of its own through the cache.
void startAllApart(Mixer& mixer, const SampleView& whole) {
  mixer.stopAllVoices();
  size_t frameBytes = whole.groupFactor;
  for (int voice = 0; voice < kVoiceCount; ++voice) {
    SampleView own = whole;
    size_t skipped = size_t{30000} * static_cast<size_t>(voice) * frameBytes;
    own.data += skipped;
    own.size -= skipped;
    mixer.startVoice(own, static_cast<uint16_t>(71 - voice % 12), 88, 127);
  }
}

using StartVoices = void (*)(Mixer&, const SampleView&);

// restartEvery ticks the voices start again, before the fastest of them reaches its data's end.
void worstTick(benchmark::State& state, uint8_t channels, StartVoices start, int restartEvery) {
  std::vector<int16_t> samples(kSampleFrames * channels);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int16_t>(i * 7919);
  SampleView sample = sampleOf(samples, channels);
  Mixer mixer;
  std::vector<int16_t> out(2 * size_t{kMixBufferFrames});
  start(mixer, sample);
  int ticks = 0;
  for (auto _ : state) {
    mixer.mixFrames(out.data(), kBufferFrames);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
    if (++ticks == restartEvery) {
      state.PauseTiming();
      start(mixer, sample);
      ticks = 0;
      state.ResumeTiming();
    }
  }
  state.SetItemsProcessed(state.iterations() * kVoiceCount * kBufferFrames);
}

// 50 whole-buffer spans at 15x speed stay well inside the sample; apart, the last voice starts
// 59 x 30000 frames in, and 10 spans still fit.
void BM_WorstTickMono16(benchmark::State& state) { worstTick(state, 1, startAll, 50); }
void BM_WorstTickStereo16(benchmark::State& state) { worstTick(state, 2, startAll, 50); }

BENCHMARK(BM_WorstTickMono16)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WorstTickStereo16)->Unit(benchmark::kMicrosecond);

void BM_WorstTickMono16Apart(benchmark::State& state) { worstTick(state, 1, startAllApart, 10); }
void BM_WorstTickStereo16Apart(benchmark::State& state) { worstTick(state, 2, startAllApart, 10); }
BENCHMARK(BM_WorstTickMono16Apart)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WorstTickStereo16Apart)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace vellaro

namespace vellaro {
namespace {

// What this machine's memory gives one core: one 32-bit word read from every 64-byte cache line of
// a buffer, front to back, in `streams` interleaved streams through equal parts of it, as the
// mixer's lane groups read their samples. Bytes per second count whole lines. The buffer of the
// size of the benchmarks' sample (10.6 MB) stays in the last-level cache between passes, as the
// sample does; 256 MB does not.
void BM_ReadCacheLines(benchmark::State& state) {
  size_t bytes = static_cast<size_t>(state.range(0)) << 20;
  size_t streams = static_cast<size_t>(state.range(1));
  std::vector<uint32_t> words(bytes / sizeof(uint32_t), 1);
  constexpr size_t kLineWords = 64 / sizeof(uint32_t);
  size_t linesPerStream = words.size() / kLineWords / streams;
  for (auto _ : state) {
    uint32_t sum = 0;
    for (size_t line = 0; line < linesPerStream; ++line) {
      for (size_t s = 0; s < streams; ++s) sum += words[(s * linesPerStream + line) * kLineWords];
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * linesPerStream * streams * 64));
}
BENCHMARK(BM_ReadCacheLines)->Args({10, 1})->Args({10, 2})->Args({10, 4})->Args({10, 8})->Args({10, 12})->Args({10, 16})->Args({10, 60})->Args({256, 4})->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace vellaro
