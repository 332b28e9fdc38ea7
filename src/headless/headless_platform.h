// The headless platform: the interpreter and its commands run as in the player, but the screen is
// a set of records, samples play on the player's mixer ticked by the clock and MIDI notes are
// written down, time is a virtual clock that moves only while the lesson waits, and the learner is
// a list of steps. Everything a learner would see and hear goes to a transcript. Display-mode
// switches and exec are written down, never performed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "headless/headless_microphone.h"
#include "headless/headless_screen.h"
#include "headless/headless_sound.h"
#include "headless/headless_steps.h"
#include "headless/headless_transcript.h"
#include "script/host.h"
#include "script/interpreter.h"
#include "script/services.h"
#include "sound/instrument_bank.h"
#include "sound/midi.h"

namespace vellaro {

class HeadlessPlatform;

class HeadlessHost final : public Host {
 public:
  explicit HeadlessHost(HeadlessPlatform& platform) : platform_(platform) {}
  void showMessage(const std::string& text) override;
  bool askOkCancel(const std::string& text, const std::string& caption) override;
  void beep(unsigned frequency, unsigned durationMs) override;
  uint32_t clockMs() override;
  uint32_t tickCount() override;
  bool replaceFile(const std::string& from, const std::string& to) override;
  // A fixed day, 2026-12-09 14:00:00, moved on by the virtual clock.
  LocalTime localTime() override;
  // Appends as the player does, and writes the bytes added (or the refusal) to the transcript.
  bool appendToFile(const std::string& playerPath, const std::string& bytes) override;

 private:
  HeadlessPlatform& platform_;
};

class HeadlessServices final : public CommandServices {
 public:
  explicit HeadlessServices(HeadlessPlatform& platform) : platform_(platform) {}
  void runStarted(Interpreter& in) override;
  void runStopped(Interpreter& in) override;
  void pumpPending() override;
  void pumpFor(uint32_t durationMs) override;
  void waitForWake() override;
  void waitForWakeOrTimeout(uint32_t durationMs) override;
  bool pumpWhileRunning() override;
  bool openWithShell(const char* target) override;
  bool switchDisplayMode(int width, int bits, int frequency) override;

 private:
  HeadlessPlatform& platform_;
};

class HeadlessPlatform {
 public:
  // Lines a headless run may execute: a lesson that loops without end stops there.
  static constexpr uint64_t kLineLimit = 200000;

  explicit HeadlessPlatform(std::vector<Step> steps);
  HeadlessPlatform(const HeadlessPlatform&) = delete;
  HeadlessPlatform& operator=(const HeadlessPlatform&) = delete;

  // Runs the lesson file, named as the player names it, from the current folder, and writes how
  // the run ended, the steps it did not use and the variables to the transcript.
  void run(const std::string& lesson);
  const Transcript& transcript() const { return transcript_; }
  // Keeps what the sound buffer plays during the run, for soundPlayed.
  void recordSound() { sound_.recordOutput(); }
  // 44100 Hz 16-bit stereo frames, interleaved, from virtual time 0 to the end of the run.
  const std::vector<int16_t>& soundPlayed() { return sound_.playedFrames(); }

 private:
  friend class HeadlessHost;
  friend class HeadlessServices;
  enum class WaitKind { Pause, Input, Sound };

  // The box's answer: the next step when it is an answer (after the waits before it) that fits the
  // box (a box with only OK takes only OK), else none.
  std::optional<bool> takeAnswer(bool question);
  void runWait(WaitKind kind, std::optional<uint64_t> deadline);
  bool applyDueSteps(WaitKind kind);
  bool applyStep(const Step& step);
  void applyKey(const Step& step);
  bool applyClick(const Step& step);
  void endEndlessWait();
  // Moves the clock and runs the sound ticks due by then.
  void advanceClock(uint64_t elapsedMs);
  void writeEnding();

  VirtualClock clock_;
  Transcript transcript_{clock_};
  std::vector<Step> steps_;
  size_t nextStep_ = 0;
  uint64_t stepDueAt_ = 0;   // the next step applies from this time on
  bool stepTimed_ = false;   // a wait step came right before the next step
  HeadlessHost host_{*this};
  HeadlessScreen screen_{host_, transcript_};
  HeadlessSoundEngine sound_{clock_, transcript_};
  HeadlessMidi midiSink_{transcript_};
  MidiOutput midiOut_{midiSink_, host_};
  InstrumentBank bank_{host_, &sound_, &midiOut_};
  HeadlessMicrophone microphone_{clock_, transcript_};
  HeadlessServices services_{*this};
  Interpreter interpreter_{host_};
  Interpreter* running_ = nullptr;
  bool endedByPlatform_ = false;
};

}  // namespace vellaro
