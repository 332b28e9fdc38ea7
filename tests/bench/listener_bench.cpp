// The listener's cost on the capture thread: 10 s of a sung-like melody with room noise, fed in
// 10 ms chunks as the capture device delivers them. AudioSecondsPerCpuSecond is the inverse of the
// share of one core it needs (200 is 0.5 % of a core).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "sound/note_listener.h"

namespace vellaro {
namespace {

std::vector<int16_t> melody(uint32_t rate, double seconds) {
  std::vector<int16_t> samples(static_cast<size_t>(seconds * rate));
  const int pitches[] = {60, 62, 64, 65, 67, 65, 64, 62};
  uint32_t seed = 5;
  double phase = 0.0;
  for (size_t i = 0; i < samples.size(); ++i) {
    const double t = static_cast<double>(i) / rate;
    const auto note = static_cast<size_t>(t / 0.25);
    const double hz = 440.0 * std::pow(2.0, (pitches[note % 8] - 69) / 12.0);
    phase += 2.0 * 3.14159265358979 * hz / rate;
    const double envelope = std::exp(-3.0 * (t - 0.25 * static_cast<double>(note)));
    seed = seed * 1664525u + 1013904223u;
    const double noise = 300.0 * ((seed >> 8) / 16777216.0 - 0.5);
    samples[i] = static_cast<int16_t>(6000.0 * envelope * (std::sin(phase) + 0.4 * std::sin(2 * phase)) + noise);
  }
  return samples;
}

void BM_ListenerFeeds10msChunks(benchmark::State& state) {
  const auto rate = static_cast<uint32_t>(state.range(0));
  const auto mode = state.range(1) ? ListenMode::kClaps : ListenMode::kNotes;
  const double seconds = 10.0;
  const std::vector<int16_t> samples = melody(rate, seconds);
  const size_t chunk = rate / 100;
  std::vector<HeardNote> heard;
  heard.reserve(4096);
  for (auto _ : state) {
    NoteListener listener(rate, mode);
    heard.clear();
    for (size_t at = 0; at < samples.size(); at += chunk) {
      listener.feed(&samples[at], std::min(chunk, samples.size() - at), heard);
    }
    benchmark::DoNotOptimize(heard.data());
  }
  state.counters["AudioSecondsPerCpuSecond"] =
      benchmark::Counter(seconds, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["notes"] = static_cast<double>(heard.size());
}

BENCHMARK(BM_ListenerFeeds10msChunks)->Args({44100, 0})->Args({48000, 0})->Args({44100, 1})->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vellaro
