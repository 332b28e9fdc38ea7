// The sound engine's write-ahead as check latency auto reports it, measured on the real DirectSound
// buffer while a sample plays, beside how the buffer's play cursor moves, and where a key's note
// goes in beside a lesson's. The figures are printed (docs/performance.md keeps them); the tests
// fail when the reported delay leaves the write-ahead or does not follow the cursors, or when a
// key's note waits longer than 20 ms of sound.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "harness.h"
#include "recording_host.h"
#include "script/interpreter.h"
#include "script/services.h"
#include "sound/instrument_bank.h"
#include "sound/mixer.h"
#include "sound/output_loop.h"
#include "sound/win32_sound_engine.h"

namespace vellaro::wine {
namespace {

constexpr int kReadings = 300;
constexpr double kFramesPerMs = 44.1;

// Twenty seconds and the 100 never-played frames of a 441 Hz sine, 16-bit mono at 44100 Hz: long
// enough for every reading also where the device takes the sound faster than it plays.
std::vector<int16_t> sine() {
  std::vector<int16_t> frames(20 * 44100 + 100);
  for (size_t i = 0; i < frames.size(); ++i) frames[i] = static_cast<int16_t>(8000 * std::sin(static_cast<double>(i) * 6.283185307179586 / 100));
  return frames;
}

double nowMs() {
  LARGE_INTEGER count;
  LARGE_INTEGER frequency;
  QueryPerformanceCounter(&count);
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

struct Spread {
  double least, middle, mean, most;
};

Spread spreadOf(const std::vector<double>& values) {
  double sum = 0;
  for (double value : values) sum += value;
  auto [least, most] = std::minmax_element(values.begin(), values.end());
  return Spread{*least, median(values), sum / static_cast<double>(values.size()), *most};
}

// The lesson line itself, run by the interpreter on the engine, as often as the test asks.
class AutoLatency {
 public:
  AutoLatency(RecordingHost& host, SoundEngine& engine) : interpreter_(host) {
    services_.voices = &engine;
    interpreter_.services = &services_;
    interpreter_.reset();
    folder_.writeScenario("latency.scn", {"check latency auto", "terminate"});
  }
  uint32_t read() {
    interpreter_.capture.latencyMs = 9999;  // a value no reading can give
    interpreter_.runScenario(folder_.pathOf("latency.scn"));
    return interpreter_.capture.latencyMs;
  }

 private:
  TestFolder folder_;
  CommandServices services_;
  Interpreter interpreter_;
};

uint32_t scheduledMs(const LoopCursors& cursors) { return outputFramesToMs(scheduledLeadFrames(cursors)); }

uint32_t framesBetween(uint32_t from, uint32_t to) { return (to + kLoopFrames - from) % kLoopFrames; }

// The engine's cursors are there from its first tick on.
bool waitForCursors(const SoundEngine& engine, LoopCursors* cursors) {
  for (double until = nowMs() + 1000; nowMs() < until; Sleep(1)) {
    if (engine.readCursors(cursors)) return true;
  }
  return false;
}

// Milliseconds from now until the play cursor reaches the frame at offset, which lies frames ahead
// of it; -1 when it does not within a second.
double msUntilPlayed(const SoundEngine& engine, uint32_t offset, uint32_t frames) {
  double start = nowMs();
  uint32_t from = (offset + kLoopFrames - frames) % kLoopFrames;
  LoopCursors cursors{};
  while (nowMs() < start + 1000) {
    if (engine.readCursors(&cursors) && framesBetween(from, cursors.play) >= frames &&
        framesBetween(from, cursors.play) < kLoopFrames / 2) {
      return nowMs() - start;
    }
  }
  return -1;
}

// How the play cursor moved while the test watched it.
struct CursorWatch {
  explicit CursorWatch(const LoopCursors& start) : lastPlay(start.play), lastMove(nowMs()), began(lastMove) {}
  void see(const LoopCursors& cursors) {
    if (cursors.play == lastPlay) return;
    double at = nowMs();
    periods.push_back(at - lastMove);
    stepFrames.push_back(framesBetween(lastPlay, cursors.play));
    writeLead.push_back(framesBetween(cursors.play, cursors.write) / kFramesPerMs);
    lastPlay = cursors.play;
    lastMove = at;
  }
  void print() const {
    if (periods.empty()) return;
    double played = 0;
    for (double frames : stepFrames) played += frames / kFramesPerMs;
    std::printf("play cursor: %zu moves, median %.1f ms apart, median step %.0f frames (%.1f ms of sound), %.0f ms of "
                "sound in %.0f ms; write cursor %.1f ms ahead of it (median)\n",
                periods.size(), median(periods), median(stepFrames), median(stepFrames) / kFramesPerMs, played,
                lastMove - began, median(writeLead));
  }
  uint32_t lastPlay;
  double lastMove;
  double began;
  std::vector<double> periods;     // ms between two moves of the play cursor
  std::vector<double> stepFrames;  // how far each move went
  std::vector<double> writeLead;   // ms from the play cursor to the write cursor
};

// The real engine on a window of its own, and a 20 s sine to play; a test is skipped where no sound
// buffer plays. The engine must show no message.
class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window_, nullptr);
    engine_ = std::make_unique<SoundEngine>(0, window_, host_);
    if (!waitForCursors(*engine_, &first_)) GTEST_SKIP() << "no playing sound buffer here";
    frames_ = sine();
    sample_ = SampleView{reinterpret_cast<const uint8_t*>(frames_.data()), frames_.size() * 2, 2, 1, 2, 4, 128};
  }
  void TearDown() override {
    engine_.reset();
    EXPECT_TRUE(host_.messages.empty()) << host_.messages.front();
    if (window_) DestroyWindow(window_);
  }

