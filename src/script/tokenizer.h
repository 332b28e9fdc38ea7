// Splitting a script line into the command word and its arguments.
#pragma once

#include "base/limits.h"

namespace vellaro {

class Host;

constexpr int kArgumentSlots = 100;

// Handlers see, and may write, the first six slots: the command word and five arguments.
constexpr int kHandlerSlots = 6;

// Slot 0 is the command word, slots 1 to 99 the arguments.
struct ArgumentSlots {
  char slot[kArgumentSlots][kArgumentSize];
  int count;

  // Empties every slot. Only the slots that the last line filled, and the ones handlers may write,
  // can hold text: the rest are still empty from the clear before, so only those are touched.
  void clear();
};

// Splits line in place at every blank outside double quotes (the quotes stay) and copies the pieces
// into the slots: one blank separates two arguments, each further blank adds an empty one.
void tokenize(char* line, ArgumentSlots& arguments, Host& host);

}  // namespace vellaro
