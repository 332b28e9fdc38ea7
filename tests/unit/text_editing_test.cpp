// The editing rules of a text field: keys, typed characters, the full buffer, the caret.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/text_editing.h"

namespace vellaro {
namespace {

// "abc" with the caret at caret, then one key: the hook's result, the text and caret left.
struct KeyCase {
  uint32_t caret;
  int key;
  int result;
  const char* after;
  uint32_t caretAfter;
};

class EditKeyTest : public ::testing::TestWithParam<KeyCase> {};

TEST_P(EditKeyTest, MovesTheCaretOrEditsTheText) {
  TextBuffer buffer;
  buffer.setText("abc");
  buffer.setCaret(GetParam().caret);
  EXPECT_EQ(buffer.key(GetParam().key).result, GetParam().result);
  EXPECT_STREQ(buffer.text(), GetParam().after);
  EXPECT_EQ(buffer.caret(), GetParam().caretAfter);
}

INSTANTIATE_TEST_SUITE_P(Table, EditKeyTest,
                         ::testing::Values(KeyCase{1, KEY_END, 0, "abc", 3}, KeyCase{2, KEY_HOME, 0, "abc", 0},
                                           KeyCase{2, KEY_LEFT, 0, "abc", 1}, KeyCase{0, KEY_LEFT, 1, "abc", 0},
                                           KeyCase{1, KEY_RIGHT, 0, "abc", 2}, KeyCase{3, KEY_RIGHT, 0, "abc", 3},
                                           KeyCase{1, KEY_DELETE, 0, "ac", 1}, KeyCase{3, KEY_DELETE, 0, "abc", 3},
                                           KeyCase{2, KEY_BACKSPACE, 0, "ac", 1},
                                           KeyCase{0, KEY_BACKSPACE, 0, "abc", 0}, KeyCase{1, KEY_ENTER, 0, "abc", 1},
                                           KeyCase{1, 0x41, 1, "abc", 1}));

TEST(TextBufferTest, OnlyEditsAskForTheChangeNotificationAndEnterEscapeForTheKeyOne) {
  TextBuffer buffer;
  buffer.setText("ab");
  EXPECT_TRUE(buffer.key(KEY_BACKSPACE).changed);
  EXPECT_FALSE(buffer.key(KEY_HOME).changed);
  EXPECT_EQ(buffer.key(KEY_ENTER).notifyKey, 13);
  EXPECT_EQ(buffer.key(KEY_ESCAPE).notifyKey, 27);
}

TEST(TextBufferTest, ControlCharactersUpToEscapeAreIgnoredAndEveryOtherByteIsTyped) {
  TextBuffer buffer;
  for (int byte : {1, 8, 9, 13, 27}) EXPECT_EQ(buffer.character(static_cast<uint8_t>(byte)).result, 0);
  EXPECT_EQ(buffer.length(), 0u);
  for (int byte : {28, 0x61, 128, 255}) EXPECT_TRUE(buffer.character(static_cast<uint8_t>(byte)).changed);
  EXPECT_EQ(std::string(buffer.text()), "\x1c" "a\x80\xff");
}

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
  for (int i = 0; i < 255; ++i) buffer.character('a');
  buffer.key(KEY_HOME);
  EXPECT_FALSE(buffer.character('Z').changed);
  EXPECT_EQ(buffer.length(), 255u);
  EXPECT_EQ(buffer.capacity(), kTextBufferSize);
  buffer.key(KEY_DELETE);  // room again for one
  EXPECT_TRUE(buffer.character('Z').changed);
}

// "a", e acute, a hiragana and "z" in a UTF-8 field: the caret and the deleting keys take whole
// characters, never a byte of one.
TEST(TextBufferTest, AUtf8FieldStepsAndErasesWholeCharacters) {
  struct Case {
    uint32_t caret;
    int key;
    const char* after;
    uint32_t caretAfter;
  } cases[] = {
      {6, KEY_LEFT, "a\xC3\xA9\xE3\x81\x82z", 3},
      {3, KEY_LEFT, "a\xC3\xA9\xE3\x81\x82z", 1},
      {1, KEY_RIGHT, "a\xC3\xA9\xE3\x81\x82z", 3},
      {3, KEY_RIGHT, "a\xC3\xA9\xE3\x81\x82z", 6},
      {6, KEY_BACKSPACE, "a\xC3\xA9z", 3},
      {3, KEY_BACKSPACE, "a\xE3\x81\x82z", 1},
      {1, KEY_DELETE, "a\xE3\x81\x82z", 1},
      {3, KEY_DELETE, "a\xC3\xA9z", 3},
  };
  for (const Case& c : cases) {
    TextBuffer buffer;
    buffer.setEncoding(TextEncoding::Utf8);
    buffer.setText("a\xC3\xA9\xE3\x81\x82z");
    buffer.setCaret(c.caret);
    buffer.key(c.key);
    EXPECT_STREQ(buffer.text(), c.after) << c.caret << " " << c.key;
    EXPECT_EQ(buffer.caret(), c.caretAfter) << c.caret << " " << c.key;
  }
}

TEST(TextBufferTest, ATypedUtf8CharacterGoesInWholeOrNotAtAll) {
  TextBuffer buffer;
  buffer.setEncoding(TextEncoding::Utf8);
  for (int i = 0; i < 254; ++i) buffer.character('a');
  EXPECT_FALSE(buffer.typed("\xC3\xA9").changed);  // one byte of room: the character is dropped
  EXPECT_EQ(buffer.length(), 254u);
  EXPECT_TRUE(buffer.typed("b").changed);
  buffer.key(KEY_HOME);
  buffer.key(KEY_DELETE);
  buffer.key(KEY_DELETE);
  EXPECT_TRUE(buffer.typed("\xC3\xA9").changed);
  EXPECT_EQ(std::string(buffer.text(), 3), "\xC3\xA9" "a");
  EXPECT_EQ(buffer.caret(), 2u);
}

TEST(CaretTest, AClickInAUtf8FieldLandsBetweenWholeCharacters) {
  TextBuffer buffer;
  buffer.setEncoding(TextEncoding::Utf8);
  buffer.setText("a\xC3\xA9z");
  std::vector<size_t> asked;
  auto prefix = [&](size_t k) {
    asked.push_back(k);
    return static_cast<int>(k) * 10;
  };
  EXPECT_EQ(caretForClick(buffer, 15, prefix), 3u);  // prefix 3 (a and e acute) is 30 wide
  EXPECT_EQ(asked, (std::vector<size_t>{0, 1, 3}));  // never the middle of the e acute
}

TEST(TextBufferTest, ALongSetTextGetsABufferOfItsLengthPlusOne) {
  TextBuffer buffer;
  buffer.setText(std::string(300, 'q').c_str());
  EXPECT_EQ(buffer.capacity(), 301u);
  EXPECT_EQ(buffer.caret(), 300u);
  EXPECT_FALSE(buffer.character('r').changed);
}

// "abc" with characters 7, 5 and 6 pixels wide.
TEST(CaretTest, AClickTakesTheFirstPrefixWiderThanX) {
  std::vector<int> widths{0, 7, 12, 18};
  auto prefix = [&](size_t k) { return widths.at(k); };
  const int xs[] = {0, 6, 7, 12, 17, 18, 500};
  const size_t carets[] = {1, 1, 2, 3, 3, 3, 3};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(caretForClick(3, xs[i], prefix), carets[i]) << "x " << xs[i];
}

TEST(CaretTest, TheBarStandsAfterTheMeasuredPrefixOrAtZeroAsHighAsTheObject) {
  EXPECT_EQ(caretBar(0, 0, 0, 30), (CaretBar{0, 30}));
  EXPECT_EQ(caretBar(3, 18, 23, 30), (CaretBar{18, 23}));
}

}  // namespace
}  // namespace vellaro
