#include "expr/evaluator.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "expr/random_table.h"

namespace vellaro {
namespace {

std::string syntax(const std::string& excerpt) { return "Math Error: Syntax error near '" + excerpt + "'\n"; }
std::string divide(const std::string& excerpt) { return "Math Error: Divide by 0 near '" + excerpt + "'\n"; }

// Each expression on a fresh evaluator, so that no sticky error hides the next case.
TEST(Evaluator, ResultsAndErrorExcerpts) {
  const std::string nested = std::string(120, '(') + "6" + std::string(120, ')');
  struct Case {
    std::string expression, result;
  } cases[] = {
      // Precedence: the comma, then '=', then + - * / split at their rightmost occurrence.
      {"1+2*3", "7"}, {"(1+2)*3", "9"}, {"7-2-1", "4"}, {"8/4/2", "1"}, {"2*(3+4)", "14"},
      {"10-4+3", "9"}, {nested, "6"}, {"2^3", syntax("2^3")},
      // A sign is an operator whose left operand may be empty, but only for + and -.
      {"-2*3", "-6"}, {"+5", "5"}, {"2-(-3)", "5"}, {"-0", "0"},
      {"2*-3", syntax("*-")}, {"2--3", syntax("--")}, {"", syntax("")}, {"()", syntax("()")},
      // "%f" with trailing zeros and the point removed; single precision.
      {"10/4", "2.5"}, {"9/3", "3"}, {"1/3", "0.333333"}, {"0.0000001", "0"}, {"100000", "100000"},
      {".5", "0.5"}, {"3.", "3"}, {"16777217", "16777216"}, {"1e39", "inf"},
      // Blanks may only lead a number.
      {"5+ 3", "8"}, {"\t4*2", "8"}, {"5 +3", syntax("5 +")}, {"5 + 3", syntax("5 +")}, {"(1 )", syntax("(1 )")},
      // A number must be consumed whole; no runtime extras.
      {"1e5", "100000"}, {"1.5E1", "15"}, {"1e-5", syntax("1e-")}, {"1e", syntax("1e")},
      {"1.2.3", syntax("1.2.3")}, {"0x10", syntax("0x10")}, {"nan", syntax("nan")}, {".", syntax(".")},
      // Assignment only as the second character; an unassigned letter reads 0.
      {"AB=5", syntax("AB=5")}, {"=5", syntax("=5")}, {"1+A=2", syntax("1+A=2")}, {"A+1", "1"},
      // Division: the right operand first; near zero the left one is never evaluated.
      {"1/0", divide("/0")}, {"(1/0)+1", divide("/0)")}, {"1/(2-2)", divide("/(2-2)")},
      {"1/0.00000000001", divide("/0.00000000001")}, {"1/0.25", "4"},
      // The first error of the evaluation wins; its excerpt takes the neighbouring characters.
      {"1a+2b", syntax("1a+")}, {"1a/2b", syntax("/2b")}, {"1/0*1a", divide("/0*")}, {"(3+?)*2", syntax("+?)")},
      {"((1)", syntax("((1)")}, {"(1))", syntax("(1))")},
      {"1+" + std::string(300, '?'), syntax("+" + std::string(kMaxErrorTextLength - 34, '?'))},  // cut to 255
  };
  for (const Case& c : cases) {
    Evaluator evaluator;
    EXPECT_EQ(evaluator.evaluateToText(c.expression), c.result) << c.expression;
  }
}

// round, floor and ceil: an operand that is a name and one parenthesised expression.
TEST(Evaluator, RoundingFunctions) {
  struct Case {
    std::string expression, result;
  } cases[] = {
      // Halves go away from zero; a value just below a half goes down.
      {"round(2.5)", "3"}, {"round(-2.5)", "-3"}, {"round(0.5)", "1"}, {"round(3.49)", "3"},
      {"round(-0.4)", "0"}, {"round(7)", "7"},
      {"floor(2.9)", "2"}, {"floor(-2.1)", "-3"}, {"ceil(2.1)", "3"}, {"ceil(-2.9)", "-2"}, {"ceil(-0.5)", "0"},
      // A score out of ten: the argument is a whole expression, the call an operand of others.
      {"round(2*10/3)", "7"}, {"round(2/3*10)", "7"}, {"floor(2*10/3)", "6"}, {"round(10/4)+1", "4"},
      {"-round(2.5)", "-3"}, {"2*floor(1.5)", "2"}, {"round(floor(2.7)+0.5)", "3"}, {"5+ round(1.4)", "6"},
      {"A=round(8/3),A*2", "6"}, {"round((1+2)*1.5)", "5"},
      // A name that is no function, a missing argument, text after the call and case all stay errors.
      {"trunc(2.5)", syntax("trunc(2.5)")}, {"round()", syntax("()")}, {"round(2)3", syntax("round(2)3")},
      {"ROUND(2.5)", syntax("ROUND(2.5)")}, {"round 2.5", syntax("round 2.5")}, {"round(1/0)", divide("/0)")},
      {"round(2.5", syntax("round(2.5")},
  };
  for (const Case& c : cases) {
    Evaluator evaluator;
    EXPECT_EQ(evaluator.evaluateToText(c.expression), c.result) << c.expression;
  }
}

TEST(Evaluator, CellsAndTheStickyErrorLastForTheRun) {
  struct Step {
    const char* expression;
    std::string result;
  } steps[] = {
      {"A=5", "5"}, {"A*2", "10"}, {"a", "0"}, {"A=B=4", "4"}, {"A+B", "8"}, {"A=1,A+1", "2"},
      {"C=(1,2)*3", "6"}, {"(Z=3)+Z", "6"}, {"1=7", "7"}, {"1", "1"},  // any cell is written, letters read
      {"(D=5)/0", divide("/0")}, {"1+1", divide("/0")}, {"2^3", divide("/0")},
  };
  Evaluator evaluator;
  for (const Step& s : steps) EXPECT_EQ(evaluator.evaluateToText(s.expression), s.result) << s.expression;
  EXPECT_EQ(evaluator.cell('D'), 0.0f);
  EXPECT_EQ(evaluator.cell('1'), 7.0f);
  EXPECT_EQ(evaluator.errorValue(), kSyntaxErrorValue);  // a later error sets the value, not the text
}

// With fixed ticks std::rand gives the same first value after every reseed, so each draw shows the
// table entry it was mixed with.
TEST(RandomTable, StartValuesRotatingIndexAndSignedTime) {
  constexpr uint32_t kTicks = 4242;
  std::srand(kTicks);
  const uint32_t r = static_cast<uint32_t>(std::rand());
  auto expected = [r](uint32_t plus) { return static_cast<int32_t>((r + plus) % INT32_MAX); };
  RandomTable table;
  std::srand(kTicks);
  EXPECT_EQ(table.randomBelow(INT32_MAX, 0, kTicks), expected(521));                 // T[0]
  EXPECT_EQ(table.randomBelow(INT32_MAX, 1000, kTicks), expected(176 + 1000));       // T[1]
  EXPECT_EQ(table.randomBelow(INT32_MAX, 0xFFFFFC18u, kTicks), expected(747 + 1000));  // T[2] + old T[0]; -1000 ms
  EXPECT_EQ(table.randomBelow(INT32_MAX, 0, kTicks), expected(3 + 176));             // T[3] + old T[1]
  for (int i = 4; i < kRandomTableSize; ++i) table.randomBelow(1, 0, kTicks);
  EXPECT_EQ(table.randomBelow(INT32_MAX, 0, kTicks), expected(r + 521));  // T[0] grew by the first draw

  // A sum past 2^31 still gives a number from 0 to the bound minus 1: the remainder is taken of the
  // unsigned sum, not of its negative signed reading.
  RandomTable fresh;
  EXPECT_EQ(fresh.randomBelow(6, 0x7FFFFFFFu, kTicks), static_cast<int32_t>((r + 0x7FFFFFFFu + 521) % 6));
  for (int i = 0; i < 3 * kRandomTableSize; ++i) {
    int32_t number = fresh.randomBelow(6, 0x7FFFFFFFu + static_cast<uint32_t>(i) * 7919u, kTicks);
    ASSERT_GE(number, 0);
    ASSERT_LT(number, 6);
  }
}

}  // namespace
}  // namespace vellaro
