// The one path for messages without a line number: a modal box with an empty caption and one OK
// button in the player, a recorder in the tests. Host extends it, and the sound, picture and MIDI
// code take it directly; script commands go through Interpreter::showMessage and scriptError.
#pragma once

#include <string>

#include "base/text_encoding.h"

namespace vellaro {

class MessageSink {
 public:
  virtual ~MessageSink() = default;
  // Shows the text exactly as given.
  virtual void showMessage(const std::string& text) = 0;

  // The encoding of the lesson file being run, set whenever the interpreter reads one: messages,
  // labels, fields and the debug menu's texts given from then on are in it.
  void setTextEncoding(TextEncoding encoding) { textEncoding_ = encoding; }
  TextEncoding textEncoding() const { return textEncoding_; }

 private:
  TextEncoding textEncoding_ = TextEncoding::Ansi;
};

}  // namespace vellaro
