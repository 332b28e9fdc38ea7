// The output loop on a loop in memory whose cursors the tests move: where a lesson's voice and a
// key's voice are first heard, what a late tick leaves, and keys started against running ticks.
// The stress test runs under ThreadSanitizer in the tsan preset.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <random>
#include <thread>
#include <vector>

#include "sound/instrument_bank.h"
#include "sound/mixer.h"
#include "sound/output_loop.h"

namespace vellaro {
namespace {

constexpr uint32_t kLead = 441;  // the write cursor, 10 ms ahead of the play cursor

// 16-bit mono at 44100 Hz, frame k holding k % 20000 - 10000: each output frame of a voice at note
// 24 tells which sample frame it came from.
std::vector<int16_t> traceable(size_t frames) {
  std::vector<int16_t> samples(frames);
  for (size_t k = 0; k < frames; ++k) samples[k] = static_cast<int16_t>(k % 20000) - 10000;
  return samples;
}

SampleView mono16(const std::vector<int16_t>& samples) {
  SampleView sample;
  sample.data = reinterpret_cast<const uint8_t*>(samples.data());
  sample.size = samples.size() * 2;
  sample.groupFactor = 2;
  sample.channels = 1;
  sample.bitsFactor = 2;
  sample.speedFactor = 4;
  sample.pitchBase = 128;
  return sample;
}

// The voice alone on a bare mixer: what the loop must play from the voice's first frame on.
std::vector<int16_t> solo(const SampleView& sample, uint16_t note, uint32_t frames) {
  Mixer mixer;
  mixer.startVoice(sample, note, kScriptTag, 127);
  std::vector<int16_t> out(2 * size_t{frames});
  for (uint32_t done = 0; done < frames; done += kTickFrames) {
    mixer.mixFrames(out.data() + 2 * size_t{done}, std::min(kTickFrames, frames - done));
  }
  return out;
}

// A loop played in steps, keeping what the play cursor passes (before the tick clears it).
class PlayedLoop {
 public:
  PlayedLoop() : loop_(mixer_, device_) { tick(); }
  // Moves the play cursor on by frames, keeping what it passes, then ticks.
  void advanceAndTick(uint32_t frames) {
    moveTo(play_ + frames);
    tick();
  }
  void moveTo(uint64_t frame) {
    for (; play_ < frame; ++play_) {
      const int16_t* sides = device_.frameAt(play_);
      played_.insert(played_.end(), sides, sides + 2);
    }
    device_.setPlayFrame(play_);
  }
  void tick() { loop_.tick(); }
  uint64_t play() const { return play_; }
  OutputLoop& loop() { return loop_; }
  Mixer& mixer() { return mixer_; }
  const std::vector<int16_t>& played() const { return played_; }
  // The first frame played that is not silent, or played().size() / 2.
  size_t firstSound() const {
    size_t f = 0;
    while (2 * f < played_.size() && played_[2 * f] == 0 && played_[2 * f + 1] == 0) ++f;
    return f;
  }

