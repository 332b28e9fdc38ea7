// Judging a full capture: 500 expected notes against 500 played ones, as check score, check notes
// and check log each do once per attempt. The learner comes early and late by up to 120 ms, plays
// a wrong note now and then, misses every 50th note and adds an extra one after every 40th.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "script/note_judging.h"

namespace vellaro {
namespace {

struct Capture {
  NoteSnapshot expected{};
  NoteSnapshot played{};
};

Capture fullCapture() {
  Capture capture;
  uint32_t seed = 27;
  auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
  int p = 0;
  for (int e = 0; e < kCaptureSize; ++e) {
    uint32_t time = 100000 + 250u * static_cast<uint32_t>(e);
    uint16_t note = static_cast<uint16_t>(24 + e % 12);
    capture.expected.events[e] = NoteEvent{time, note};
    if (e % 50 == 49 || p == kCaptureSize) continue;
    uint32_t offset = next() % 241;
    uint16_t played = next() % 10 == 0 ? static_cast<uint16_t>(note + 1) : note;
    capture.played.events[p++] = NoteEvent{time + offset - 120, played};
    if (e % 40 == 39 && p < kCaptureSize) capture.played.events[p++] = NoteEvent{time + 130, note};
  }
  for (uint32_t time = 300000; p < kCaptureSize; time += 100) capture.played.events[p++] = NoteEvent{time, 30};
  return capture;
}

void BM_Judge500Notes(benchmark::State& state) {
  const Capture capture = fullCapture();
  const auto flags = static_cast<uint8_t>(state.range(0));
  for (auto _ : state) {
    Judgement judgement = judgeCapture(capture.expected, capture.played, flags, 100, 0);
    benchmark::DoNotOptimize(judgement.expected.data());
  }
}

// Flags 2: notes and times compared; flags 6: no times, the pairing by order alone.
BENCHMARK(BM_Judge500Notes)->Arg(2)->Arg(6)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace vellaro
