#include "script/conditions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scenario_fixture.h"
#include "script/text.h"

namespace vellaro {
namespace {

using Conditions = ScenarioTest;

TEST_F(Conditions, OperatorsAndMessages) {
  interpreter.variables.assign("x", "abc");
  interpreter.variables.assign("five", "5");
  interpreter.variables.assign("empty", "");
  struct Case {
    const char* a;
    const char* op;
    const char* b;
    bool holds;
    const char* message;  // nullptr: none
  } cases[] = {
      {"$x", "=", "abc", true, nullptr},
      {"$x", "=", "ABC", false, nullptr},
      {"$five", "#", "05", true, nullptr},
      {"$five", "#", "5", false, nullptr},
      {"$five", ">=", "5", false, nullptr},  // only the first character of the operator counts
      {"$five", ">", "4", true, nullptr},
      {"5", ">", "5", false, nullptr},
      {"$empty", "<", "3", true, nullptr},  // empty counts as 0
      {"-3", "<", "+2", true, nullptr},
      {"abc", ">", "1", false, "0: if(>): variable 1 is not  number"},
      {"1", ">", "x", false, "0: if(>): variable 2 is not  number"},
      {"a", "<", "1", false, "0: if(<): variable 1 is not  number"},
      {"1", "<", "b", false, "0: if(<): variable 2 is not  number"},
      {"1", "diapazone", "1,10", true, nullptr},
      {"10", "d", "1,10", true, nullptr},
      {"0", "d", "1,10", false, nullptr},
      {"11", "d", "1,10", false, nullptr},
      {"5", "d", "10,1", false, nullptr},
      {"x", "d", "1,10", false, "0: if(diapazone): variable is not number"},
      {"5", "d", "1-10", false, "0: if(diapazone): diapazone contains no separator(,)"},
      {"5", "d", "a,10", false, "0: if(diap): [d1,] is not number"},
      {"5", "d", "1,b", false, "0: if(diap): [,d2] is not number"},
      {"0", "d", ",", true, nullptr},  // empty bounds count as 0
      {"5", "d", ",", false, nullptr},
      {"1", "?", "1", false, nullptr},
      {"1", "", "1", false, nullptr},
  };
  for (const Case& c : cases) {
    host.messages.clear();
    char a[kArgumentSize], b[kArgumentSize];
    copyText(a, sizeof a, c.a);
    copyText(b, sizeof b, c.b);
    EXPECT_EQ(evaluateCondition(interpreter, a, c.op, b), c.holds) << c.a << ' ' << c.op << ' ' << c.b;
    std::vector<std::string> messages;
    if (c.message) messages.push_back(c.message);
    EXPECT_EQ(host.messages, messages) << c.a << ' ' << c.op << ' ' << c.b;
  }
}

TEST_F(Conditions, BothSidesAreResolvedAndEitherMissingMakesItFalse) {
  char a[kArgumentSize] = "$nope";
  char b[kArgumentSize] = "$gone";
  EXPECT_FALSE(evaluateCondition(interpreter, a, "#", b));
  EXPECT_EQ(host.messages, (std::vector<std::string>{"0: if  -- Variable ($nope) Does not Exists",
                                                     "0: if  -- Variable ($gone) Does not Exists"}));
}

TEST_F(Conditions, QuotedSidesCompareWithoutTheirQuotes) {
  interpreter.variables.assign("s", "two words");
  char a[kArgumentSize] = "\"$s\"";
  char b[kArgumentSize] = "\"two words\"";
  EXPECT_TRUE(evaluateCondition(interpreter, a, "=", b));
}

}  // namespace
}  // namespace vellaro
