// The one path for messages without a line number: a modal box with an empty caption and one OK
// button in the player, a recorder in the tests. Host extends it, and the sound, picture and MIDI
// code take it directly; script commands go through Interpreter::showMessage and scriptError.
#pragma once

#include <string>

namespace vellaro {

class MessageSink {
 public:
  virtual ~MessageSink() = default;
  // Shows the text exactly as given.
  virtual void showMessage(const std::string& text) = 0;
};

}  // namespace vellaro
