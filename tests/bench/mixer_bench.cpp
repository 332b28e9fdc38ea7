// The mixer's worst tick: all 60 voices active and a span of the whole 70 ms buffer (3087 frames),
// which the 10 ms timer period must hold with room to spare: divide the time by 10 ms. The
// previous mixing loop (nearest frame, sums wrapping modulo 2^16) is kept below as OldMixer and
// measured in the same run (BM_OldWorstTick*), so that old and new meet the same machine.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "sound/instrument_bank.h"
#include "sound/mixer.h"
#include "sound/output_loop.h"

namespace vellaro {
namespace {

// The mixing loop as it was before interpolation and clamping, for the 16-bit layouts the
// benchmarks use: PitchTable multipliers over 128 (speed 4, so the sample frame is
// counter * pitch >> 7), the nearest earlier frame, sums kept modulo 2^16, four lanes of one
// layout per pass over the tick, lanes ordered by sample and position. Voices are started here
// directly; the threads' handshake of the real mixer costs nothing in a tick and is left out.
class OldMixer {
 public:
  OldMixer() : sums_(2 * size_t{kMixBufferFrames}, 0), monoSums_(kMixBufferFrames, 0) {}

  void stopAllVoices() { count_ = 0; }
  void startVoice(const SampleView& sample, uint16_t note) {
    static constexpr uint16_t kOldPitch[72] = {
        32,   34,   36,   38,   41,   43,   45,   48,   50,   53,   57,   60,   64,   68,   72,   76,   81,   85,
        90,   96,   101,  107,  114,  121,  128,  136,  144,  152,  161,  171,  181,  192,  203,  215,  228,  242,
        256,  271,  288,  304,  322,  342,  362,  383,  406,  431,  456,  483,  512,  542,  576,  608,  644,  684,
        724,  766,  812,  862,  912,  967,  1024, 1084, 1152, 1216, 1288, 1368, 1428, 1532, 1624, 1724, 1824, 1934};
    if (count_ == kVoiceCount) return;
    voices_[count_++] = Voice{sample.data, static_cast<uint32_t>(sample.size / sample.groupFactor - 100),
                              kOldPitch[note], sample.channels == 1, 0};
  }

  void mixFrames(int16_t* out, uint32_t frames) {
    std::fill(sums_.begin(), sums_.begin() + 2 * size_t{frames}, 0);
    std::fill(monoSums_.begin(), monoSums_.begin() + frames, 0);
    int lanes[2] = {0, 0};
    for (int i = 0; i < count_; ++i) {
      Voice& voice = voices_[i];
      uint32_t playable = framesBeforeEnd(voice, frames);
      uint32_t product = voice.counter * voice.pitch;
      lanes_[voice.mono][lanes[voice.mono]++] =
          MixLane{voice.data, uint64_t{product} << 25, uint64_t{voice.pitch} << 25, playable};
      voice.counter += playable;
    }
    for (int mono = 0; mono < 2; ++mono) {
      std::sort(lanes_[mono].begin(), lanes_[mono].begin() + lanes[mono], [](const MixLane& a, const MixLane& b) {
        if (a.data != b.data) return std::less<const uint8_t*>()(a.data, b.data);
        return a.position < b.position;
      });
    }
    addAllLanes<MonoWords>(lanes_[1].data(), lanes[1], monoSums_.data(), frames);
    addAllLanes<StereoWords>(lanes_[0].data(), lanes[0], sums_.data(), frames);
    for (size_t f = 0; f < frames; ++f) {
      out[2 * f] = static_cast<int16_t>(static_cast<uint16_t>(sums_[2 * f] + monoSums_[f]));
      out[2 * f + 1] = static_cast<int16_t>(static_cast<uint16_t>(sums_[2 * f + 1] + monoSums_[f]));
    }
  }

 private:
  struct Voice {
    const uint8_t* data;
    uint32_t end;
    uint32_t pitch;
    bool mono;
    uint32_t counter;
  };

  // The first frame of the tick at which the voice reaches its end, by bisection.
  static uint32_t framesBeforeEnd(const Voice& voice, uint32_t frames) {
    uint32_t low = 0;
    uint32_t high = frames;
    while (low < high) {
      uint32_t middle = low + (high - low) / 2;
      if (((voice.counter + middle) * voice.pitch >> 7) >= voice.end) {
        high = middle;
      } else {
        low = middle + 1;
      }
    }
    return low;
  }

  static uint16_t wordValue(const uint8_t* data, size_t index) {
    uint16_t value;
    std::memcpy(&value, data + 2 * index, sizeof value);
    return value;
  }