  HWND window_ = nullptr;
  RecordingHost host_;
  std::unique_ptr<SoundEngine> engine_;
  LoopCursors first_{};
  std::vector<int16_t> frames_;
  SampleView sample_{};
};

class WriteAheadWine : public EngineTest {};
class LateTickWine : public EngineTest {};

TEST_F(WriteAheadWine, AutoReportsTheBuffersLeadOverThePlayCursorWhileASamplePlays) {
  SoundEngine& engine = *engine_;
  LoopCursors cursors = first_;
  const SampleView& sample = sample_;
  ASSERT_EQ(engine.startVoice(sample, 24, 88, 127), 1);
  AutoLatency latency(host_, engine);
  CursorWatch watch(cursors);
  std::vector<double> reported;
  int compared = 0;
  int agreeing = 0;
  for (int i = 0; i < kReadings; ++i) {
    for (double until = nowMs() + 3; nowMs() < until;) {
      if (engine.readCursors(&cursors)) watch.see(cursors);
    }
    LoopCursors before{};
    LoopCursors after{};
    bool seen = engine.readCursors(&before);
    uint32_t ms = latency.read();
    reported.push_back(ms);
    // Unless a tick wrote in between, the reading lies between the cursors' before and after: the
    // lead shrinks as the play cursor moves on towards the written end.
    if (seen && engine.readCursors(&after) && after.end == before.end) {
      uint32_t first = scheduledMs(before);
      uint32_t last = scheduledMs(after);
      bool between = ms <= first && ms >= last;
      ++compared;
      agreeing += between ? 1 : 0;
    }
  }
  EXPECT_FALSE(engine.isSilent()) << "the sample ended before the readings did";

  Spread ahead = spreadOf(reported);
  std::printf("check latency auto over %d readings while a sample plays: least %.0f ms, median %.0f ms, mean %.1f ms, "
              "most %.0f ms\n",
              kReadings, ahead.least, ahead.middle, ahead.mean, ahead.most);
  watch.print();
  // The write-ahead at most; the cursor moves between the timer's ticks, so the readings spread.
  EXPECT_GE(ahead.least, 1.0);
  EXPECT_LE(ahead.most, 70.0);
  EXPECT_GE(ahead.most - ahead.least, 5.0) << "the readings do not follow the play cursor";
  EXPECT_FALSE(watch.periods.empty()) << "the play cursor never moved";
  EXPECT_GE(compared, kReadings / 2);
  EXPECT_EQ(agreeing, compared) << "readings that are not the write-ahead of the cursors around them";
}

