#include "script/variables.h"

#include <gtest/gtest.h>

#include <string>

#include "fake_host.h"
#include "scenario_fixture.h"
#include "script/text.h"

namespace vellaro {
namespace {

TEST(VariableTable, CreateSetGetWithExactNames) {
  FakeHost host;
  VariableTable table(host);
  EXPECT_EQ(table.createVariable("Name"), 0);
  EXPECT_EQ(table.setVariable("Name", "x y"), 0);
  EXPECT_STREQ(table.getVariable("Name"), "x y");
  EXPECT_EQ(table.getVariable("name"), nullptr);  // case-sensitive
  EXPECT_EQ(table.setVariable("missing", "v"), -1);
  EXPECT_FALSE(table.variableExists("missing"));
  // The empty name finds the first free slot while one exists.
  EXPECT_TRUE(table.variableExists(""));
}

TEST(VariableTable, ValueIsLiveText) {
  FakeHost host;
  VariableTable table(host);
  table.assign("v", "abc");
  table.getVariable("v")[0] = 'X';
  EXPECT_STREQ(table.getVariable("v"), "Xbc");
}

TEST(VariableTable, The101stVariableIsRefused) {
  FakeHost host;
  VariableTable table(host);
  for (int i = 0; i < kMaxVariables; ++i) ASSERT_EQ(table.createVariable(("v" + std::to_string(i)).c_str()), i);
  EXPECT_EQ(table.createVariable("extra"), -1);
  EXPECT_EQ(host.messages, std::vector<std::string>{"TOO MANY VARIABLES!"});
  EXPECT_EQ(table.setVariable("extra", "1"), -1);
  EXPECT_STREQ(table.nameAt(kMaxVariables - 1), "v99");
  EXPECT_FALSE(table.variableExists(""));  // no free slot left to match the empty name
}

TEST(VariableTable, OverlongNamesAndValuesAreCutToTheirField) {
  FakeHost host;
  VariableTable table(host);
  std::string longName(300, 'n');
  std::string longValue(400, 'v');
  table.createVariable("before");
  EXPECT_EQ(table.assign(longName.c_str(), longValue.c_str()), 1);
  table.assign("after", "neighbour");
  EXPECT_EQ(std::string(table.nameAt(1)), longName.substr(0, 254));
  EXPECT_EQ(std::string(table.valueAt(1)), longValue.substr(0, 254));
  EXPECT_STREQ(table.getVariable("after"), "neighbour");
  // The same long name finds the same slot again instead of taking a new one.
  EXPECT_EQ(table.assign(longName.c_str(), "short"), 1);
  EXPECT_STREQ(table.getVariable(longName.c_str()), "short");
}

// 253 x and a two-byte e acute: the e acute would end at byte 255, past the field.
TEST(VariableTable, AValueOfAUtf8LessonIsCutBeforeACharacterThatWouldNotFitWhole) {
  struct Case {
    TextEncoding encoding;
    size_t kept;
  } cases[] = {{TextEncoding::Utf8, 253}, {TextEncoding::Ansi, 254}};
  const std::string value = std::string(253, 'x') + "\xC3\xA9";
  for (const Case& c : cases) {
    FakeHost host;
    host.setTextEncoding(c.encoding);
    VariableTable table(host);
    table.assign("v", value.c_str());
    EXPECT_EQ(std::string(table.getVariable("v")), value.substr(0, c.kept));
  }
}

TEST_F(ScenarioTest, ExpansionOfAUtf8LessonEndsBeforeACharacterThatWouldNotFitWhole) {
  writeFile("index.scn", "# \xC3\xA9\r\n");
  ASSERT_TRUE(interpreter.loadScenario("index.scn"));
  interpreter.variables.assign("greek", "\xCE\xB1\xCE\xB2\xCE\xB3\xCE\xB4");
  std::string text = std::string(247, 'x') + "$greek";
  char slot[kArgumentSize];
  copyText(slot, sizeof slot, text.c_str());
  // alpha, beta and gamma end at byte 253; delta would need bytes 254 and 255 of 254.
  EXPECT_EQ(interpreter.expandReferences(slot, "eval"), std::string(247, 'x') + "\xCE\xB1\xCE\xB2\xCE\xB3");
}

using Resolve = ScenarioTest;

TEST_F(Resolve, ResolveArgumentRules) {
  interpreter.variables.assign("x", "value of x");
  struct Case {
    const char* argument;
    const char* result;  // nullptr: the variable is missing
  } cases[] = {
      {"plain", "plain"}, {"\"quoted text\"", "quoted text"}, {"\"$x\"", "value of x"}, {"$x", "value of x"},
      {"\"", ""},          {"a$x", "a$x"},                    {"\"half", "\"half"},     {"$", ""},
      {"$nope", nullptr},
  };
  for (const Case& c : cases) {
    char slot[kArgumentSize];
    copyText(slot, sizeof slot, c.argument);
    const char* result = interpreter.resolveArgument(slot, "ctx");
    if (c.result) {
      ASSERT_NE(result, nullptr) << c.argument;
      EXPECT_STREQ(result, c.result) << c.argument;
    } else {
      EXPECT_EQ(result, nullptr) << c.argument;
    }
  }
  EXPECT_EQ(host.messages, std::vector<std::string>{"0: ctx  -- Variable ($nope) Does not Exists"});
}

TEST_F(Resolve, ExpandReferencesRules) {
  interpreter.variables.assign("a", "3");
  interpreter.variables.assign("b", "4");
  interpreter.variables.assign("one", "1");
  struct Case {
    const char* text;
    const char* result;
  } cases[] = {
      {"$a*2+$b", "3*2+4"}, {"\"$a*2\"", "3*2"}, {"$one.5", "1.5"}, {"$$a", "a"},
      {"($a)/($b)", "(3)/(4)"}, {"no refs", "no refs"}, {"$a$b", "34"},
  };
  for (const Case& c : cases) {
    char slot[kArgumentSize];
    copyText(slot, sizeof slot, c.text);
    EXPECT_EQ(interpreter.expandReferences(slot, "math"), c.result) << c.text;
  }
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(Resolve, ExpandReferencesReportsAMissingNameAndKeepsTheRest) {
  interpreter.variables.assign("a", "3");
  interpreter.variables.assign("b", "4");
  char slot[kArgumentSize];
  copyText(slot, sizeof slot, "1+$a,$b");  // a comma belongs to the name
  EXPECT_EQ(interpreter.expandReferences(slot, "eval"), "1+$a,$b");
  EXPECT_EQ(host.messages, std::vector<std::string>{"0: eval  -- Variable (a,) Does not Exists"});
}

TEST_F(Resolve, ExpandReferencesStopsAt254Characters) {
  interpreter.variables.assign("big", std::string(200, 'x').c_str());
  char slot[kArgumentSize];
  copyText(slot, sizeof slot, "$big+$big");
  EXPECT_EQ(interpreter.expandReferences(slot, "math"), std::string(200, 'x') + "+" + std::string(53, 'x'));
}

TEST(BracedReference, LengthOfTheBracedForm) {
  struct Case {
    const char* text;
    size_t length;
  } cases[] = {
      {"${a}", 4}, {"${score} points", 8}, {"${a b}", 6}, {"${a}}", 4}, {"${}", 0}, {"${a", 0},
      {"$a}", 0}, {"{a}", 0}, {"$", 0}, {"", 0}, {"$${a}", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(bracedReferenceLength(c.text), c.length) << c.text;
}

// ${name} in a whole item, as every command resolves its items (if, texts, files).
TEST_F(Resolve, BracedItemIsTheWholeItem) {
  interpreter.variables.assign("x", "value of x");
  struct Case {
    const char* argument;
    const char* result;  // nullptr: reported as missing
  } cases[] = {
      {"${x}", "value of x"}, {"\"${x}\"", "value of x"}, {"a${x}", "a${x}"},
      {"${x}y", nullptr},  // a reference is the whole item; the plain form names "{x}y"
      {"${nope}", nullptr}, {"${}", nullptr}, {"${x", nullptr},
  };
  for (const Case& c : cases) {
    char slot[kArgumentSize];
    copyText(slot, sizeof slot, c.argument);
    const char* result = interpreter.resolveArgument(slot, "ctx");
    if (c.result) {
      ASSERT_NE(result, nullptr) << c.argument;
      EXPECT_STREQ(result, c.result) << c.argument;
    } else {
      EXPECT_EQ(result, nullptr) << c.argument;
    }
  }
  EXPECT_EQ(host.messages, (std::vector<std::string>{
                               "0: ctx  -- Variable (${x}y) Does not Exists",
                               "0: ctx  -- Variable (${nope}) Does not Exists",
                               "0: ctx  -- Variable (${}) Does not Exists",
                               "0: ctx  -- Variable (${x) Does not Exists",
                           }));
}

TEST_F(Resolve, BracedReferencesEndAtTheirBrace) {
  interpreter.variables.assign("a", "3");
  interpreter.variables.assign("b", "4");
  interpreter.variables.assign("score", "7");
  struct Case {
    const char* text;
    const char* result;
  } cases[] = {
      {"You scored ${score} points", "You scored 7 points"}, {"\"${score}/10\"", "7/10"},
      {"${a}${b}", "34"}, {"${a}b", "3b"}, {"${a},${b}", "3,4"}, {"${a} $b", "3 4"},
      {"$${a}", "{a}"}, {"round(${a}*10/${b})", "round(3*10/4)"},
  };
  for (const Case& c : cases) {
    char slot[kArgumentSize];
    copyText(slot, sizeof slot, c.text);
    EXPECT_EQ(interpreter.expandReferences(slot, "eval"), c.result) << c.text;
  }
  EXPECT_TRUE(host.messages.empty());
}

// A lesson that named a variable "{a}" before braces meant anything still reads it.
TEST_F(Resolve, AVariableNamedWithABraceKeepsItsPlainReading) {
  interpreter.variables.assign("a", "new");
  interpreter.variables.assign("{a}", "old");
  char item[kArgumentSize] = "${a}";
  EXPECT_STREQ(interpreter.resolveArgument(item, "ctx"), "old");
  char text[kArgumentSize] = "${a}+1";
  EXPECT_EQ(interpreter.expandReferences(text, "math"), "old+1");
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(Resolve, MissingBracedReferenceNamesTheVariableAndKeepsTheRest) {
  interpreter.variables.assign("a", "3");
  char slot[kArgumentSize] = "${a} and ${gone} left";
  EXPECT_EQ(interpreter.expandReferences(slot, "eval"), "3 and ${gone} left");
  EXPECT_EQ(host.messages, std::vector<std::string>{"0: eval  -- Variable (gone) Does not Exists"});
}

}  // namespace
}  // namespace vellaro
