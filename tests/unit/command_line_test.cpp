// The player's command line: an optional --watch, then the scenario path as before.
#include <gtest/gtest.h>

#include "app/command_line.h"

namespace vellaro {
namespace {

struct CommandLineCase {
  const char* text;
  const char* scenario;
  bool watch;
};

TEST(CommandLine, AnOptionalWatchThenTheTrimmedPathOrIndexScn) {
  const CommandLineCase cases[] = {
      {nullptr, "index.scn", false},
      {"", "index.scn", false},
      {"   ", "index.scn", false},
      {"lesson.scn", "lesson.scn", false},
      {"  my lessons\\a b.scn  ", "my lessons\\a b.scn", false},
      {"\"quoted.scn\"", "\"quoted.scn\"", false},
      {"--watch", "index.scn", true},
      {"  --watch   ", "index.scn", true},
      {"--watch lesson.scn", "lesson.scn", true},
      {"--watch   my lessons\\a b.scn ", "my lessons\\a b.scn", true},
      {"--watchful.scn", "--watchful.scn", false},  // not the option: a path
      {"lesson.scn --watch", "lesson.scn --watch", false},
      {"--WATCH", "--WATCH", false},
  };
  for (const CommandLineCase& c : cases) {
    CommandLine line = parseCommandLine(c.text);
    EXPECT_EQ(line.scenario, c.scenario) << (c.text ? c.text : "(none)");
    EXPECT_EQ(line.watch, c.watch) << (c.text ? c.text : "(none)");
  }
}

}  // namespace
}  // namespace vellaro
