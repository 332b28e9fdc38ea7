#include "expr/evaluator.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <string>

#include "expr/random_table.h"

namespace vellaro {
namespace {

std::string syntaxError(const std::string& excerpt) { return "Math Error: Syntax error near '" + excerpt + "'\n"; }
std::string divideError(const std::string& excerpt) { return "Math Error: Divide by 0 near '" + excerpt + "'\n"; }

struct Case {
  const char* expression;
  std::string result;
};

// Each case runs on a fresh evaluator, so an error of one case cannot hide the next.
void expectResults(std::initializer_list<Case> cases) {
  for (const Case& c : cases) {
    Evaluator evaluator;
    EXPECT_EQ(evaluator.evaluateToText(c.expression), c.result) << c.expression;
  }
}

TEST(Evaluator, PrecedenceAndLeftAssociativity) {
  expectResults({
      {"1+2*3", "7"}, {"(1+2)*3", "9"}, {"7-2-1", "4"}, {"8/4/2", "1"}, {"2*3+4*5", "26"},
      {"10-4+3", "9"},  // '+' splits first, so this is 10-4 plus 3, not 10-(4+3)
      {"2*(3+4)", "14"}, {"((2))", "2"}, {"(1+2)*(3-1)/2", "3"}, {"2^3", syntaxError("2^3")},
  });
}

TEST(Evaluator, LeadingSignIsAnEmptyLeftOperand) {
  expectResults({
      {"-2*3", "-6"}, {"+5", "5"}, {"-5", "-5"}, {"2-(-3)", "5"},
      {"2*-3", syntaxError("*-")},  // split at '-' leaves "2*" whose right operand is empty
      {"2--3", syntaxError("--")},  // "2-" has an empty right operand between the two signs
      {"-", syntaxError("-")}, {"", syntaxError("")}, {"()", syntaxError("()")},
  });
}

TEST(Evaluator, FormattingOfResults) {
  expectResults({
      {"10/4", "2.5"}, {"9/3", "3"}, {"1/3", "0.333333"}, {"2/3", "0.666667"}, {"0.0000001", "0"},
      {"100000", "100000"},  // zeros before the point stay
      {"0", "0"}, {"0*5", "0"}, {"-0", "0"}, {"0.5", "0.5"}, {".5", "0.5"}, {"3.", "3"},
      {"16777217", "16777216"},  // single precision
      {"1e39", "inf"},
  });
}

TEST(Evaluator, BlanksBeforeANumberOnly) {
  expectResults({
      {"5+ 3", "8"}, {" 7", "7"}, {"5 +3", syntaxError("5 +")}, {"5 + 3", syntaxError("5 +")},
      {"(1 )", syntaxError("(1 )")}, {"\t4*2", "8"},
  });
}

TEST(Evaluator, NumbersMustBeConsumedWhole) {
  expectResults({
      {"1e5", "100000"}, {"2E2", "200"}, {"1.5e1", "15"},
      {"1e-5", syntaxError("1e-")},  // split at the '-'
      {"1e", syntaxError("1e")}, {"1.2.3", syntaxError("1.2.3")}, {"12abc", syntaxError("12abc")},
      {"0x10", syntaxError("0x10")}, {"nan", syntaxError("nan")}, {"inf", syntaxError("inf")},
      {".", syntaxError(".")},
  });
}

TEST(Evaluator, LettersAndAssignment) {
  Evaluator evaluator;
  EXPECT_EQ(evaluator.evaluateToText("A=5"), "5");
  EXPECT_EQ(evaluator.evaluateToText("A*2"), "10");  // cells live on between evaluations
  EXPECT_EQ(evaluator.evaluateToText("a"), "0");      // lower case is another cell
  EXPECT_EQ(evaluator.evaluateToText("A=B=4"), "4");
  EXPECT_EQ(evaluator.cell('A'), 4.0f);
  EXPECT_EQ(evaluator.cell('B'), 4.0f);
  EXPECT_EQ(evaluator.evaluateToText("A=1,A+1"), "2");
  EXPECT_EQ(evaluator.evaluateToText("C=(1,2)*3"), "6");  // the comma inside parentheses
  EXPECT_EQ(evaluator.evaluateToText("(Z=3)+Z"), "6");
  EXPECT_EQ(evaluator.evaluateToText("1=7"), "7");  // any cell can be written...
  EXPECT_EQ(evaluator.cell('1'), 7.0f);
  EXPECT_EQ(evaluator.evaluateToText("1"), "1");  // ...but only letters are read
  EXPECT_EQ(evaluator.errorValue(), 0.0f);
}

TEST(Evaluator, MisplacedEqualsIsASyntaxError) {
  expectResults({
      {"AB=5", syntaxError("AB=5")}, {"=5", syntaxError("=5")}, {"1+A=2", syntaxError("1+A=2")},
      {"A+1", "1"},  // an unassigned letter reads 0
  });
}

TEST(Evaluator, DivisionByZeroDoesNotEvaluateTheLeftOperand) {
  Evaluator evaluator;
  EXPECT_EQ(evaluator.evaluateToText("1/0"), divideError("/0"));
  EXPECT_EQ(evaluator.errorValue(), kDivideErrorValue);

  Evaluator other;
  EXPECT_EQ(other.evaluateToText("(A=5)/0"), divideError("/0"));
  EXPECT_EQ(other.cell('A'), 0.0f);

  expectResults({
      {"(1/0)+1", divideError("/0)")},  // the excerpt takes the character after the span
      {"1/(2-2)", divideError("/(2-2)")}, {"1/0.00000000001", divideError("/0.00000000001")},
      {"1/0.25", "4"},
  });
}

TEST(Evaluator, SyntaxErrorExcerptTakesTheNeighbouringCharacters) {
  expectResults({
      {"1+x2", syntaxError("+x2")}, {"(3+?)*2", syntaxError("+?)")}, {"1+2+", syntaxError("+")},
  });
}

TEST(Evaluator, FirstErrorIsStickyForTheWholeRun) {
  Evaluator evaluator;
  EXPECT_EQ(evaluator.evaluateToText("1/0"), divideError("/0"));
  EXPECT_EQ(evaluator.evaluateToText("1+1"), divideError("/0"));
  EXPECT_EQ(evaluator.evaluateToText("2^3"), divideError("/0"));  // a later error keeps the first text...
  EXPECT_EQ(evaluator.errorValue(), kSyntaxErrorValue);           // ...but sets the value again
  EXPECT_EQ(evaluator.evaluateToText("5"), divideError("/0"));
}

TEST(Evaluator, TheFirstErrorOfOneEvaluationWins) {
  // The right operand of '/' is evaluated first, the left one of the others.
  expectResults({{"1a+2b", syntaxError("1a+")}, {"1a/2b", syntaxError("/2b")}, {"1/0*1a", divideError("/0*")}});
}

TEST(Evaluator, ErrorTextIsCutTo255Characters) {
  std::string longSpan = "1+" + std::string(300, '?');
  Evaluator evaluator;
  std::string text = evaluator.evaluateToText(longSpan);
  EXPECT_EQ(text.size(), kMaxErrorTextLength);
  EXPECT_EQ(text, syntaxError("+" + std::string(kMaxErrorTextLength - syntaxError("").size() - 1, '?')));
}

TEST(Evaluator, DeepNestingStaysWithinTheText) {
  std::string nested = std::string(120, '(') + "6" + std::string(120, ')');
  expectResults({{nested.c_str(), "6"}, {"((1)", syntaxError("((1)")}, {"(1))", syntaxError("(1))")}});
}

// Fixed ticks make std::rand return the same first value after every reseed, so each draw shows
// the table entry it was mixed with.
class RandomTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::srand(kTicks);
    firstRand_ = static_cast<uint32_t>(std::rand());
    std::srand(kTicks);
  }
  int32_t draw(int32_t n = INT32_MAX, uint32_t clock = 0) { return table_.randomBelow(n, clock, kTicks); }
  int32_t expected(uint32_t plus, int32_t n = INT32_MAX) { return static_cast<int32_t>(firstRand_ + plus) % n; }

