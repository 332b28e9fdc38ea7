// The command table as the language's one description: its entries reach the catalogue, and the
// main loop runs each word by its kind.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "base/messages.h"
#include "scenario_fixture.h"
#include "script/commands/commands.h"

namespace vellaro {
namespace {

template <size_t N>
bool inCatalogue(const CatalogueEntry (&entries)[N], const char* text) {
  for (const CatalogueEntry& entry : entries) {
    if (entry.text == text) return true;  // the same constant, not a copy of its text
  }
  return false;
}

// A name or message written into the table by hand instead of taken from the catalogue would be
// missing from scnlint --language, and so from the reference checks.
TEST(Language, ItemNamesAndMessagesComeFromTheCatalogue) {
  for (const Command& command : kCommandTable) {
    for (const ItemSpec& item : command.items) {
      SCOPED_TRACE(command.name);
      if (item.label[0] != '\0') {
        EXPECT_TRUE(inCatalogue(kItemNames, item.label)) << item.label;
      }
      if (item.message[0] != '\0') {
        EXPECT_TRUE(inCatalogue(kMessages, item.message)) << item.message;
      }
    }
  }
}

TEST(Language, FindsEveryWordAndNothingElse) {
  std::set<std::string> words;
  for (const Command& command : kCommandTable) {
    EXPECT_EQ(findCommand(command.name), &command);
    words.insert(command.name);
  }
  EXPECT_EQ(words.size(), std::size(kCommandTable));
  for (const char* word : {"", "Goto", "got", "gotoo", "$goto", ":goto", "glide"}) EXPECT_EQ(findCommand(word), nullptr) << word;
  for (const char* flow : {"goto", "gosub", "if", "ifsilent", "load", "exit", "return", "terminate"}) {
    ASSERT_NE(findCommand(flow), nullptr) << flow;
    EXPECT_EQ(findCommand(flow)->kind, WordKind::Flow) << flow;
  }
  EXPECT_EQ(findCommand("play")->kind, WordKind::Command);
}

class LanguageRun : public ScenarioTest {};

// Each kind's path through the main loop: a table command passes the line, a flow word moves it,
// an unknown word passes it silently, and terminate ends the run before the next line.
TEST_F(LanguageRun, TheMainLoopRunsEachWordByItsKind) {
  writeScenario("index.scn", {"let a 1", "frobnicate 1 2", "goto :there", "let a 2", ":there", "gosub &sub",
                              "terminate", "let a 3", "&sub", "let b $a", "return"});
  interpreter.runScenario("index.scn");
  EXPECT_STREQ(interpreter.variables.getVariable("a"), "1");
  EXPECT_STREQ(interpreter.variables.getVariable("b"), "1");
  EXPECT_TRUE(host.messages.empty());
}

// A handler run by hand (no table entry passed) still names its items as the table does.
TEST_F(LanguageRun, AnItemIsNamedAsTheTableNamesIt) {
  char word[] = "move";
  char name[] = "$nobody";
  char empty[] = "";
  CommandArgs args{{word, name, empty, empty, empty, empty}, ""};
  EXPECT_EQ(interpreter.resolveItem(args, 1), nullptr);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0], "0: move, ObjName  -- Variable ($nobody) Does not Exists");
}

}  // namespace
}  // namespace vellaro
