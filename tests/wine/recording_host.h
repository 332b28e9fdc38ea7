// The Host of in-process Wine tests that drive the screen code directly: messages are recorded
// instead of shown, the clock is the system's and no sound plays.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "script/host.h"

namespace vellaro::wine {

class RecordingHost : public Host {
 public:
  void showMessage(const std::string& text) override { messages.push_back(text); }
  bool askOkCancel(const std::string&, const std::string&) override { return false; }
  void beep(unsigned, unsigned) override {}
  uint32_t clockMs() override { return GetTickCount(); }
  uint32_t tickCount() override { return GetTickCount(); }
  std::vector<std::string> messages;
};

}  // namespace vellaro::wine
