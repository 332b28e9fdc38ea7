#include "script/scenario.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "scenario_fixture.h"

namespace vellaro {
namespace {

// Reads lines the way a scenario is loaded: until a read meets the end of the file.
std::vector<std::string> readAllLines(const std::string& bytes, int max = kMaxLineLength) {
  std::FILE* file = std::tmpfile();
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::rewind(file);
  std::vector<std::string> lines;
  std::vector<char> buffer(static_cast<size_t>(max) + 1);
  while (!std::feof(file)) {
    int length = readLine(file, buffer.data(), max);
    lines.emplace_back(buffer.data(), static_cast<size_t>(length));
  }
  std::fclose(file);
  return lines;
}

TEST(ReadLine, EndsALineOnceBothCarriageReturnAndLineFeedWereRead) {
  struct Case {
    std::string bytes;
    std::vector<std::string> lines;
  } cases[] = {
      {"ab\r\ncd\r\n", {"ab", "cd", ""}},  // a final CR LF gives one more, empty line
      {"ab\r\ncd", {"ab", "cd"}},
      {"", {""}},
      {"a\nb\nc", {"abc"}},           // bare line feeds do not end lines and are dropped
      {"a\rb\rc", {"abc"}},           // nor do bare carriage returns
      {"ab\n\rcd", {"ab", "cd"}},     // either order
      {"a\rb\nc", {"ab", "c"}},       // not adjacent
      {"x\r\n\r\ny", {"x", "", "y"}},
  };
  for (const Case& c : cases) EXPECT_EQ(readAllLines(c.bytes), c.lines) << testing::PrintToString(c.bytes);
}

TEST(ReadLine, CutsAnOverlongLineAndLosesTheNextCharacter) {
  std::string text;
  for (int i = 0; i < 300; ++i) text += static_cast<char>('a' + i % 26);
  std::vector<std::string> lines = readAllLines(text + "\r\n");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], text.substr(0, 255));
  EXPECT_EQ(lines[1], text.substr(256));  // character 255 is lost
  EXPECT_EQ(lines[1].size(), 44u);
  EXPECT_EQ(lines[2], "");
}

TEST(ReadLine, LinesEndedByLineFeedsAloneBecomePiecesOf255) {
  std::string bytes;
  for (int i = 0; i < 6; ++i) bytes += std::string(99, static_cast<char>('a' + i)) + "\n";
  std::vector<std::string> lines = readAllLines(bytes);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].size(), 255u);
  EXPECT_EQ(lines[1].size(), 255u);
  EXPECT_EQ(lines[2].size(), 6u * 99 - 2 * 256);
}

TEST(ReadLine, NeverWritesPastTheBufferForASmallMax) {
  std::vector<std::string> lines = readAllLines("abcdef\r\n", 3);
  EXPECT_EQ(lines, (std::vector<std::string>{"abc", "ef", ""}));
}

TEST(LineTable, FindLabelComparesWholeLines) {
  LineTable table;
  for (const char* line : {"# c", ":end ", ":end", "show 1 2", ":end"}) ASSERT_TRUE(table.append(line));
  EXPECT_EQ(table.findLabel(":end"), 2);  // not the one with a trailing blank
  EXPECT_EQ(table.findLabel("show 1 2"), 3);  // any line can be a target
  EXPECT_EQ(table.findLabel(":End"), -1);
  EXPECT_EQ(table.findLabel(":missing"), -1);
  EXPECT_EQ(table.at(5), nullptr);
  EXPECT_EQ(table.at(-1), nullptr);
}

TEST(LineTable, HoldsAtMost3000Lines) {
  LineTable table;
  for (int i = 0; i < kMaxLines; ++i) ASSERT_TRUE(table.append("x"));
  EXPECT_FALSE(table.append("y"));
  EXPECT_EQ(table.count(), kMaxLines);
}

TEST(CallStack, KeepsEntriesInOrderAndDropsPushesWhenFull) {
  CallStack stack;
  for (int i = 0; i < kMaxCallDepth; ++i) ASSERT_TRUE(stack.push("f" + std::to_string(i), static_cast<uint16_t>(i)));
  EXPECT_FALSE(stack.push("extra", 7));
  EXPECT_EQ(stack.depth(), kMaxCallDepth);
  CallEntry top = stack.pop();
  EXPECT_EQ(top.file, "f99");
  EXPECT_EQ(top.line, 99);
}