 private:
  Mixer mixer_;
  MemoryLoop device_{kLead};
  OutputLoop loop_;
  uint64_t play_ = 0;
  std::vector<int16_t> played_;
};

std::vector<int16_t> slice(const std::vector<int16_t>& frames, size_t first, size_t count) {
  return std::vector<int16_t>(frames.begin() + static_cast<std::ptrdiff_t>(2 * first),
                              frames.begin() + static_cast<std::ptrdiff_t>(2 * (first + count)));
}

TEST(OutputLoop, TheScheduledLeadRunsFromThePlayCursorToTheWrittenEnd) {
  struct Case {
    const char* fault;
    LoopCursors cursors;  // end, play, write
    uint32_t frames;
  } cases[] = {
      {"the lead is measured backwards", {3528, 441, 882}, 3087},
      {"the wrap at the loop's end is missed", {2987, 44000, 341}, 3087},
      {"an end the device has taken is not replaced by the write cursor", {1200, 1000, 1441}, 441},
      {"an end the play cursor has passed counts a lap", {4000, 5000, 5441}, 441},
      {"an end at the play cursor gives 0", {7000, 7000, 7441}, 441},
  };
  for (const Case& c : cases) EXPECT_EQ(scheduledLeadFrames(c.cursors), c.frames) << c.fault;
  struct Ms {
    uint64_t frames;
    uint32_t ms;
  } ms[] = {{0, 0}, {22, 0}, {23, 1}, {441, 10}, {3087, 70}, {44100, 1000}};
  for (const Ms& m : ms) EXPECT_EQ(outputFramesToMs(m.frames), m.ms) << m.frames;
}

// Started at several points between two ticks: a lesson's voice begins where the written part
// ends (60 to 70 ms after it started), a key's voice at the write cursor (10 ms); from there either
// plays exactly what the voice plays alone, also across the ticks that take a key's voice over.
TEST(OutputLoop, ALessonsVoiceWaitsForTheWriteAheadAndAKeysVoiceStartsAtTheWriteCursor) {
  std::vector<int16_t> samples = traceable(10000);
  SampleView sample = mono16(samples);
  struct Case {
    uint16_t tag;
    uint16_t note;
    uint32_t afterTick;  // frames after the last tick
    uint64_t delay;      // frames from the start to the voice's first frame
  } cases[] = {
      {kScriptTag, 24, 0, kWriteAheadFrames},       {kScriptTag, 24, 300, kWriteAheadFrames - 300},
      {kLiveTag, 24, 0, kLead},                     {kLiveTag, 24, 300, kLead},
      {kLiveTag, 31, 440, kLead},                   {kLiveTag, 17, 1, kLead},
  };
  for (const Case& c : cases) {
    PlayedLoop run;
    for (int i = 0; i < 3; ++i) run.advanceAndTick(kTickFrames);
    run.moveTo(run.play() + c.afterTick);
    uint64_t startedAt = run.play();
    ASSERT_EQ(run.loop().startVoice(sample, c.note, c.tag, 127), 1);
    uint32_t frames = voiceFrames(sample, c.note);
    run.advanceAndTick(kTickFrames - c.afterTick);
    while (run.play() < startedAt + c.delay + frames + kTickFrames) run.advanceAndTick(kTickFrames);
    EXPECT_EQ(run.firstSound(), startedAt + c.delay) << "tag " << c.tag << ", " << c.afterTick << " frames after a tick";
    EXPECT_EQ(slice(run.played(), startedAt + c.delay, frames), solo(sample, c.note, frames))
        << "tag " << c.tag << " note " << c.note << ", " << c.afterTick << " frames after a tick";
    EXPECT_TRUE(run.mixer().isSilent());
  }
}

// A tick 200 ms late: the device plays what was written, then silence, never the loop's older
// frames; the voice goes on where it would have been, so it stays in time.
TEST(OutputLoop, ALateTickLeavesSilenceAndTheVoiceKeepsTime) {
  std::vector<int16_t> samples = traceable(44100);
  SampleView sample = mono16(samples);
  PlayedLoop run;
  run.loop().startVoice(sample, 24, kScriptTag, 127);
  for (int i = 0; i < 20; ++i) run.advanceAndTick(kTickFrames);  // plays round the loop's first 200 ms
  uint64_t written = run.play() + kWriteAheadFrames;
  EXPECT_EQ(run.loop().lateTicks(), 0u);
  run.advanceAndTick(8820);
  EXPECT_EQ(run.loop().lateTicks(), 1u);
  uint64_t resumed = run.play() + kLead;
  for (int i = 0; i < 20; ++i) run.advanceAndTick(kTickFrames);

  uint32_t frames = voiceFrames(sample, 24);
  std::vector<int16_t> alone = solo(sample, 24, frames);
  uint64_t first = kWriteAheadFrames;  // the first tick after the start writes here
  EXPECT_EQ(run.firstSound(), first);
  EXPECT_EQ(slice(run.played(), first, written - first), slice(alone, 0, written - first));
  EXPECT_EQ(slice(run.played(), written, resumed - written), std::vector<int16_t>(2 * (resumed - written), 0))
      << "the late tick let the device play something other than silence";
  EXPECT_EQ(slice(run.played(), resumed, 4410), slice(alone, resumed - first, 4410)) << "the voice lost its time";
}

// A key released at once: the ticks do not go on with its voice.
TEST(OutputLoop, AKeysVoiceStoppedBeforeTheNextTickEndsThere) {
  std::vector<int16_t> samples = traceable(10000);
  SampleView sample = mono16(samples);
  PlayedLoop run;
  run.advanceAndTick(kTickFrames);
  uint64_t startedAt = run.play();
  run.loop().startVoice(sample, 24, kLiveTag, 127);
  run.mixer().stopVoice(sample, 24, kLiveTag);
  for (int i = 0; i < 30; ++i) run.advanceAndTick(kTickFrames);
  uint64_t first = startedAt + kLead;
  uint64_t end = kTickFrames + kWriteAheadFrames;  // what was written when the key came
  EXPECT_EQ(slice(run.played(), first, end - first), slice(solo(sample, 24, 9900), 0, end - first));
  EXPECT_EQ(slice(run.played(), end, 3 * kWriteAheadFrames), std::vector<int16_t>(6 * kWriteAheadFrames, 0));
}

// Two keyboards start notes while the timer ticks as fast as it can. Every voice holds the same
// value, so every frame played is that value times the voices sounding, and all frames together
// hold each voice's frames exactly once: a stretch mixed by both a key's thread and a tick, or by
// neither, breaks the count. As on a sound card, where a key's voice is mixed in microseconds and
// the play cursor moves a frame in 23, the cursor stands still while a key is being started; the
// ticks go on meanwhile.
TEST(OutputLoopStress, KeysStartedAgainstTheTicksAreMixedOnceEach) {
  constexpr int16_t kValue = 100;
  constexpr int kKeysEach = 300;
  std::vector<int16_t> samples(1100, kValue);  // 1000 frames a voice
  SampleView sample = mono16(samples);
  const uint32_t frames = voiceFrames(sample, 24);
  ASSERT_EQ(frames, 1000u);

  Mixer mixer;
  MemoryLoop device{kLead};
  OutputLoop loop(mixer, device);
  loop.tick();
  std::atomic<int> keysLeft{2};
  std::atomic<int> keysStarting{0};
  std::atomic<int> started{0};
  std::vector<int16_t> played;
  std::thread ticker([&] {
    std::mt19937 random(7);
    uint64_t play = 0;
    while (keysLeft.load() > 0 || !mixer.isSilent()) {
      if (keysStarting.load() == 0) {
        // Never further than the write cursor was, so that no tick comes late.
        uint64_t next = play + std::uniform_int_distribution<uint32_t>(1, kLead)(random);
        device.setPlayFrame(next);
        for (; play < next; ++play) played.push_back(device.frameAt(play)[0]);
      }
      loop.tick();
    }
    for (uint64_t end = play + kWriteAheadFrames; play < end; ++play) played.push_back(device.frameAt(play)[0]);
  });
  auto keyboard = [&](unsigned seed) {
    std::mt19937 random(seed);
    for (int i = 0; i < kKeysEach; ++i) {
      // Note 24 starts 60 voices at most at once; a dropped start would not be counted.
      while (mixer.activeVoices() >= kVoiceCount - 2) std::this_thread::yield();
      keysStarting.fetch_add(1);
      loop.startVoice(sample, 24, kLiveTag, 127);
      keysStarting.fetch_sub(1);
      started.fetch_add(1);
      std::this_thread::sleep_for(std::chrono::microseconds(std::uniform_int_distribution<int>(0, 300)(random)));
    }
    keysLeft.fetch_sub(1);
  };
  std::thread first(keyboard, 1u);
  std::thread second(keyboard, 2u);
  first.join();
  second.join();
  ticker.join();

  EXPECT_EQ(loop.lateTicks(), 0u);
  uint64_t voiceFrames = 0;
  size_t broken = 0;
  for (int16_t value : played) {
    if (value % kValue != 0 || value < 0) ++broken;
    voiceFrames += static_cast<uint64_t>(std::max(0, value / kValue));
  }
  EXPECT_EQ(broken, 0u);
  EXPECT_EQ(voiceFrames, uint64_t{frames} * static_cast<uint64_t>(started.load()));
  EXPECT_EQ(loop.lastLiveStart().count + 0u, static_cast<uint64_t>(started.load()) - 0u)
      << "some keys waited for a tick instead of starting at the write cursor";
}

}  // namespace
}  // namespace vellaro