  static constexpr uint32_t kTicks = 4242;
  RandomTable table_;
  uint32_t firstRand_ = 0;
};

TEST_F(RandomTableTest, MixesStartValuesAndTheRotatingIndex) {
  EXPECT_EQ(draw(), expected(521));        // T[0]
  EXPECT_EQ(draw(), expected(176));        // T[1]
  EXPECT_EQ(draw(), expected(226 + 521));  // T[2] was raised by the old T[0]
  EXPECT_EQ(draw(), expected(3 + 176));    // T[3] likewise by the old T[1]
  EXPECT_EQ(draw(), expected(400 + 747));
}

TEST_F(RandomTableTest, IndexWrapsAfter256DrawsAndEntriesGrow) {
  for (int i = 0; i < kRandomTableSize; ++i) draw();
  // T[0] became 521 plus the first draw's rand and time; the 257th draw mixes it in again.
  EXPECT_EQ(draw(), expected(firstRand_ + 521));
}

TEST_F(RandomTableTest, TimeOfDayIsReadAsSignedAndMadeNonNegative) {
  EXPECT_EQ(draw(INT32_MAX, 1000), expected(521 + 1000));
  EXPECT_EQ(draw(INT32_MAX, 0xFFFFFC18u), expected(176 + 1000));  // -1000 as signed 32-bit
}

TEST_F(RandomTableTest, ResultsStayBelowTheBoundUntilTheSumWraps) {
  for (int i = 0; i < 50; ++i) {
    int32_t r = draw(6, 123456);
    EXPECT_GE(r, 0);
    EXPECT_LT(r, 6);
  }
  // A sum past 2^31 is negative, and so is its truncating remainder.
  RandomTable fresh;
  int32_t wrapped = fresh.randomBelow(INT32_MAX, 0x7FFFFFFFu, kTicks);
  EXPECT_EQ(wrapped, static_cast<int32_t>(firstRand_ + 0x7FFFFFFFu + 521) % INT32_MAX);
  EXPECT_LT(wrapped, 0);
}

}  // namespace
}  // namespace vellaro
