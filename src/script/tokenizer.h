// Splitting a script line into the command word and its arguments.
#pragma once

namespace vellaro {

class Host;

constexpr int kArgumentSlots = 100;
constexpr int kArgumentSize = 256;  // a whole 255-character line fits one slot

// Slot 0 is the command word, slots 1 to 99 the arguments; every slot is writable by handlers.
struct ArgumentSlots {
  char slot[kArgumentSlots][kArgumentSize];
  int count;

  void clear();
};

// Splits line in place at every blank outside double quotes (the quotes stay) and copies the pieces
// into the slots: one blank separates two arguments, each further blank adds an empty one.
void tokenize(char* line, ArgumentSlots& arguments, Host& host);

}  // namespace vellaro