// Twenty keys and twenty notes of a lesson on the real engine, started at moments spread over the
// timer's period. From the engine's own cursors: the sound between the play cursor and the note's
// first frame when it starts (a key's note goes in at the write cursor, a lesson's where the
// write-ahead ends), and how long the play cursor then takes to reach that frame.
TEST_F(WriteAheadWine, AKeysNoteStartsAtTheWriteCursorALessonsAfterTheWriteAhead) {
  constexpr int kNotes = 20;
  SoundEngine& engine = *engine_;
  const SampleView& sample = sample_;
  std::vector<double> keyLead, keyWait, lessonLead, lessonWait;
  for (int i = 0; i < kNotes; ++i) {
    for (double until = nowMs() + 3 + (i % 10); nowMs() < until;) {
    }
    uint64_t before = engine.lastLiveStart().count;
    ASSERT_EQ(engine.startVoice(sample, 24, kLiveTag, 127), 1);
    OutputLoop::LiveStart key = engine.lastLiveStart();
    EXPECT_EQ(key.count, before + 1) << "key " << i << " waited for a tick";
    keyLead.push_back(key.leadFrames / kFramesPerMs);
    keyWait.push_back(msUntilPlayed(engine, key.startOffset, key.leadFrames));
    engine.stopVoice(sample, 24, kLiveTag);

    for (double until = nowMs() + 3 + (i % 10); nowMs() < until;) {
    }
    LoopCursors at{};
    LoopCursors after{};
    ASSERT_TRUE(engine.readCursors(&at));
    ASSERT_EQ(engine.startVoice(sample, 24, kScriptTag, 127), 1);
    if (engine.readCursors(&after) && after.end == at.end) {
      uint32_t lead = scheduledLeadFrames(at);
      lessonLead.push_back(lead / kFramesPerMs);
      lessonWait.push_back(msUntilPlayed(engine, (at.play + lead) % kLoopFrames, lead));
    }
    engine.stopVoice(sample, 24, kScriptTag);
  }
  ASSERT_FALSE(lessonLead.empty());
  Spread keys = spreadOf(keyLead);
  Spread lesson = spreadOf(lessonLead);
  std::printf("a key's note, %d keys: first frame %.1f ms of sound after the play cursor (least %.1f, most %.1f), "
              "reached in %.1f ms (median, most %.1f)\n",
              kNotes, keys.middle, keys.least, keys.most, spreadOf(keyWait).middle, spreadOf(keyWait).most);
  std::printf("a lesson's note, %zu notes: first frame %.1f ms of sound after the play cursor (least %.1f, most %.1f), "
              "reached in %.1f ms (median, most %.1f)\n",
              lessonLead.size(), lesson.middle, lesson.least, lesson.most, spreadOf(lessonWait).middle,
              spreadOf(lessonWait).most);
  EXPECT_LE(keys.most, 20.0) << "a key's note waits longer than 20 ms of sound";
  EXPECT_GE(lesson.least, 1.0);
  EXPECT_LE(lesson.most, 70.5);
  EXPECT_GT(spreadOf(keyWait).least, -1.0) << "the play cursor never reached a key's note";
}

// Frames of the loop that are not silent, from offset first on, frames of them.
size_t soundingFrames(const std::vector<int16_t>& loop, uint32_t first, uint32_t frames) {
  size_t sounding = 0;
  for (uint32_t f = 0; f < frames; ++f) {
    size_t at = 2 * size_t{(first + f) % kLoopFrames};
    if (loop[at] != 0 || loop[at + 1] != 0) ++sounding;
  }
  return sounding;
}

// The ticks are left out for 300 ms while a note sounds. The loop holds the note only in the last
// write-ahead before where the last tick wrote; from there on, where the device goes once it has
// played that, it holds silence for the rest of the loop, not the note as it was a lap earlier. The
// engine counts the late tick, and the note goes on after it.
TEST_F(LateTickWine, TheDeviceFindsSilenceBeyondTheWrittenPart) {
  SoundEngine& engine = *engine_;
  LoopCursors cursors = first_;
  const SampleView& sample = sample_;
  ASSERT_EQ(engine.startVoice(sample, 24, kScriptTag, 127), 1);
  Sleep(1500);  // the note has gone round the whole loop
  uint32_t lateBefore = engine.lateTicks();
  engine.holdTicksFor(300);
  Sleep(100);  // a tick that had begun is over, and the device has gone on
  std::vector<int16_t> loop;
  ASSERT_TRUE(engine.readCursors(&cursors));
  ASSERT_TRUE(engine.copyLoop(&loop));
  uint32_t lastWritten = (cursors.end + kLoopFrames - kWriteAheadFrames) % kLoopFrames;
  size_t written = soundingFrames(loop, lastWritten, kWriteAheadFrames);
  size_t beyond = soundingFrames(loop, cursors.end, kLoopFrames - kWriteAheadFrames);
  std::printf("ticks held back: the play cursor %u frames past the written end; %zu frames of the last write-ahead "
              "sound, %zu of the other %u\n",
              (cursors.play + kLoopFrames - cursors.end) % kLoopFrames, written, beyond,
              kLoopFrames - kWriteAheadFrames);
  EXPECT_GT(written, 0u) << "the note was not written";
  EXPECT_EQ(beyond, 0u) << "the device would play older sound after the written part";

  Sleep(400);
  EXPECT_GT(engine.lateTicks(), lateBefore) << "the late tick was not counted";
  ASSERT_TRUE(engine.readCursors(&cursors));
  ASSERT_TRUE(engine.copyLoop(&loop));
  EXPECT_GT(soundingFrames(loop, cursors.play, framesBetween(cursors.play, cursors.end)), 0u)
      << "the note did not go on after the late tick";
  EXPECT_FALSE(engine.isSilent());
}

}  // namespace
}  // namespace vellaro::wine