  struct MonoWords {
    static constexpr size_t kStride = 1;
    using Frame = uint32_t;
    static Frame read(const uint8_t* data, size_t pos) { return wordValue(data, pos); }
    static Frame add(Frame a, Frame b) { return a + b; }
    static void addTo(uint16_t* sums, Frame frame) { sums[0] = static_cast<uint16_t>(sums[0] + frame); }
  };

#if defined(__SSE2__)
  struct StereoWords {
    static constexpr size_t kStride = 2;
    using Frame = __m128i;
    static Frame load32(const void* bytes) {
      int32_t value;
      std::memcpy(&value, bytes, sizeof value);
      return _mm_cvtsi32_si128(value);
    }
    static Frame read(const uint8_t* data, size_t pos) { return load32(data + 4 * pos); }
    static Frame add(Frame a, Frame b) { return _mm_add_epi16(a, b); }
    static void addTo(uint16_t* sums, Frame frame) {
      int32_t value = _mm_cvtsi128_si32(add(load32(sums), frame));
      std::memcpy(sums, &value, sizeof value);
    }
  };
#else
  struct StereoWords {
    static constexpr size_t kStride = 2;
    struct Frame {
      uint32_t left;
      uint32_t right;
    };
    static Frame read(const uint8_t* data, size_t pos) { return {wordValue(data, 2 * pos), wordValue(data, 2 * pos + 1)}; }
    static Frame add(Frame a, Frame b) { return {a.left + b.left, a.right + b.right}; }
    static void addTo(uint16_t* sums, Frame frame) {
      sums[0] = static_cast<uint16_t>(sums[0] + frame.left);
      sums[1] = static_cast<uint16_t>(sums[1] + frame.right);
    }
  };
#endif

  template <class Format, int N>
  static void addLanes(MixLane* lanes, uint16_t* sums, uint32_t frames) {
    const uint8_t* data[N];
    uint64_t position[N];
    uint64_t step[N];
    for (int n = 0; n < N; ++n) {
      data[n] = lanes[n].data;
      position[n] = lanes[n].position;
      step[n] = lanes[n].step;
    }
#pragma GCC unroll 4
    for (size_t f = 0; f < frames; ++f) {
      typename Format::Frame total = Format::read(data[0], position[0] >> 32);
      position[0] += step[0];
      for (int n = 1; n < N; ++n) {
        total = Format::add(total, Format::read(data[n], position[n] >> 32));
        position[n] += step[n];
      }
      Format::addTo(sums + Format::kStride * f, total);
    }
    for (int n = 0; n < N; ++n) {
      lanes[n].position = position[n];
      lanes[n].frames -= frames;
    }
  }

  template <class Format, int N>
  static void addGroup(MixLane* lanes, uint16_t* sums, uint32_t length) {
    uint32_t common = length;
    for (int n = 0; n < N; ++n) common = std::min(common, lanes[n].frames);
    addLanes<Format, N>(lanes, sums, common);
    if (common == length) return;
    for (int n = 0; n < N; ++n) {
      uint32_t rest = std::min(lanes[n].frames, length - common);
      if (rest > 0) addLanes<Format, 1>(lanes + n, sums + Format::kStride * common, rest);
    }
  }

  template <class Format>
  static void addAllLanes(MixLane* lanes, int count, uint16_t* sums, uint32_t length) {
    int first = 0;
    for (; count - first >= 4; first += 4) addGroup<Format, 4>(lanes + first, sums, length);
    switch (count - first) {
      case 3: return addGroup<Format, 3>(lanes + first, sums, length);
      case 2: return addGroup<Format, 2>(lanes + first, sums, length);
      case 1: return addGroup<Format, 1>(lanes + first, sums, length);
      default: return;
    }
  }

