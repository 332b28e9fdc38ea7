// The arithmetic behind the math command: a small recursive evaluator that splits a span of text at
// its operator without building a tree, with 256 one-character cells and a sticky first error.
// An operand may be round(x), floor(x) or ceil(x); round takes halves away from zero.
#pragma once

#include <array>
#include <string>

namespace vellaro {

constexpr int kEvaluatorCells = 256;
constexpr size_t kMaxErrorTextLength = 255;
constexpr float kDivideErrorValue = 132200.0f;
constexpr float kSyntaxErrorValue = 123200.0f;

// One instance lives for the whole run of the program: its cells and its error are never reset, so
// after the first failed evaluation every later result is that first error text.
class Evaluator {
 public:
  // Evaluates the whole text in single precision; the value of an error is 123200 or 132200.
  float evaluate(const std::string& text);
  // The value as "%f" with trailing zeros (and then the point) removed, "0" for exactly 0, or the
  // recorded error text (trailing newline included) once any error has occurred.
  std::string evaluateToText(const std::string& text);

  float cell(unsigned char code) const { return cells_[code]; }
  // 0 while no error has occurred, else the value of the latest error.
  float errorValue() const { return errorValue_; }
  const std::string& errorText() const { return errorText_; }

 private:
  float evaluateSpan(const char* start, const char* end, bool allowEmpty);
  float divide(const char* start, const char* slash, const char* end);
  float readOperand(const char* start, const char* end);
  float syntaxError(const char* start, const char* end);
  void recordError(const char* fmt, const char* excerpt, size_t length, float value);

  std::array<float, kEvaluatorCells> cells_{};
  float errorValue_ = 0.0f;
  std::string errorText_;
  // Bounds of the whole text being evaluated, for the excerpts of the error texts.
  const char* textBegin_ = nullptr;
  const char* textEnd_ = nullptr;
};

}  // namespace vellaro
