#include "headless/headless_transcript.h"

#include "script/text.h"

namespace vellaro {

void Transcript::add(const std::string& event) {
  lines_.push_back(format("%7llu ms  ", static_cast<unsigned long long>(clock_.elapsed())) + event);
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
