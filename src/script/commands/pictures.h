// The coordinate and colour syntax of the picture commands, shared with the text commands.
#pragma once

#include "script/screen.h"

namespace vellaro {

class Interpreter;

// A coordinate text: "N" from the near edge, "-N" from the far edge, "*N" from the centre.
// Without oldstyle = "1" the object's extent along the axis is allowed for, so that -N puts its
// far side and *N its centre there. Shows "%d: Coordinate is not a number" and gives 0 otherwise.
int parseCoordinate(Interpreter& in, const char* text, int extent, int screenSize);

// Six characters RRGGBB; only 0-9 and A-F count as digits, others are skipped ("ff" reads 0).
// The caller checks the length with its own message.
Rgb parseColour(const char* sixCharacters);

}  // namespace vellaro
