// The virtual clock of a headless run and the transcript it writes: what a learner would have seen
// and heard, one event per line, each with the virtual time in milliseconds since the run began.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vellaro {

// Time that passes only when the run waits. It starts from fixed readings, so that everything the
// clock feeds (random numbers, note times) is the same in every run.
class VirtualClock {
 public:
  static constexpr uint32_t kStartClockMs = 1000000;
  static constexpr uint32_t kStartTickCount = 500000;

  uint64_t elapsed() const { return elapsed_; }
  // Moves the clock forward to elapsedMs; an earlier time leaves it where it is.
  void advanceTo(uint64_t elapsedMs) {
    if (elapsedMs > elapsed_) elapsed_ = elapsedMs;
  }
  uint32_t clockMs() const { return static_cast<uint32_t>(kStartClockMs + elapsed_); }
  uint32_t tickCount() const { return static_cast<uint32_t>(kStartTickCount + elapsed_); }

 private:
  uint64_t elapsed_ = 0;
};

class Transcript {
 public:
  explicit Transcript(const VirtualClock& clock) : clock_(clock) {}
  // One event at the clock's current time.
  void add(const std::string& event);
  // A line without a time (headings, the variables at the end).
  void addPlain(const std::string& line) { lines_.push_back(line); }
  const std::vector<std::string>& lines() const { return lines_; }
  // Every line, each ended by a newline.
  std::string text() const;

 private:
  const VirtualClock& clock_;
  std::vector<std::string> lines_;
};

// The text in double quotes, with line ends and tabs written as \r, \n and \t so that an event
// stays on its line.
std::string quoted(const std::string& text);

}  // namespace vellaro
