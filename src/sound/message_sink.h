// Where the sound side reports device and file errors: a message box in the player, a recorder in
// the tests. Texts are shown exactly as given, without a line number.
#pragma once

#include <string>

namespace vellaro {

class MessageSink {
 public:
  virtual ~MessageSink() = default;
  virtual void showMessage(const std::string& text) = 0;
};

}  // namespace vellaro
