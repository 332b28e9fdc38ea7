#include "script/conditions.h"

#include <cstring>

#include "base/messages.h"
#include "script/interpreter.h"
#include "script/text.h"

namespace vellaro {
namespace {

// A range "d1,d2" split at its first comma; false when it has none.
bool splitRange(const char* range, std::string* low, const char** high) {
  int comma = findText(",", range, 0);
  if (comma < 0) return false;
  low->assign(range, static_cast<size_t>(comma));
  *high = range + comma + 1;
  return true;
}

std::string rangeProblem(const char* a, const char* range) {
  if (!isNumber(a)) return kIfRangeValueNotNumber;
  std::string low;
  const char* high = nullptr;
  if (!splitRange(range, &low, &high)) return kIfRangeNoComma;
  if (!isNumber(low.c_str())) return kIfRangeLowNotNumber;
  if (!isNumber(high)) return kIfRangeHighNotNumber;
  return "";
}

bool inRange(const char* a, const char* range) {
  std::string low;
  const char* high = nullptr;
  splitRange(range, &low, &high);
  int32_t value = textToInt(a);
  return textToInt(low.c_str()) <= value && value <= textToInt(high);
}

}  // namespace

std::string conditionProblem(const char* a, char op, const char* b) {
  if (op == 'd') return rangeProblem(a, b);
  if (op != '>' && op != '<') return "";
  if (!isNumber(a)) return format(kIfFirstNotNumber, op);
  if (!isNumber(b)) return format(kIfSecondNotNumber, op);
  return "";
}

bool evaluateCondition(Interpreter& interpreter, char* a, const char* op, char* b) {
  // Both sides are resolved, so both missing variables are reported.
  const char* left = interpreter.resolveArgument(a, kItemIf);
  const char* right = interpreter.resolveArgument(b, kItemIf);
  if (!left || !right) return false;
  std::string problem = conditionProblem(left, op[0], right);
  if (!problem.empty()) {
    interpreter.scriptError("%s", problem.c_str());
    return false;
  }
  switch (op[0]) {
    case '=': return std::strcmp(left, right) == 0;
    case '#': return std::strcmp(left, right) != 0;
    case '>': return textToInt(left) > textToInt(right);
    case '<': return textToInt(left) < textToInt(right);
    case 'd': return inRange(left, right);
    default: return false;
  }
}

}  // namespace vellaro
