#include "headless/headless_platform.h"

#include <algorithm>
#include <ctime>
#include <utility>

#include "base/file_append.h"
#include "base/file_open.h"
#include "base/file_replace.h"
#include "script/live_input.h"
#include "script/text.h"
#include "script/variables.h"

namespace vellaro {

// --- The host: boxes answered from the steps, the virtual clock, the voices ---

// A box with one OK button takes a following "answer OK", but needs none; "answer CANCEL" is left
// for the next question.
void HeadlessHost::showMessage(const std::string& text) {
  bool answered = platform_.takeAnswer(false).has_value();
  platform_.transcript_.add("box " + quoted(text) + (answered ? " -> OK" : ""));
}

// A question waits for its answer; with none among the steps it is cancelled, as closing it would.
bool HeadlessHost::askOkCancel(const std::string& text, const std::string& caption) {
  std::optional<bool> answer = platform_.takeAnswer(true);
  std::string reply = !answer ? "CANCEL (no answer step)" : *answer ? "OK" : "CANCEL";
  platform_.transcript_.add("question " + quoted(caption) + " " + quoted(text) + " -> " + reply);
  return answer.value_or(false);
}

void HeadlessHost::beep(unsigned frequency, unsigned durationMs) {
  platform_.transcript_.add(format("beep %u Hz, %u ms", frequency, durationMs));
}

uint32_t HeadlessHost::clockMs() { return platform_.clock_.clockMs(); }

uint32_t HeadlessHost::tickCount() { return platform_.clock_.tickCount(); }

bool HeadlessHost::replaceFile(const std::string& from, const std::string& to) {
  return replaceFileWithFlush(pathOnDisk(from, true), pathOnDisk(to, true));
}

LocalTime HeadlessHost::localTime() {
  // 2026-12-09 14:00:00 in seconds since 1970, read as UTC so that no time zone changes it.
  const std::time_t kStart = 1796824800;
  std::time_t now = kStart + static_cast<std::time_t>(platform_.clock_.elapsed() / 1000);
  const std::tm* day = std::gmtime(&now);
  if (!day) return LocalTime{};
  return LocalTime{day->tm_year + 1900, day->tm_mon + 1, day->tm_mday, day->tm_hour, day->tm_min, day->tm_sec};
}

bool HeadlessHost::appendToFile(const std::string& playerPath, const std::string& bytes) {
  bool added = appendToPlayerFile(playerPath, bytes);
  platform_.transcript_.add("file " + quoted(playerPath) + (added ? " appended " + quoted(bytes) : " not appended"));
  return added;
}

// --- The services: the waits run on the virtual clock and take the steps ---

void HeadlessServices::runStarted(Interpreter& in) { platform_.running_ = &in; }

void HeadlessServices::runStopped(Interpreter&) { platform_.running_ = nullptr; }

// While a voice sounds, the player's wait loop spins until a tick of the sound engine frees it;
// with none, pending messages take no time.
void HeadlessServices::pumpPending() {
  HeadlessSoundEngine& sound = platform_.sound_;
  platform_.runWait(HeadlessPlatform::WaitKind::Sound, sound.isSilent() ? platform_.clock_.elapsed() : sound.nextTick());
}

void HeadlessServices::pumpFor(uint32_t durationMs) {
  platform_.runWait(HeadlessPlatform::WaitKind::Pause, platform_.clock_.elapsed() + durationMs);
}

void HeadlessServices::waitForWake() { platform_.runWait(HeadlessPlatform::WaitKind::Input, std::nullopt); }

void HeadlessServices::waitForWakeOrTimeout(uint32_t durationMs) {
  platform_.runWait(HeadlessPlatform::WaitKind::Input, platform_.clock_.elapsed() + durationMs);
}

bool HeadlessServices::pumpWhileRunning() { return !(platform_.running_ && platform_.running_->quitRequested); }

bool HeadlessServices::openWithShell(const char* target) {
  platform_.transcript_.add("exec " + quoted(target) + " (not started: a headless run starts no program)");
  return true;
}

bool HeadlessServices::switchDisplayMode(int width, int bits, int frequency) {
  platform_.transcript_.add(
      format("display mode %d pixels wide, %d bits, %d Hz (not switched: a headless run keeps the screen)", width,
             bits, frequency));
  return true;
}

// --- The platform ---

namespace {

// The C library generator that the player meets on Windows, so that random gives the numbers
// there on every machine: state * 214013 + 2531011, bits 16 to 30 of the new state.
uint32_t g_randomState = 1;

int windowsRand() {
  g_randomState = g_randomState * 214013u + 2531011u;
  return static_cast<int>((g_randomState >> 16) & 0x7FFF);
}

void windowsSrand(unsigned seed) { g_randomState = seed; }

}  // namespace

HeadlessPlatform::HeadlessPlatform(std::vector<Step> steps) : steps_(std::move(steps)) {
  sound_.nameSamplesFrom(&bank_);
  transcript_.takeEncodingFrom(&host_);
  services_.screen = &screen_;
  services_.instruments = &bank_;
  services_.midiOut = &midiOut_;
  services_.voices = &sound_;
  services_.microphone = &microphone_;
  interpreter_.services = &services_;
  interpreter_.lineLimit = kLineLimit;
  windowsSrand(1);
  interpreter_.randomTable.useGenerator(windowsRand, windowsSrand);
}

void HeadlessPlatform::run(const std::string& lesson) {
  transcript_.addPlain(format("lesson %s on a %dx%d screen", lesson.c_str(), kHeadlessScreenWidth,
                              kHeadlessScreenHeight));
  interpreter_.reset();
  interpreter_.runScenario(lesson);
  writeEnding();
}

void HeadlessPlatform::writeEnding() {
  if (interpreter_.executedLines == kLineLimit) {
    transcript_.add(format("the run stopped after %llu lines, the most a headless run executes",
                           static_cast<unsigned long long>(kLineLimit)));
  } else if (!endedByPlatform_) {
    transcript_.add("the run ended");
  }
  for (size_t i = nextStep_; i < steps_.size(); ++i) {
    transcript_.addPlain(format("step not used: line %d: %s", steps_[i].line, describeStep(steps_[i]).c_str()));
  }
  transcript_.addPlain("variables:");
  for (int slot = 0; slot < kMaxVariables; ++slot) {
    const char* name = interpreter_.variables.nameAt(slot);
    if (name[0] != '\0') transcript_.addValueLine(format("  %s = %s", name, interpreter_.variables.valueAt(slot)));
  }
}

// Wait steps before an answer are the time the learner takes to read the box.
std::optional<bool> HeadlessPlatform::takeAnswer(bool question) {
  size_t at = nextStep_;
  uint64_t dueAt = stepDueAt_;
  for (; at < steps_.size() && steps_[at].kind == StepKind::Wait; ++at) {
    dueAt = std::max(dueAt, clock_.elapsed()) + steps_[at].ms;
  }
  if (at >= steps_.size() || steps_[at].kind != StepKind::Answer) return std::nullopt;
  if (!question && !steps_[at].ok) return std::nullopt;
  advanceClock(dueAt);
  nextStep_ = at + 1;
  stepTimed_ = false;
  return steps_[at].ok;
}

// One wait of the lesson: applies the steps that are due, moves the clock to the next moment at
// which something happens, and returns at the deadline, when a click wakes a pause or an input,
// or when the run is to stop.
void HeadlessPlatform::runWait(WaitKind kind, std::optional<uint64_t> deadline) {
  for (;;) {
    if (applyDueSteps(kind) && kind != WaitKind::Sound) return;
    if (running_ && running_->quitRequested) return;
    uint64_t now = clock_.elapsed();
    if (deadline && *deadline <= now) return;
    std::optional<uint64_t> next = deadline;
    if (nextStep_ < steps_.size() && stepDueAt_ > now && (!next || stepDueAt_ < *next)) next = stepDueAt_;
    if (!next) return endEndlessWait();
    advanceClock(*next);
  }
}

// True when a step woke the wait (a click that reported an object).
bool HeadlessPlatform::applyDueSteps(WaitKind kind) {
  while (nextStep_ < steps_.size()) {
    const Step& step = steps_[nextStep_];
    if (step.kind == StepKind::Wait) {
      stepDueAt_ = std::max(stepDueAt_, clock_.elapsed()) + step.ms;  // waits in a row add up
      stepTimed_ = true;
      ++nextStep_;
      continue;
    }
    if (clock_.elapsed() < stepDueAt_ || step.kind == StepKind::Answer) return false;
    // An untimed click is meant for the next input, not for a pause or a sound on the way there.
    if (step.kind == StepKind::Click && kind != WaitKind::Input && !stepTimed_) return false;
    ++nextStep_;
    stepTimed_ = false;
    if (applyStep(step)) return true;
  }
  return false;
}

bool HeadlessPlatform::applyStep(const Step& step) {
  switch (step.kind) {
    case StepKind::Click:
      return applyClick(step);
    case StepKind::Key:
    case StepKind::Down:
    case StepKind::Up:
      applyKey(step);
      return false;
    case StepKind::Type: {
      std::string field = screen_.type(step.text);
      // In the lesson's encoding, as the transcript takes every line.
      std::string typed;
      for (const std::string& character : typedCharacters(step.text, host_.textEncoding())) typed += character;
      transcript_.add(field.empty() ? "type " + quoted(typed) + ": no edit field to type into"
                                    : "type " + quoted(typed) + " into " + field);
      return false;
    }
    case StepKind::Listen: {
      std::string problem = microphone_.hear(step.text);
      transcript_.add(describeStep(step) + (problem.empty() ? ": the recording sounds into the microphone"
                                                            : ": " + problem + "; nothing sounds"));
      return false;
    }
    case StepKind::Answer:
    case StepKind::Wait:
      break;
  }
  return false;
}

bool HeadlessPlatform::applyClick(const Step& step) {
  if (!running_) return false;
  char* target = running_->objects.clickedObjectName;
  switch (screen_.click(step.text, target, sizeof running_->objects.clickedObjectName)) {
    case ClickEffect::Reported:
      transcript_.add("click " + step.text);
      return true;
    case ClickEffect::Focus:
      transcript_.add("click " + step.text + ": the field takes the keyboard focus");
      return false;
    case ClickEffect::Ignored:
      transcript_.add("click " + step.text + ": the object reports no clicks");
      return false;
    case ClickEffect::Hidden:
      transcript_.add("click " + step.text + ": the object is hidden");
      return false;
    case ClickEffect::NoObject:
      transcript_.add("click " + step.text + ": no such object on the screen");
      return false;
  }
  return false;
}

// Pressed and released at the same moment, through the same path as the player's key messages.
void HeadlessPlatform::applyKey(const Step& step) {
  if (!running_) return;
  transcript_.add(describeStep(step));
  if (step.kind != StepKind::Up) playKey(*running_, KeyEvent{step.keyCode, true, false});
  if (step.kind != StepKind::Down) playKey(*running_, KeyEvent{step.keyCode, false, false});
}

void HeadlessPlatform::advanceClock(uint64_t elapsedMs) {
  clock_.advanceTo(elapsedMs);
  sound_.catchUp();
  microphone_.catchUp();
}

// An input without a time limit that no step can end would wait for ever: the run ends instead.
void HeadlessPlatform::endEndlessWait() {
  if (nextStep_ < steps_.size()) {
    const Step& step = steps_[nextStep_];
    transcript_.add(format("input waits for a click, but the next step (line %d: %s) cannot come during it: the "
                           "run ends here",
                           step.line, describeStep(step).c_str()));
  } else {
    transcript_.add("input waits for a click and no step is left: the run ends here");
  }
  endedByPlatform_ = true;
  if (running_) running_->quitRequested = true;
}

}  // namespace vellaro
