#include "headless/headless_transcript.h"

#include "script/text.h"

namespace vellaro {

void Transcript::add(const std::string& event) {
  lines_.push_back(format("%7llu ms  ", static_cast<unsigned long long>(clock_.elapsed())) + asUtf8(event));
}

void Transcript::addAt(uint64_t elapsedMs, const std::string& event) {
  lines_.push_back(format("%7llu ms  ", static_cast<unsigned long long>(elapsedMs)) + asUtf8(event));
}

void Transcript::addValueLine(const std::string& line) {
  bool utf8 = isValidUtf8(line.data(), line.size());
  lines_.push_back(textAsUtf8(line, utf8 ? TextEncoding::Utf8 : TextEncoding::Ansi));
}

std::string Transcript::asUtf8(const std::string& line) const {
  return textAsUtf8(line, encodingSource_ ? encodingSource_->textEncoding() : TextEncoding::Ansi);
}

std::string Transcript::text() const {
  std::string all;
  for (const std::string& line : lines_) all += line + "\n";
  return all;
}

std::string quoted(const std::string& text) {
  std::string result = "\"";
  for (char c : text) {
    switch (c) {
      case '\n': result += "\\n"; break;
      case '\r': result += "\\r"; break;
      case '\t': result += "\\t"; break;
      default: result += c; break;
    }
  }
  return result + "\"";
}

}  // namespace vellaro
