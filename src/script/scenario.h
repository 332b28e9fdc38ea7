// Scenario files in memory: the line reader, the LineTable, labels and the CallStack.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "base/limits.h"

namespace vellaro {

constexpr int kMaxCallDepth = 100;

// Reads one line into buffer (room for max characters and the terminator) and returns its length.
// A line ends once both a CR and a LF have been read since it began, in either order; neither is
// stored. A longer line is cut after max characters, its next character is lost.
int readLine(std::FILE* file, char* buffer, int max);

// The lines of the scenario file being run; slot count() and beyond are empty (end of scenario).
class LineTable {
 public:
  void clear() { lines_.clear(); }
  int count() const { return static_cast<int>(lines_.size()); }
  // The line in slot, or nullptr for an empty slot (also for slots outside the table).
  const char* at(int slot) const;
  // Appends a line; false when all 3000 slots are in use.
  bool append(const char* line);
  // The first line from slot 0 on whose whole text equals target, or -1.
  int findLabel(const char* target) const;

 private:
  std::vector<std::string> lines_;
};

struct CallEntry {
  std::string file;
  uint16_t line = 0;
};

class CallStack {
 public:
  int depth() const { return depth_; }
  bool empty() const { return depth_ == 0; }
  // Stores the entry; false when the stack was already full (the entry is dropped).
  bool push(const std::string& file, uint16_t line);
  // Removes and returns the top entry; the stack must not be empty.
  CallEntry pop();
  // The entry at index (0 is the bottom); index must be below depth().
  CallEntry& entryAt(int index) { return entries_[static_cast<size_t>(index)]; }
  // "%s : %d\r\n" for each entry from the bottom up.
  std::string text() const;

 private:
  std::array<CallEntry, kMaxCallDepth> entries_{};
  uint16_t depth_ = 0;
};

}  // namespace vellaro
