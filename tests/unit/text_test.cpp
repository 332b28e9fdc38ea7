#include "script/text.h"

#include <gtest/gtest.h>

namespace vellaro {
namespace {

TEST(IsNumber, SignDigitsAndEmptyText) {
  struct Case {
    const char* text;
    bool number;
  } cases[] = {{"007", true}, {"+5", true},  {"-12", true}, {"", true},  {"-", false},
               {"+", false},  {"1.5", false}, {"5-", false}, {"1 2", false}, {" 1", false},
               {"1e5", false}, {"--1", false}};
  for (const Case& c : cases) EXPECT_EQ(isNumber(c.text), c.number) << '"' << c.text << '"';
}

TEST(TextToInt, ReadsLikeTheStandardConversion) {
  EXPECT_EQ(textToInt(""), 0);
  EXPECT_EQ(textToInt("  42abc"), 42);
  EXPECT_EQ(textToInt("-17"), -17);
  EXPECT_EQ(textToInt("+8"), 8);
  EXPECT_EQ(textToInt("x1"), 0);
  // Overflow wraps modulo 2^32 instead of being undefined.
  EXPECT_EQ(textToInt("4294967297"), 1);
  EXPECT_EQ(textToInt("2147483648"), INT32_MIN);
}

TEST(HexValue, UpperCaseDigitsOnly) {
  EXPECT_EQ(hexValue("FF"), 255u);
  EXPECT_EQ(hexValue("ff"), 0u);
  EXPECT_EQ(hexValue("1g2"), 0x12u);
  EXPECT_EQ(hexValue(""), 0u);
}

TEST(FindText, FindsFromPosition) {
  EXPECT_EQ(findText(",", "1,10", 0), 1);
  EXPECT_EQ(findText(",", "a,b,c", 2), 3);
  EXPECT_EQ(findText("=", "abc", 0), -1);
  EXPECT_EQ(findText(",", "ab", 5), -1);
}

}  // namespace
}  // namespace vellaro
