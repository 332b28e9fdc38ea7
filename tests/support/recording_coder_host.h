// A coder host for tests: keeps every message and counts the message pumps.
#pragma once

#include <string>
#include <vector>

#include "image/image_library.h"

namespace vellaro {

class RecordingCoderHost : public CoderHost {
 public:
  void showMessage(const std::string& text) override { messages.push_back(text); }
  void pumpMessages() override { ++pumps; }
  std::vector<std::string> messages;
  int pumps = 0;
};

}  // namespace vellaro
