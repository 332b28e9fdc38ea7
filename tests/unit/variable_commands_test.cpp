// let, init, inc, math, eval, random, poke, store and restore, driven as handlers and in scenarios.
#include <gtest/gtest.h>

#include <cstdlib>
#include <initializer_list>
#include <string>
#include <vector>

#include "scenario_fixture.h"
#include "script/commands/commands.h"
#include "script/text.h"

namespace vellaro {
namespace {

using Messages = std::vector<std::string>;

class VariableCommands : public ScenarioTest {
 protected:
  // Calls the handler with items 1 to 5 as the tokenizer would hand them over.
  void command(CommandHandler handler, std::initializer_list<std::string> items) {
    char slots[6][kArgumentSize] = {};
    int i = 1;
    for (const std::string& item : items) copyText(slots[i++], kArgumentSize, item.c_str());
    CommandArgs args{{slots[0], slots[1], slots[2], slots[3], slots[4], slots[5]}, ""};
    handler(interpreter, args);
  }
  void set(const char* name, const char* value) { interpreter.variables.assign(name, value); }
  // The value of a variable, or "<missing>".
  std::string value(const char* name) {
    const char* v = interpreter.variables.getVariable(name);
    return v ? v : "<missing>";
  }
};

TEST_F(VariableCommands, LetResolvesTheValueButNotTheTarget) {
  set("x", "hello");
  command(cmdLet, {"a", "plain"});
  command(cmdLet, {"$b", "\"two words\""});  // one leading $ names the same variable
  command(cmdLet, {"c", "$x"});
  command(cmdLet, {"$x", "changed"});
  EXPECT_EQ(value("a"), "plain");
  EXPECT_EQ(value("b"), "two words");
  EXPECT_EQ(value("c"), "hello");
  EXPECT_EQ(value("x"), "changed");
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(VariableCommands, LetWithAMissingVariableStopsAfterTheMessage) {
  command(cmdLet, {"w", "$nope"});
  EXPECT_EQ(host.messages, Messages{"0: let  -- Variable ($nope) Does not Exists"});
  EXPECT_EQ(value("w"), "<missing>");
}

TEST_F(VariableCommands, LetCutsAValueLongerThan254Characters) {
  set("after", "neighbour");
  command(cmdLet, {"long", std::string(255, 'v')});
  EXPECT_EQ(value("long"), std::string(254, 'v'));
  EXPECT_EQ(value("after"), "neighbour");
}

TEST_F(VariableCommands, InitOnlyCreates) {
  command(cmdInit, {"x", "5"});
  command(cmdInit, {"$x", "7"});
  EXPECT_EQ(value("x"), "5");
  EXPECT_TRUE(host.messages.empty());
  // The value is resolved, and a missing variable reported, even when the target exists.
  command(cmdInit, {"x", "$nope"});
  command(cmdInit, {"fresh", "$nope"});
  EXPECT_EQ(value("x"), "5");
  EXPECT_EQ(value("fresh"), "<missing>");
  EXPECT_EQ(host.messages, (Messages{"0: init  -- Variable ($nope) Does not Exists",
                                     "0: init  -- Variable ($nope) Does not Exists"}));
}

TEST_F(VariableCommands, IncRules) {
  struct Case {
    const char* start;  // nullptr: the variable does not exist
    const char* step;
    const char* result;
    const char* message;  // nullptr: none
  } cases[] = {
      {"9", "", "10", nullptr},
      {"10", "-3", "7", nullptr},
      {"10", "+2", "12", nullptr},
      {"", "", "1", nullptr},  // the empty text counts as 0
      {"5", "$four", "9", nullptr},
      {"5", "\"\"", "5", nullptr},  // a step that resolves to the empty text adds 0
      {"2147483647", "1", "-2147483648", nullptr},
      {"abc", "", "abc", "0: inc  -- value is not number"},
      {"1.5", "", "1.5", "0: inc  -- value is not number"},
      {"5", "x", "5", "0: inc  -- add value is not number"},
      {"5", "1.5", "5", "0: inc  -- add value is not number"},
      {"5", "$nope", "5", "0: inc  -- Variable ($nope) Does not Exists"},
      {nullptr, "", "<missing>", "0: inc  -- variable does not exists"},
      {nullptr, "x", "<missing>", "0: inc  -- add value is not number"},  // the step is checked first
  };
  set("four", "4");
  for (const Case& c : cases) {
    host.messages.clear();
    std::string name = format("v%d", static_cast<int>(&c - cases));
    if (c.start) set(name.c_str(), c.start);
    command(cmdInc, {"$" + name, c.step});
    EXPECT_EQ(value(name.c_str()), c.result) << c.start << " + " << c.step;
    EXPECT_EQ(host.messages, c.message ? Messages{c.message} : Messages{}) << c.start << " + " << c.step;
  }
}

TEST_F(VariableCommands, EvalSubstitutesAndMathComputes) {
  set("a", "3");
  set("b", "1");
  command(cmdEval, {"s", "$a-$b"});
  command(cmdMath, {"$m", "$a-$b"});
  command(cmdMath, {"q", "\"($a+$b)/8\""});
  EXPECT_EQ(value("s"), "3-1");
  EXPECT_EQ(value("m"), "2");
  EXPECT_EQ(value("q"), "0.5");
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(VariableCommands, MathKeepsTheEvaluatorCellsAndItsFirstErrorForTheRun) {
  command(cmdMath, {"r", "A=6"});
  command(cmdMath, {"r", "A*7"});
  EXPECT_EQ(value("r"), "42");
  command(cmdMath, {"bad", "1/0"});
  command(cmdMath, {"later", "1+1"});
  EXPECT_EQ(value("bad"), "Math Error: Divide by 0 near '/0'\n");
  EXPECT_EQ(value("later"), "Math Error: Divide by 0 near '/0'\n");
}

TEST_F(VariableCommands, MathWithAMissingVariableEvaluatesTheUnexpandedRest) {
  command(cmdMath, {"m", "1+$nope"});
  EXPECT_EQ(host.messages, Messages{"0: math  -- Variable (nope) Does not Exists"});
  EXPECT_EQ(value("m"), "Math Error: Syntax error near '+$nope'\n");
}

TEST_F(VariableCommands, EvalResultIsCutTo254Characters) {
  set("big", std::string(200, 'x').c_str());
  command(cmdEval, {"e", "$big$big"});
  EXPECT_EQ(value("e"), std::string(254, 'x'));
}

TEST_F(VariableCommands, RandomBound) {
  // With fixed ticks std::rand gives the same first value after every reseed, so a fresh table
  // draws (rand + time + 521) modulo the bound.
  host.clock = 1000;
  host.ticks = 77;
  std::srand(host.ticks);
  int32_t base = static_cast<int32_t>(static_cast<uint32_t>(std::rand()) + 1000u + 521u);
  set("six", "6");
  struct Case {
    const char* bound;
    int32_t used;
    const char* message;
  } cases[] = {
      {"", 100, nullptr},    {"6", 6, nullptr},     {"$six", 6, nullptr},  {"abc", 100, nullptr},
      {"1", 1, nullptr},     {"0", 100, nullptr},   {"-5", 100, nullptr},  {"1.5", 100, nullptr},
      {"$nope", 100, "0: random  -- Variable ($nope) Does not Exists"},
  };
  for (const Case& c : cases) {
    host.messages.clear();
    interpreter.randomTable = RandomTable();
    std::srand(host.ticks);
    command(cmdRandom, {"$r", c.bound});
    EXPECT_EQ(value("r"), std::to_string(base % c.used)) << c.bound;
    EXPECT_EQ(host.messages, c.message ? Messages{c.message} : Messages{}) << c.bound;
  }
}

// Within the table's first round; later sums can wrap past 2^31 and give negative numbers.
TEST_F(VariableCommands, RandomStaysInRangeOverManyDraws) {
  for (int i = 0; i < 200; ++i) {
    host.ticks = static_cast<uint32_t>(i);
    command(cmdRandom, {"r", "6"});
    int r = std::atoi(value("r").c_str());
    ASSERT_TRUE(r >= 0 && r < 6) << "draw " << i << " gave " << r;
  }
}

TEST_F(VariableCommands, PokeShowsTheTextWithoutALineNumber) {
  set("x", "the value");
  interpreter.currentLine = 12;
  command(cmdPoke, {"\"hello world\""});
  command(cmdPoke, {"$x"});
  command(cmdPoke, {"$nope"});
  EXPECT_EQ(host.messages, (Messages{"hello world", "the value", "12: poke  -- Variable ($nope) Does not Exists", ""}));
}

TEST_F(VariableCommands, StoreWritesExactBytesAndReportsMissingVariables) {
  set("a", "1");
  set("eq", "x=y");
  set("empty", "");
  command(cmdStore, {"vars.txt", "$a,$b,$eq,$empty"});
  EXPECT_EQ(readFile("vars.txt"), "$a=1\r\r\n$eq=x=y\r\r\n$empty=\r\r\n");
  EXPECT_EQ(host.messages, Messages{"0: store -- variable ($b) does not exists"});
}

TEST_F(VariableCommands, StoreWritesTheItemAsWritten) {
  set("a", "1");
  command(cmdStore, {"v.txt", "xa,$a"});  // the name is the item without its first character
  EXPECT_EQ(readFile("v.txt"), "xa=1\r\r\n$a=1\r\r\n");
}

TEST_F(VariableCommands, StoreReportsEmptyItemsAsMissingVariables) {
  set("a", "1");
  command(cmdStore, {"v.txt", "$a,,$a,"});
  EXPECT_EQ(readFile("v.txt"), "$a=1\r\r\n$a=1\r\r\n");
  EXPECT_EQ(host.messages, (Messages{"0: store -- variable () does not exists", "0: store -- variable () does not exists"}));
}

TEST_F(VariableCommands, StoreEmptiesAnExistingFile) {
  writeFile("v.txt", "old content\r\r\n");
  command(cmdStore, {"v.txt", "$gone"});
  EXPECT_EQ(readFile("v.txt"), "");
  EXPECT_EQ(host.messages, Messages{"0: store -- variable ($gone) does not exists"});
}

TEST_F(VariableCommands, StoreFileNameFailures) {
  set("a", "1");
  command(cmdStore, {"$nofile", "$a"});
  command(cmdStore, {"no/such/folder/v.txt", "$a"});
  EXPECT_EQ(host.messages, (Messages{"0: store  -- Variable ($nofile) Does not Exists",
                                     "0: store -- file (no/such/folder/v.txt) cannot be created"}));
}

TEST_F(VariableCommands, RestoreSetsFoundVariablesThenReportsMissingOnes) {
  writeFile("v.txt", "$a=1\r\r\n");
  command(cmdRestore, {"v.txt", "$a,$b,,$c"});
  EXPECT_EQ(value("a"), "1");
  EXPECT_EQ(host.messages, (Messages{"0: restore -- variable ($b) is not found in file (v.txt)",
                                     "0: restore -- variable ($c) is not found in file (v.txt)"}));
}

TEST_F(VariableCommands, RestoreReadsBothLineEnds) {
  for (const char* lineEnd : {"\r\r\n", "\r\n", "\n\r"}) {
    interpreter.reset();
    writeFile("v.txt", std::string("$a=1") + lineEnd + "$b=two" + lineEnd);
    command(cmdRestore, {"v.txt", "$a,$b"});
    EXPECT_EQ(value("a"), "1") << testing::PrintToString(lineEnd);
    EXPECT_EQ(value("b"), "two") << testing::PrintToString(lineEnd);
  }
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(VariableCommands, RestoreLineRules) {
  writeFile("v.txt",
            "$a=first\r\r\n"
            "$a=second\r\r\n"     // the first entry of a key wins
            "b=plain\r\r\n"       // no $: skipped
            "$c\r\r\n"            // no =: skipped
            "\r\r\n"              // empty: skipped
            "$d=x=y\r\r\n"        // the key ends at the first =
            "$e=\r\r\n"           // the empty value
            "$other=1\r\r\n"      // not wanted
            "$A=upper\r\r\n");    // keys are case-sensitive
  set("e", "old");
  command(cmdRestore, {"v.txt", "$a,b,$c,$d,$e,$new"});
  EXPECT_EQ(value("a"), "first");
  EXPECT_EQ(value("b"), "<missing>");
  EXPECT_EQ(value("d"), "x=y");
  EXPECT_EQ(value("e"), "");
  EXPECT_EQ(value("other"), "<missing>");
  EXPECT_EQ(host.messages, (Messages{"0: restore -- variable (b) is not found in file (v.txt)",
                                     "0: restore -- variable ($c) is not found in file (v.txt)",
                                     "0: restore -- variable ($new) is not found in file (v.txt)"}));
}

TEST_F(VariableCommands, RestoreCreatesAVariableWithAnEmptyValue) {
  writeFile("v.txt", "$e=\r\r\n");
  command(cmdRestore, {"v.txt", "$e"});
  EXPECT_EQ(value("e"), "");
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(VariableCommands, RestoreFileFailures) {
  command(cmdRestore, {"missing.txt", "$a"});
  command(cmdRestore, {"$nofile", "$a"});
  EXPECT_EQ(host.messages, (Messages{"0: restore -- file (missing.txt) does not exists",
                                     "0: restore  -- Variable ($nofile) Does not Exists"}));
  EXPECT_EQ(value("a"), "<missing>");
}

TEST_F(VariableCommands, RestoreKeepsTheFileNameWhenItsVariableIsRestored) {
  writeFile("v.txt", "$f=changed\r\r\n");
  set("f", "v.txt");
  command(cmdRestore, {"$f", "$f,$zz"});
  EXPECT_EQ(value("f"), "changed");
  EXPECT_EQ(host.messages, Messages{"0: restore -- variable ($zz) is not found in file (v.txt)"});
}

TEST_F(VariableCommands, RestoreCutsLongValuesAndLongLines) {
  std::string value300(300, 'v');
  std::string line600 = "$long=" + std::string(600, 'w');
  writeFile("v.txt", "$big=" + value300 + "\r\r\n" + line600 + "\r\r\n$after=ok\r\r\n");
  command(cmdRestore, {"v.txt", "$big,$long,$after"});
  EXPECT_EQ(value("big"), std::string(254, 'v'));
  EXPECT_EQ(value("long"), std::string(254, 'w'));  // the line was cut at 512, the value at 254
  EXPECT_EQ(value("after"), "ok");
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(VariableCommands, RestoreTakesAtMost100Items) {
  // 99 empty items (never reported), then the 100th and the 101st.
  std::string list = std::string(99, ',') + "$x,$y";
  writeFile("v.txt", "$x=last\r\r\n$y=extra\r\r\n");
  command(cmdRestore, {"v.txt", list});
  EXPECT_EQ(value("x"), "last");
  EXPECT_EQ(value("y"), "<missing>");
  EXPECT_EQ(host.messages, Messages{"0: restore -- more than 100 variables in the list; the rest are ignored"});
}

TEST_F(VariableCommands, StoredVariablesComeBackInTheNextRun) {
  writeScenario("index.scn", {"let name \"Ada Lovelace\"", "math score 3*4", "init level 2",
                              "store progress.txt $name,$score,$level,$gone", "terminate"});
  run();
  EXPECT_EQ(host.messages, Messages{"3: store -- variable ($gone) does not exists"});
  EXPECT_EQ(readFile("progress.txt"), "$name=Ada Lovelace\r\r\n$score=12\r\r\n$level=2\r\r\n");

  host.messages.clear();
  interpreter.reset();
  writeScenario("index.scn", {"init level 1", "restore progress.txt $level,$name,$score", "inc level",
                              "poke $name", "terminate"});
  run();
  EXPECT_EQ(host.messages, Messages{"Ada Lovelace"});
  EXPECT_EQ(value("score"), "12");
  EXPECT_EQ(value("level"), "3");
}

}  // namespace
}  // namespace vellaro
