#include "script/tokenizer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_host.h"
#include "script/text.h"

namespace vellaro {
namespace {

std::vector<std::string> split(const std::string& line, FakeHost& host) {
  static ArgumentSlots arguments;
  char buffer[1024] = {};
  copyText(buffer, sizeof buffer, line.c_str());
  arguments.clear();
  tokenize(buffer, arguments, host);
  return std::vector<std::string>(arguments.slot, arguments.slot + arguments.count);
}

using Args = std::vector<std::string>;

TEST(Tokenize, BlanksAndQuotes) {
  struct Case {
    std::string line;
    Args arguments;
  } cases[] = {
      {"show 10 10 a.bmp p", {"show", "10", "10", "a.bmp", "p"}},
      {"show  10 10 a.bmp p", {"show", "", "10", "10", "a.bmp", "p"}},  // each extra blank is an empty argument
      {"poke x ", {"poke", "x"}},                                        // one trailing blank: nothing
      {"poke x  ", {"poke", "x", ""}},                                   // two: an empty last argument
      {" poke x", {"poke", "x"}},                                        // one leading blank is ignored
      {"  poke x", {"", "poke", "x"}},                                   // two make the command word empty
      {"print 1 2 \"Hello world\" h", {"print", "1", "2", "\"Hello world\"", "h"}},
      {"a b\"c d\" e", {"a", "b\"c d\"", "e"}},  // a quote inside a word also groups
      {"a\tb c", {"a\tb", "c"}},                  // tabs are ordinary characters
      {"", {}},
  };
  for (const Case& c : cases) {
    FakeHost host;
    EXPECT_EQ(split(c.line, host), c.arguments) << '"' << c.line << '"';
  }
}

TEST(Tokenize, ArgumentsPastTheLastSlotAreDropped) {
  FakeHost host;
  std::string line = "w";
  for (int i = 0; i < 150; ++i) line += " " + std::to_string(i);
  Args arguments = split(line, host);
  ASSERT_EQ(arguments.size(), static_cast<size_t>(kArgumentSlots));
  EXPECT_EQ(arguments.back(), "98");
}

TEST(Tokenize, OverlongCommandWordIsReportedAndKept) {
  FakeHost host;
  Args arguments = split(std::string(251, 'c') + " x", host);
  EXPECT_EQ(host.messages, std::vector<std::string>{"Overflow parsing arguments"});
  EXPECT_EQ(arguments[0].size(), 251u);
  FakeHost quiet;
  split(std::string(250, 'c'), quiet);
  EXPECT_TRUE(quiet.messages.empty());
}

TEST(Tokenize, OverlongArgumentBeepsAndIsCutToItsSlot) {
  FakeHost host;
  Args arguments = split("w " + std::string(300, 'a'), host);
  EXPECT_EQ(host.beeps, std::vector<unsigned>{200});
  EXPECT_EQ(arguments[1].size(), static_cast<size_t>(kArgumentSize - 1));
  FakeHost quiet;
  split("w " + std::string(255, 'a'), quiet);
  EXPECT_TRUE(quiet.beeps.empty());
}

// Clearing touches only the slots that can hold text; whatever a long line, a short one and the
// handlers wrote in between, every slot reads empty afterwards.
TEST(Tokenize, ClearEmptiesEverySlotThatALineOrAHandlerFilled) {
  FakeHost host;
  static ArgumentSlots arguments;
  std::string longLine = "w";
  for (int i = 0; i < 60; ++i) longLine += " " + std::to_string(i);
  const char* lines[] = {longLine.c_str(), "a b", "c", ""};
  for (const char* line : lines) {
    char buffer[1024] = {};
    copyText(buffer, sizeof buffer, line);
    arguments.clear();
    tokenize(buffer, arguments, host);
    copyText(arguments.slot[kHandlerSlots - 1], kArgumentSize, "written by a handler");
  }
  arguments.clear();
  for (int i = 0; i < kArgumentSlots; ++i) EXPECT_STREQ(arguments.slot[i], "") << "slot " << i;
  EXPECT_EQ(arguments.count, 0);
}

}  // namespace
}  // namespace vellaro
