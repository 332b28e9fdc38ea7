#include "script/scenario.h"

#include <cstring>

#include "script/text.h"

namespace vellaro {

int readLine(std::FILE* file, char* buffer, int max) {
  int stored = 0;
  bool carriageReturnSeen = false;
  bool lineFeedSeen = false;
  while (!std::feof(file) && !(carriageReturnSeen && lineFeedSeen)) {
    int c = std::fgetc(file);
    if (c == EOF) break;
    if (c == '\r') {
      carriageReturnSeen = true;
    } else if (c == '\n') {
      lineFeedSeen = true;
    } else {
      if (stored >= max) break;  // the byte that does not fit is lost
      buffer[stored++] = static_cast<char>(c);
    }
  }
  buffer[stored] = '\0';
  return stored;
}

const char* LineTable::at(int slot) const {
  if (slot < 0 || slot >= count()) return nullptr;
  return lines_[static_cast<size_t>(slot)].c_str();
}

bool LineTable::append(const char* line) {
  if (count() >= kMaxLines) return false;
  lines_.emplace_back(line);
  return true;
}

int LineTable::findLabel(const char* target) const {
  for (int i = 0; i < count(); ++i) {
    if (lines_[static_cast<size_t>(i)] == target) return i;
  }
  return -1;
}

bool CallStack::push(const std::string& file, uint16_t line) {
  if (depth_ >= kMaxCallDepth) return false;
  entries_[depth_].file = file;
  entries_[depth_].line = line;
  ++depth_;
  return true;
}

CallEntry CallStack::pop() {
  --depth_;
  CallEntry entry = std::move(entries_[depth_]);
  entries_[depth_] = CallEntry{};
  return entry;
}

std::string CallStack::text() const {
  std::string result;
  for (int i = 0; i < depth_; ++i) result += format("%s : %d\r\n", entries_[i].file.c_str(), entries_[i].line);
  return result;
}

}  // namespace vellaro
