#include "fake_host.h"

namespace vellaro {

bool FakeHost::askOkCancel(const std::string& text, const std::string& caption) {
  messages.push_back("[" + caption + "] " + text);
  if (answers.empty()) return false;
  bool ok = answers.front();
  answers.pop_front();
  return ok;
}

void FakeHost::beep(unsigned frequency, unsigned) { beeps.push_back(frequency); }

}  // namespace vellaro
