#include "expr/evaluator.h"

#include "base/messages.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vellaro {
namespace {

// Tried in this order: the first operator with a split point outside parentheses wins, which gives
// the comma the lowest precedence and the slash the highest.
constexpr char kOperators[] = {',', '=', '+', '-', '*', '/'};

// The split point of op in [start, end), or nullptr. '=' is searched forwards (right-associative
// assignment), the others backwards (left-associative arithmetic).
const char* findSplit(const char* start, const char* end, char op) {
  int depth = 0;
  if (op == '=') {
    for (const char* p = start; p < end; ++p) {
      if (*p == '(') ++depth;
      if (*p == ')') --depth;
      if (*p == op && depth == 0) return p;
    }
    return nullptr;
  }
  for (const char* p = end; p > start;) {
    --p;
    if (*p == '(') ++depth;
    if (*p == ')') --depth;
    if (*p == op && depth == 0) return p;
  }
  return nullptr;
}

// The functions of an operand: a name, then one expression in parentheses.
struct Function {
  const char* name;
  float (*apply)(float);
};

// Halves go away from zero: round(2.5) is 3 and round(-2.5) is -3.
float roundHalfAway(float x) { return std::round(x); }
float roundDown(float x) { return std::floor(x); }
float roundUp(float x) { return std::ceil(x); }

constexpr Function kFunctions[] = {{"round", roundHalfAway}, {"floor", roundDown}, {"ceil", roundUp}};

bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

const char* skipDigits(const char* p, const char* end) {
  while (p < end && isDigit(*p)) ++p;
  return p;
}

// True when the whole span is one decimal number as "%g" reads it: leading white space, a sign,
// digits with an optional point, an optional exponent. Trailing characters of any kind fail.
// The syntax is checked here rather than by sscanf so that no C runtime's extras (inf, nan, hex)
// are accepted and the Windows and native builds agree.
bool isWholeNumber(const char* p, const char* end) {
  while (p < end && isBlank(*p)) ++p;
  if (p < end && (*p == '+' || *p == '-')) ++p;
  const char* digits = p;
  p = skipDigits(p, end);
  bool mantissa = p > digits;
  if (p < end && *p == '.') {
    const char* fraction = ++p;
    p = skipDigits(p, end);
    mantissa = mantissa || p > fraction;
  }
  if (!mantissa) return false;
  if (p < end && (*p == 'e' || *p == 'E')) {
    ++p;
    if (p < end && (*p == '+' || *p == '-')) ++p;
    const char* exponent = p;
    p = skipDigits(p, end);
    if (p == exponent) return false;
  }
  return p == end;
}

// The function whose call is the whole span (after leading white space), with the span of its
// argument in *argStart; nullptr when the span is no call.
const Function* findCall(const char* start, const char* end, const char** argStart) {
  while (start < end && isBlank(*start)) ++start;
  if (end - start < 2 || end[-1] != ')') return nullptr;
  for (const Function& function : kFunctions) {
    size_t length = std::strlen(function.name);
    if (static_cast<size_t>(end - start) > length + 1 && std::strncmp(start, function.name, length) == 0 &&
        start[length] == '(') {
      *argStart = start + length + 1;
      return &function;
    }
  }
  return nullptr;
}

}  // namespace

float Evaluator::evaluate(const std::string& text) {
  textBegin_ = text.c_str();
  textEnd_ = textBegin_ + text.size();
  float value = evaluateSpan(textBegin_, textEnd_, false);
  textBegin_ = textEnd_ = nullptr;
  return value;
}

std::string Evaluator::evaluateToText(const std::string& text) {
  float value = evaluate(text);
  if (errorValue_ != 0.0f) return errorText_;
  if (value == 0.0f) return "0";
  char formatted[64];
  std::snprintf(formatted, sizeof formatted, "%f", static_cast<double>(value));
  std::string result(formatted);
  while (!result.empty() && result.back() == '0') result.pop_back();
  if (!result.empty() && result.back() == '.') result.pop_back();
  return result;
}

float Evaluator::evaluateSpan(const char* start, const char* end, bool allowEmpty) {
  const char* split = nullptr;
  char op = '\0';
  for (char candidate : kOperators) {
    split = findSplit(start, end, candidate);
    if (split) {
      op = candidate;
      break;
    }
  }
  if (!split) {
    if (end - start >= 2 && *start == '(' && end[-1] == ')') return evaluateSpan(start + 1, end - 1, false);
    if (start == end && allowEmpty) return 0.0f;
    return readOperand(start, end);
  }
  switch (op) {
    case ',':
      evaluateSpan(start, split, false);
      return evaluateSpan(split + 1, end, false);
    case '=': {
      // Only "X=..." assigns; an '=' anywhere else leaves a span that cannot be an operand.
      if (split != start + 1) return readOperand(start, end);
      float value = evaluateSpan(split + 1, end, false);
      cells_[static_cast<unsigned char>(*start)] = value;
      return value;
    }
    case '+':
    case '-': {
      float left = evaluateSpan(start, split, true);  // an empty left side makes a leading sign
      float right = evaluateSpan(split + 1, end, false);
      return op == '+' ? left + right : left - right;
    }
    case '*': {
      float left = evaluateSpan(start, split, false);
      return left * evaluateSpan(split + 1, end, false);
    }
    default:
      return divide(start, split, end);
  }
}

// The right operand is evaluated first; near zero it is an error and the left one is never evaluated.
float Evaluator::divide(const char* start, const char* slash, const char* end) {
  float right = evaluateSpan(slash + 1, end, false);
  if (right < -1e-10 || right > 1e-10) return evaluateSpan(start, slash, false) / right;
  // The excerpt is the slash, the right operand and the character after the span.
  size_t length = static_cast<size_t>(end - slash) + (end < textEnd_ ? 1 : 0);
  recordError(kMathDivideByZero, slash, length, kDivideErrorValue);
  return kDivideErrorValue;
}

// A span without an operator: a letter cell, exactly one number, a function call, or a syntax error.
float Evaluator::readOperand(const char* start, const char* end) {
  if (end - start == 1 && isLetter(*start)) return cells_[static_cast<unsigned char>(*start)];
  if (isWholeNumber(start, end)) return std::strtof(std::string(start, end).c_str(), nullptr);
  const char* argument = nullptr;
  if (const Function* function = findCall(start, end, &argument)) {
    return function->apply(evaluateSpan(argument, end - 1, false));
  }
  return syntaxError(start, end);
}

// The excerpt is the character before the span, the span and the character after it, where the
// text has them.
float Evaluator::syntaxError(const char* start, const char* end) {
  const char* from = start > textBegin_ ? start - 1 : start;
  const char* to = end < textEnd_ ? end + 1 : end;
  recordError(kMathSyntaxError, from, static_cast<size_t>(to - from), kSyntaxErrorValue);
  return kSyntaxErrorValue;
}

// Only the first error's text is kept; the excerpt is cut so that the text fits 255 characters.
void Evaluator::recordError(const char* fmt, const char* excerpt, size_t length, float value) {
  if (errorValue_ == 0.0f && errorText_.empty()) {
    size_t frame = std::strlen(fmt) - std::strlen("%.*s");
    size_t room = kMaxErrorTextLength - frame;
    if (length > room) length = room;
    char text[kMaxErrorTextLength + 1];
    std::snprintf(text, sizeof text, fmt, static_cast<int>(length), excerpt);
    errorText_ = text;
  }
  errorValue_ = value;
}

}  // namespace vellaro
