// How a lesson file's encoding is decided, and the cuts and conversions that follow from it.
#include "base/text_encoding.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace vellaro {
namespace {

TEST(EncodingOfBytes, Utf8OnlyWhenValidWithAHighByteOrWithAByteOrderMark) {
  struct Case {
    const char* what;
    std::string bytes;
    TextEncoding encoding;
  } cases[] = {
      {"plain ASCII stays ANSI, as every lesson before", "poke hello\r\n", TextEncoding::Ansi},
      {"empty", "", TextEncoding::Ansi},
      {"e acute in UTF-8", "poke \xC3\xA9t\xC3\xA9\r\n", TextEncoding::Utf8},
      {"Greek", "\xCE\x9A\xCE\xB1\xCE\xBB\xCE\xB7\xCE\xBC\xCE\xAD\xCF\x81\xCE\xB1", TextEncoding::Utf8},
      {"a four-byte character", "\xF0\x9F\x8E\xB5", TextEncoding::Utf8},
      {"e acute in Windows-1252", "poke \xE9t\xE9\r\n", TextEncoding::Ansi},
      {"a lone continuation byte", "a\x80z", TextEncoding::Ansi},
      {"a sequence cut by the end", "ab\xC3", TextEncoding::Ansi},
      {"an over-long slash", "\xC0\xAF", TextEncoding::Ansi},
      {"an over-long three-byte form", "\xE0\x80\xAF", TextEncoding::Ansi},
      {"a surrogate", "\xED\xA0\x80", TextEncoding::Ansi},
      {"above U+10FFFF", "\xF4\x90\x80\x80", TextEncoding::Ansi},
      {"valid UTF-8 followed by a 1252 byte", "\xC3\xA9 \xE9", TextEncoding::Ansi},
      {"a byte-order mark on ASCII", "\xEF\xBB\xBFpoke hi", TextEncoding::Utf8},
  };
  for (const Case& c : cases) EXPECT_EQ(encodingOfBytes(c.bytes), c.encoding) << c.what;
}

// The first bytes a reader gets after the decision: the mark of a UTF-8 file is skipped, nothing
// else is.
TEST(DetectFileEncoding, LeavesTheFileAtItsFirstLine) {
  struct Case {
    std::string bytes;
    TextEncoding encoding;
    std::string firstBytes;
  } cases[] = {
      {"\xEF\xBB\xBFpoke", TextEncoding::Utf8, "poke"},
      {"poke \xC3\xA9", TextEncoding::Utf8, "poke"},
      {"poke \xE9", TextEncoding::Ansi, "poke"},
      {"\xEF\xBB poke", TextEncoding::Ansi, "\xEF\xBB p"},
  };
  for (const Case& c : cases) {
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    std::fwrite(c.bytes.data(), 1, c.bytes.size(), file);
    std::rewind(file);
    EXPECT_EQ(detectFileEncoding(file), c.encoding) << c.bytes;
    char first[5] = {};
    EXPECT_EQ(std::fread(first, 1, 4, file), 4u);
    EXPECT_EQ(std::string(first), c.firstBytes);
    std::fclose(file);
  }
}

TEST(WholeCharacterLength, CutsUtf8BackToTheLastWholeCharacter) {
  struct Case {
    std::string text;
    size_t limit;
    TextEncoding encoding;
    size_t length;
  } cases[] = {
      {"abcdef", 4, TextEncoding::Utf8, 4},
      {"abc", 4, TextEncoding::Utf8, 3},                    // shorter than the limit: whole
      {"ab\xC3\xA9z", 3, TextEncoding::Utf8, 2},            // the e acute would be cut: left out
      {"ab\xC3\xA9z", 4, TextEncoding::Utf8, 4},            // it fits exactly
      {"a\xE3\x81\x82", 3, TextEncoding::Utf8, 1},          // a Japanese character needs 3 bytes
      {"a\xF0\x9F\x8E\xB5", 4, TextEncoding::Utf8, 1},
      {"ab\xC3\xA9z", 3, TextEncoding::Ansi, 3},            // every ANSI byte is a character
      {"\xE9\xE9\xE9\xE9", 2, TextEncoding::Ansi, 2},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(wholeCharacterLength(c.text.data(), c.text.size(), c.limit, c.encoding), c.length) << c.text;
  }
}

TEST(CharacterSteps, StepOverWholeUtf8Characters) {
  const std::string text = "a\xC3\xA9\xE3\x81\x82z";  // a, e acute, a hiragana, z
  std::vector<size_t> forward;
  for (size_t i = 0; i < text.size(); i = nextCharacter(text.data(), text.size(), i, TextEncoding::Utf8)) {
    forward.push_back(i);
  }
  EXPECT_EQ(forward, (std::vector<size_t>{0, 1, 3, 6}));
  std::vector<size_t> backward;
  for (size_t i = text.size(); i > 0;) backward.push_back(i = previousCharacter(text.data(), i, TextEncoding::Utf8));
  EXPECT_EQ(backward, (std::vector<size_t>{6, 3, 1, 0}));
  EXPECT_EQ(nextCharacter(text.data(), text.size(), 1, TextEncoding::Ansi), 2u);
  EXPECT_EQ(previousCharacter(text.data(), 3, TextEncoding::Ansi), 2u);
}

TEST(Windows1252, BecomesUtf8ByteByByte) {
  struct Case {
    std::string ansi;
    std::string utf8;
  } cases[] = {
      {"plain", "plain"},
      {"\xE9l\xE8ve", "\xC3\xA9l\xC3\xA8ve"},
      {"\x80", "\xE2\x82\xAC"},          // the euro sign
      {"\x9F", "\xC5\xB8"},              // Y with diaeresis
      {"\x81", "\xC2\x81"},              // unassigned: the control character of that value
      {"\xFF", "\xC3\xBF"},
      {"Gr\xFC\xDF" "e", "Gr\xC3\xBC\xC3\x9F" "e"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(utf8FromWindows1252(c.ansi), c.utf8);
    EXPECT_EQ(textAsUtf8(c.ansi, TextEncoding::Ansi), c.utf8);
    EXPECT_EQ(textAsUtf8(c.utf8, TextEncoding::Utf8), c.utf8);  // UTF-8 text passes unchanged
  }
}

TEST(Windows1252, ATypedCharacterItHasNoByteForBecomesAQuestionMark) {
  EXPECT_EQ(windows1252FromUtf8Character("\xC3\xA9"), '\xE9');
  EXPECT_EQ(windows1252FromUtf8Character("\xE2\x82\xAC"), '\x80');
  EXPECT_EQ(windows1252FromUtf8Character("a"), 'a');
  EXPECT_EQ(windows1252FromUtf8Character("\xCE\xB1"), '?');  // Greek alpha
  EXPECT_EQ(utf8Characters("a\xC3\xA9\xCE\xB1"), (std::vector<std::string>{"a", "\xC3\xA9", "\xCE\xB1"}));
}

TEST(Utf8FromCodePoint, WritesEachLengthAndRefusesSurrogates) {
  EXPECT_EQ(utf8FromCodePoint(0x41), "A");
  EXPECT_EQ(utf8FromCodePoint(0xE9), "\xC3\xA9");
  EXPECT_EQ(utf8FromCodePoint(0x3042), "\xE3\x81\x82");
  EXPECT_EQ(utf8FromCodePoint(0x1F3B5), "\xF0\x9F\x8E\xB5");
  EXPECT_EQ(utf8FromCodePoint(0xD800), "");
  EXPECT_EQ(utf8FromCodePoint(0x110000), "");
}

}  // namespace
}  // namespace vellaro