TEST(CallStack, TextListsEntriesFromTheBottom) {
  CallStack stack;
  stack.push("a.scn", 3);
  stack.push("sub\\b.scn", 12);
  EXPECT_EQ(stack.text(), "a.scn : 3\r\nsub\\b.scn : 12\r\n");
  EXPECT_EQ(CallStack().text(), "");
}

using LoadScenario = ScenarioTest;

TEST_F(LoadScenario, SetsBaseDirFromTheLastBackslash) {
  // On this platform a backslash is an ordinary file name character, so the file is found as named.
  writeScenario("lessons\\intro.scn", {"x"});
  ASSERT_TRUE(interpreter.loadScenario("lessons\\intro.scn"));
  EXPECT_STREQ(interpreter.variables.getVariable("base_dir"), "lessons");
  writeScenario("a.scn", {"x"});
  ASSERT_TRUE(interpreter.loadScenario("a.scn"));
  EXPECT_STREQ(interpreter.variables.getVariable("base_dir"), "");
}

TEST_F(LoadScenario, MissingFileChangesNothing) {
  writeScenario("a.scn", {"one", "two"});
  ASSERT_TRUE(interpreter.loadScenario("a.scn"));
  interpreter.variables.setVariable("base_dir", "kept");
  EXPECT_FALSE(interpreter.loadScenario("dir\\missing.scn"));
  EXPECT_EQ(interpreter.lines.count(), 3);
  EXPECT_STREQ(interpreter.variables.getVariable("base_dir"), "kept");
}

TEST_F(LoadScenario, IgnoresLinesPast3000WithAMessage) {
  std::string bytes;
  for (int i = 0; i < kMaxLines + 5; ++i) bytes += "# line\r\n";
  writeFile("big.scn", bytes);
  ASSERT_TRUE(interpreter.loadScenario("big.scn"));
  EXPECT_EQ(interpreter.lines.count(), kMaxLines);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0], "Scenario file (big.scn) has more than 3000 lines; the lines after line 2999 are ignored");
}

// The encoding is decided per file as it is read and handed to the platform with the messages.
TEST_F(LoadScenario, DecidesTheEncodingOfEachFileAndSkipsAByteOrderMark) {
  struct Case {
    std::string bytes;
    TextEncoding encoding;
    std::string firstLine;
  } cases[] = {
      {"\xEF\xBB\xBF:start\r\n", TextEncoding::Utf8, ":start"},
      {"poke \"\xC3\xA9l\xC3\xA8ve\"\r\n", TextEncoding::Utf8, "poke \"\xC3\xA9l\xC3\xA8ve\""},
      {"poke \"\xE9l\xE8ve\"\r\n", TextEncoding::Ansi, "poke \"\xE9l\xE8ve\""},
      {"poke plain\r\n", TextEncoding::Ansi, "poke plain"},
  };
  for (const Case& c : cases) {
    writeFile("lesson.scn", c.bytes);
    ASSERT_TRUE(interpreter.loadScenario("lesson.scn"));
    EXPECT_EQ(host.textEncoding(), c.encoding) << c.firstLine;
    EXPECT_STREQ(interpreter.lines.at(0), c.firstLine.c_str());
  }
}

TEST_F(LoadScenario, AReloadSkipsTheByteOrderMarkAndKeepsTheEncoding) {
  writeFile("lesson.scn", "\xEF\xBB\xBF:top\r\npoke \xCE\xB1\r\n");
  ReloadedText text = readForReload("lesson.scn");
  ASSERT_EQ(text.problem, ReloadProblem::None);
  EXPECT_EQ(text.encoding, TextEncoding::Utf8);
  EXPECT_STREQ(text.lines.at(0), ":top");
}

TEST_F(LoadScenario, ExactlyFullTableWithFinalLineEndIsNotReported) {
  std::string bytes;
  for (int i = 0; i < kMaxLines; ++i) bytes += "# line\r\n";
  writeFile("full.scn", bytes);
  ASSERT_TRUE(interpreter.loadScenario("full.scn"));
  EXPECT_EQ(interpreter.lines.count(), kMaxLines);
  EXPECT_TRUE(host.messages.empty());
}

}  // namespace
}  // namespace vellaro
