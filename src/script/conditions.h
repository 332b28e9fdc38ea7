// The test behind `if A op B rest...`.
#pragma once

namespace vellaro {

class Interpreter;

// True when the condition holds. Only the first character of op counts: = # > < or d (a range
// d1,d2). False after a reported error and for any other operator.
bool evaluateCondition(Interpreter& interpreter, char* a, const char* op, char* b);

}  // namespace vellaro
