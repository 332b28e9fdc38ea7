// The editing rules of a text field: keys, typed characters, the full buffer, and the caret for a
// click and for drawing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/text_editing.h"

namespace vellaro {
namespace {

// A field holding text with the caret at caret, then one key; what the key did and left.
struct KeyCase {
  const char* text;
  uint32_t caret;
  int key;
  EditOutcome outcome;
  const char* after;
  uint32_t caretAfter;
};

EditOutcome outcome(int result, bool repaint, bool changed, int notifyKey = 0) {
  EditOutcome expected;
  expected.result = result;
  expected.repaint = repaint;
  expected.changed = changed;
  expected.notifyKey = notifyKey;
  return expected;
}

class EditKeyTest : public ::testing::TestWithParam<KeyCase> {};

TEST_P(EditKeyTest, MovesTheCaretOrEditsTheText) {
  const KeyCase& c = GetParam();
  TextBuffer buffer;
  buffer.setText(c.text);
  buffer.setCaret(c.caret);
  EXPECT_EQ(buffer.key(c.key), c.outcome);
  EXPECT_STREQ(buffer.text(), c.after);
  EXPECT_EQ(buffer.caret(), c.caretAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Table, EditKeyTest,
    ::testing::Values(KeyCase{"abc", 1, KEY_END, outcome(0, true, false), "abc", 3},
                      KeyCase{"abc", 2, KEY_HOME, outcome(0, true, false), "abc", 0},
                      KeyCase{"abc", 2, KEY_LEFT, outcome(0, true, false), "abc", 1},
                      // At the start Left is passed on to default processing.
                      KeyCase{"abc", 0, KEY_LEFT, outcome(1, false, false), "abc", 0},
                      KeyCase{"abc", 1, KEY_RIGHT, outcome(0, true, false), "abc", 2},
                      KeyCase{"abc", 3, KEY_RIGHT, outcome(0, false, false), "abc", 3},
                      KeyCase{"abc", 1, KEY_DELETE, outcome(0, true, true), "ac", 1},
                      KeyCase{"abc", 3, KEY_DELETE, outcome(0, false, false), "abc", 3},
                      KeyCase{"abc", 2, KEY_BACKSPACE, outcome(0, true, true), "ac", 1},
                      KeyCase{"abc", 0, KEY_BACKSPACE, outcome(0, false, false), "abc", 0},
                      KeyCase{"", 0, KEY_DELETE, outcome(0, false, false), "", 0},
                      KeyCase{"abc", 1, KEY_ENTER, outcome(0, false, false, 13), "abc", 1},
                      KeyCase{"abc", 1, KEY_ESCAPE, outcome(0, false, false, 27), "abc", 1},
                      KeyCase{"abc", 1, 0x41, outcome(1, false, false), "abc", 1},
                      KeyCase{"abc", 1, 0x09, outcome(1, false, false), "abc", 1}));

struct CharacterCase {
  uint8_t byte;
  bool inserted;
};

class TypedCharacterTest : public ::testing::TestWithParam<CharacterCase> {};

TEST_P(TypedCharacterTest, ControlCharactersUpToEscapeAreIgnored) {
  TextBuffer buffer;
  buffer.setText("ab");
  buffer.setCaret(1);
  EditOutcome result = buffer.character(GetParam().byte);
  EXPECT_EQ(result.result, 0);
  std::string expected = GetParam().inserted ? std::string("a") + char(GetParam().byte) + "b" : "ab";
  EXPECT_EQ(std::string(buffer.text()), expected);
  EXPECT_EQ(buffer.caret(), GetParam().inserted ? 2u : 1u);
  EXPECT_EQ(result.changed, GetParam().inserted);
}

INSTANTIATE_TEST_SUITE_P(Table, TypedCharacterTest,
                         ::testing::Values(CharacterCase{1, false}, CharacterCase{8, false}, CharacterCase{9, false},
                                           CharacterCase{13, false}, CharacterCase{27, false},
                                           CharacterCase{28, true}, CharacterCase{31, true},
                                           CharacterCase{'x', true}, CharacterCase{127, true},
                                           CharacterCase{128, true}, CharacterCase{255, true}));

TEST(TextBufferTest, TypingAfterHomeInsertsAtTheStart) {
  TextBuffer buffer;
  buffer.character('a');
  buffer.character('b');
  buffer.key(KEY_HOME);
  buffer.character('x');
  EXPECT_STREQ(buffer.text(), "xab");
  EXPECT_EQ(buffer.caret(), 1u);
}

TEST(TextBufferTest, The256thTypedCharacterIsDroppedAndNothingIsOverrun) {
  TextBuffer buffer;
  for (int i = 0; i < 255; ++i) EXPECT_TRUE(buffer.character(static_cast<uint8_t>('a' + i % 26)).changed);
  EXPECT_EQ(buffer.length(), 255u);
  buffer.key(KEY_HOME);
  EditOutcome result = buffer.character('Z');
  EXPECT_EQ(result, outcome(0, false, false));
  EXPECT_EQ(buffer.length(), 255u);
  EXPECT_EQ(buffer.text()[0], 'a');
  EXPECT_EQ(buffer.capacity(), kTextBufferSize);
  // Room again after one character is removed.
  buffer.key(KEY_DELETE);
  EXPECT_TRUE(buffer.character('Z').changed);
  EXPECT_EQ(buffer.text()[0], 'Z');
}

TEST(TextBufferTest, ALongSetTextGetsABufferOfItsLengthPlusOne) {
  TextBuffer buffer;
  buffer.setText(std::string(300, 'q').c_str());
  EXPECT_EQ(buffer.capacity(), 301u);
  EXPECT_EQ(buffer.caret(), 300u);
  EXPECT_FALSE(buffer.character('r').changed);  // full at the length of the last long text
  buffer.setText("short");
  EXPECT_EQ(buffer.capacity(), 301u);
  EXPECT_STREQ(buffer.text(), "short");
  EXPECT_EQ(buffer.caret(), 5u);
}

struct ClickCase {
  int x;
  size_t caret;
};

class CaretForClickTest : public ::testing::TestWithParam<ClickCase> {};

// "abc" with characters 7, 5 and 6 pixels wide: prefixes 0, 7, 12, 18.
TEST_P(CaretForClickTest, TakesTheFirstPrefixWiderThanX) {
  std::vector<int> widths{0, 7, 12, 18};
  EXPECT_EQ(caretForClick(3, GetParam().x, [&](size_t k) { return widths.at(k); }), GetParam().caret);
}

INSTANTIATE_TEST_SUITE_P(Table, CaretForClickTest,
                         ::testing::Values(ClickCase{0, 1}, ClickCase{6, 1}, ClickCase{7, 2}, ClickCase{11, 2},
                                           ClickCase{12, 3}, ClickCase{17, 3}, ClickCase{18, 3},
                                           ClickCase{500, 3}));

struct CaretBarCase {
  uint32_t caret;
  int prefixWidth;
  int prefixHeight;
  CaretBar bar;
};

class CaretBarTest : public ::testing::TestWithParam<CaretBarCase> {};

TEST_P(CaretBarTest, StandsAfterTheMeasuredPrefix) {
  const CaretBarCase& c = GetParam();
  EXPECT_EQ(caretBar(c.caret, c.prefixWidth, c.prefixHeight, 30), c.bar);
}

INSTANTIATE_TEST_SUITE_P(Table, CaretBarTest,
                         ::testing::Values(CaretBarCase{0, 0, 0, CaretBar{0, 30}},
                                           CaretBarCase{1, 7, 23, CaretBar{7, 23}},
                                           CaretBarCase{3, 18, 23, CaretBar{18, 23}}));

}  // namespace
}  // namespace vellaro
