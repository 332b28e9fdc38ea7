#include "script/conditions.h"

#include <cstring>
#include <string>

#include "script/interpreter.h"
#include "script/text.h"

namespace vellaro {
namespace {

// Numeric comparison for > and <; name is the operator as it appears in the messages.
bool compareNumbers(Interpreter& interpreter, const char* a, const char* b, char name) {
  if (!isNumber(a)) {
    interpreter.scriptError("if(%c): variable 1 is not  number", name);
    return false;
  }
  if (!isNumber(b)) {
    interpreter.scriptError("if(%c): variable 2 is not  number", name);
    return false;
  }
  return name == '>' ? textToInt(a) > textToInt(b) : textToInt(a) < textToInt(b);
}

bool inRange(Interpreter& interpreter, const char* a, const char* range) {
  if (!isNumber(a)) {
    interpreter.scriptError("if(diapazone): variable is not number");
    return false;
  }
  int comma = findText(",", range, 0);
  if (comma < 0) {
    interpreter.scriptError("if(diapazone): diapazone contains no separator(,)");
    return false;
  }
  std::string low(range, static_cast<size_t>(comma));
  const char* high = range + comma + 1;
  if (!isNumber(low.c_str())) {
    interpreter.scriptError("if(diap): [d1,] is not number");
    return false;
  }
  if (!isNumber(high)) {
    interpreter.scriptError("if(diap): [,d2] is not number");
    return false;
  }
  int32_t value = textToInt(a);
  return textToInt(low.c_str()) <= value && value <= textToInt(high);
}

}  // namespace

bool evaluateCondition(Interpreter& interpreter, char* a, const char* op, char* b) {
  // Both sides are resolved, so both missing variables are reported.
  const char* left = interpreter.resolveArgument(a, "if");
  const char* right = interpreter.resolveArgument(b, "if");
  if (!left || !right) return false;
  switch (op[0]) {
    case '=': return std::strcmp(left, right) == 0;
    case '#': return std::strcmp(left, right) != 0;
    case '>':
    case '<': return compareNumbers(interpreter, left, right, op[0]);
    case 'd': return inRange(interpreter, left, right);
    default: return false;
  }
}

}  // namespace vellaro
