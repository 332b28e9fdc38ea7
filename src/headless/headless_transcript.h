// The virtual clock of a headless run and the transcript it writes: what a learner would have seen
// and heard, one event per line, each with the virtual time in milliseconds since the run began.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/message_sink.h"

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

// The transcript is UTF-8: lesson texts in its lines are taken in the encoding the sink names
// when they are added, and those of an ANSI lesson are read as Windows-1252.
class Transcript {
 public:
  explicit Transcript(const VirtualClock& clock) : clock_(clock) {}
  void takeEncodingFrom(const MessageSink* sink) { encodingSource_ = sink; }
  // One event at the clock's current time.
  void add(const std::string& event);
  // One event at an earlier moment than the clock's (a note the microphone heard once the detector
  // had taken it in): the line comes now, its time column says when.
  void addAt(uint64_t elapsedMs, const std::string& event);
  // A line without a time (headings, the variables at the end).
  void addPlain(const std::string& line) { lines_.push_back(asUtf8(line)); }
  // A line without a time holding bytes that files of either encoding may have set (the variables
  // at the end): valid UTF-8 stays, anything else is read as Windows-1252.
  void addValueLine(const std::string& line);
  const std::vector<std::string>& lines() const { return lines_; }
  // Every line, each ended by a newline.
  std::string text() const;

 private:
  std::string asUtf8(const std::string& line) const;

  const VirtualClock& clock_;
  const MessageSink* encodingSource_ = nullptr;
  std::vector<std::string> lines_;
};

// The text in double quotes, with line ends and tabs written as \r, \n and \t so that an event
// stays on its line.
std::string quoted(const std::string& text);

}  // namespace vellaro
