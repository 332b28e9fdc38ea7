// The test behind `if A op B rest...`.
#pragma once

#include <string>

namespace vellaro {

class Interpreter;

// True when the condition holds. Only the first character of op counts: = # > < or d (a range
// d1,d2). False after a reported error and for any other operator.
bool evaluateCondition(Interpreter& interpreter, char* a, const char* op, char* b);

// Why the resolved sides a and b cannot be compared by op (the message the player shows, without
// the line number), or "" when they can. Only > < and d ask for numbers. scnlint asks the same.
std::string conditionProblem(const char* a, char op, const char* b);

}  // namespace vellaro
