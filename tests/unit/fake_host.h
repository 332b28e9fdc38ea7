// A Host that records every message box and answers questions from a script, for the unit tests.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "script/host.h"

namespace vellaro {

class FakeHost : public Host {
 public:
  void showMessage(const std::string& text) override { messages.push_back(text); }
  bool askOkCancel(const std::string& text, const std::string& caption) override;
  void beep(unsigned frequency, unsigned durationMs) override;
  uint32_t clockMs() override { return clock; }
  uint32_t tickCount() override { return ticks += tickStep; }
  bool replaceFile(const std::string& from, const std::string& to) override {
    return !refuseReplace && Host::replaceFile(from, to);
  }
  LocalTime localTime() override { return now; }
  bool appendToFile(const std::string& playerPath, const std::string& bytes) override {
    return !refuseAppend && Host::appendToFile(playerPath, bytes);
  }

  std::vector<std::string> messages;      // every box, questions included, in order
  std::deque<bool> answers;               // OK (true) or Cancel for the coming questions; Cancel when empty
  std::vector<unsigned> beeps;            // frequencies
  uint32_t clock = 1000;
  uint32_t ticks = 0;
  uint32_t tickStep = 0;  // added to ticks at every reading: a clock that runs with the script
  bool refuseReplace = false;  // replaceFile fails, as on a full disk
  bool refuseAppend = false;   // appendToFile fails, as on a full disk
  LocalTime now{2026, 12, 9, 14, 3, 22};
};

}  // namespace vellaro
