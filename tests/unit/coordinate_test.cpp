// parseCoordinate and parseColour: the coordinate and colour syntax of the picture commands.
#include <gtest/gtest.h>

#include "fake_host.h"
#include "script/commands/pictures.h"
#include "script/interpreter.h"

namespace vellaro {
namespace {

struct CoordinateCase {
  const char* text;
  int extent;
  int screen;
  int expected;
  int expectedOldstyle;
};

class CoordinateTest : public ::testing::TestWithParam<CoordinateCase> {
 protected:
  void SetUp() override {
    interpreter.reset();
    interpreter.currentLine = 12;
  }
  FakeHost host;
  Interpreter interpreter{host};
};

TEST_P(CoordinateTest, PlacesTheObjectWithAndWithoutOldstyle) {
  const CoordinateCase& c = GetParam();
  EXPECT_EQ(parseCoordinate(interpreter, c.text, c.extent, c.screen), c.expected) << c.text;
  interpreter.variables.assign("oldstyle", "1");
  EXPECT_EQ(parseCoordinate(interpreter, c.text, c.extent, c.screen), c.expectedOldstyle) << c.text;
  EXPECT_TRUE(host.messages.empty());
}

// A 1024-pixel screen and a 200-pixel object, as in the table lesson authors get; then the
// vertical axis of a 768-pixel screen with an 80-pixel object.
INSTANTIATE_TEST_SUITE_P(
    Table, CoordinateTest,
    ::testing::Values(CoordinateCase{"100", 200, 1024, 100, 100}, CoordinateCase{"-100", 200, 1024, 724, 924},
                      CoordinateCase{"*0", 200, 1024, 412, 512}, CoordinateCase{"*-50", 200, 1024, 362, 462},
                      CoordinateCase{"--1", 200, 1024, 925, 1025}, CoordinateCase{"-1", 200, 1024, 823, 1023},
                      CoordinateCase{"", 200, 1024, 0, 0}, CoordinateCase{"-", 200, 1024, 824, 1024},
                      CoordinateCase{"*", 80, 768, 344, 384}, CoordinateCase{"+5", 80, 768, 5, 5},
                      CoordinateCase{"-*10", 80, 768, 354, 394}, CoordinateCase{"*-1", 81, 768, 343, 383},
                      CoordinateCase{"-0", 80, 768, 688, 768}));

TEST_F(CoordinateTest, OldstyleCountsOnlyWhenItIsExactlyOne) {
  interpreter.variables.assign("oldstyle", "1 ");
  EXPECT_EQ(parseCoordinate(interpreter, "-100", 200, 1024), 724);
  interpreter.variables.setVariable("oldstyle", "0");
  EXPECT_EQ(parseCoordinate(interpreter, "*0", 200, 1024), 412);
}

TEST_F(CoordinateTest, LettersGiveZeroAfterTheMessage) {
  const char* texts[] = {"abc", "-x", "*1a", "--", "1.5"};
  for (const char* text : texts) {
    host.messages.clear();
    EXPECT_EQ(parseCoordinate(interpreter, text, 200, 1024), 0) << text;
    EXPECT_EQ(host.messages, std::vector<std::string>{"12: Coordinate is not a number"}) << text;
  }
}

TEST_F(CoordinateTest, HugeOffsetsWrapInsteadOfOverflowing) {
  EXPECT_EQ(parseCoordinate(interpreter, "-2147483648", 0, 1024), static_cast<int>(1024u + 2147483648u));
}

struct ColourCase {
  const char* text;
  Rgb expected;
};

class ColourTest : public ::testing::TestWithParam<ColourCase> {};

TEST_P(ColourTest, ReadsThreePairsWithCapitalDigitsOnly) {
  EXPECT_EQ(parseColour(GetParam().text), GetParam().expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Table, ColourTest,
                         ::testing::Values(ColourCase{"FF0000", {255, 0, 0}}, ColourCase{"00FF00", {0, 255, 0}},
                                           ColourCase{"0000FF", {0, 0, 255}}, ColourCase{"ff0000", {0, 0, 0}},
                                           ColourCase{"FF00ff", {255, 0, 0}}, ColourCase{"1A2B3C", {26, 43, 60}},
                                           ColourCase{"F-0A9g", {15, 10, 9}}, ColourCase{"fF0000", {15, 0, 0}}));

}  // namespace
}  // namespace vellaro