  std::array<Voice, kVoiceCount> voices_{};
  int count_ = 0;
  std::array<std::array<MixLane, kVoiceCount>, 2> lanes_{};
  std::vector<uint16_t> sums_;
  std::vector<uint16_t> monoSums_;
};

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

void start(Mixer& mixer, const SampleView& sample, uint16_t note) { mixer.startVoice(sample, note, 88, 127); }
void start(OldMixer& mixer, const SampleView& sample, uint16_t note) { mixer.startVoice(sample, note); }

template <class AnyMixer>
void startAll(AnyMixer& mixer, const SampleView& sample) {
  mixer.stopAllVoices();
  // The highest notes step furthest through the sample each frame.
  for (int voice = 0; voice < kVoiceCount; ++voice) start(mixer, sample, static_cast<uint16_t>(71 - voice % 12));
}

// The same tick with no two voices reading the same bytes: each voice plays its own stretch of the
// data, as 60 different samples would, so every voice is a stream of its own through the cache.
template <class AnyMixer>
void startAllApart(AnyMixer& mixer, const SampleView& whole) {
  mixer.stopAllVoices();
  size_t frameBytes = whole.groupFactor;
  for (int voice = 0; voice < kVoiceCount; ++voice) {
    SampleView own = whole;
    size_t skipped = size_t{30000} * static_cast<size_t>(voice) * frameBytes;
    own.data += skipped;
    own.size -= skipped;
    start(mixer, own, static_cast<uint16_t>(71 - voice % 12));
  }
}

// restartEvery ticks the voices start again, before the fastest of them reaches its data's end.
template <class AnyMixer>
void worstTick(benchmark::State& state, uint8_t channels, void (*startVoices)(AnyMixer&, const SampleView&),
               int restartEvery) {
  std::vector<int16_t> samples(kSampleFrames * channels);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int16_t>(i * 7919);
  SampleView sample = sampleOf(samples, channels);
  AnyMixer mixer;
  std::vector<int16_t> out(2 * size_t{kMixBufferFrames});
  startVoices(mixer, sample);
  int ticks = 0;
  for (auto _ : state) {
    mixer.mixFrames(out.data(), kWriteAheadFrames);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
    if (++ticks == restartEvery) {
      state.PauseTiming();
      startVoices(mixer, sample);
      ticks = 0;
      state.ResumeTiming();
    }
  }
  state.SetItemsProcessed(state.iterations() * kVoiceCount * kWriteAheadFrames);
}

// 50 whole-buffer spans at 15x speed stay well inside the sample; apart, the last voice starts
// 59 x 30000 frames in, and 10 spans still fit.
void BM_WorstTickMono16(benchmark::State& state) { worstTick<Mixer>(state, 1, startAll, 50); }
void BM_WorstTickStereo16(benchmark::State& state) { worstTick<Mixer>(state, 2, startAll, 50); }

BENCHMARK(BM_WorstTickMono16)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WorstTickStereo16)->Unit(benchmark::kMicrosecond);

void BM_WorstTickMono16Apart(benchmark::State& state) { worstTick<Mixer>(state, 1, startAllApart, 10); }
void BM_WorstTickStereo16Apart(benchmark::State& state) { worstTick<Mixer>(state, 2, startAllApart, 10); }
BENCHMARK(BM_WorstTickMono16Apart)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WorstTickStereo16Apart)->Unit(benchmark::kMicrosecond);

// The same four ticks on the old loop.
void BM_OldWorstTickMono16(benchmark::State& state) { worstTick<OldMixer>(state, 1, startAll, 50); }
void BM_OldWorstTickStereo16(benchmark::State& state) { worstTick<OldMixer>(state, 2, startAll, 50); }
void BM_OldWorstTickMono16Apart(benchmark::State& state) { worstTick<OldMixer>(state, 1, startAllApart, 10); }
void BM_OldWorstTickStereo16Apart(benchmark::State& state) { worstTick<OldMixer>(state, 2, startAllApart, 10); }
BENCHMARK(BM_OldWorstTickMono16)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OldWorstTickStereo16)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OldWorstTickMono16Apart)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OldWorstTickStereo16Apart)->Unit(benchmark::kMicrosecond);

// A key's note on a busy loop: 59 voices sound, the last tick has written the whole write-ahead,
// and a key's voice is mixed in from the write cursor (10 ms ahead of the play cursor) to the
// written end, 2646 frames of one voice, before the ticks take it over. Compare with a tick's time
// per voice: the worst tick divided by 60.
void BM_KeyInsertion(benchmark::State& state) {
  const uint8_t channels = static_cast<uint8_t>(state.range(0));
  std::vector<int16_t> samples(kSampleFrames * channels);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int16_t>(i * 7919);
  SampleView sample = sampleOf(samples, channels);
  Mixer mixer;
  MemoryLoop device{kTickFrames};
  OutputLoop loop(mixer, device);
  for (int voice = 0; voice < kVoiceCount - 1; ++voice) mixer.startVoice(sample, static_cast<uint16_t>(30 + voice % 12), kScriptTag, 127);
  loop.tick();
  for (auto _ : state) {
    loop.startVoice(sample, 40, kLiveTag, 127);
    state.PauseTiming();
    mixer.stopVoice(sample, 40, kLiveTag);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * (kWriteAheadFrames - kTickFrames));
}
BENCHMARK(BM_KeyInsertion)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

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
