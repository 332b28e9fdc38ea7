// let, init, inc, math, eval, random, poke, store, restore and exists.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "scenario_fixture.h"
#include "script/commands/commands.h"
#include "script/text.h"

namespace vellaro {
namespace {

using Messages = std::vector<std::string>;
const char* const kMissing = "<missing>";

class VariableCommands : public ScenarioTest {
 protected:
  // Calls the handler with items 1 to 5 as the tokenizer hands them over.
  void command(Interpreter& in, CommandHandler handler, const std::vector<std::string>& items) {
    char slots[6][kArgumentSize] = {};
    for (size_t i = 0; i < items.size(); ++i) copyText(slots[i + 1], kArgumentSize, items[i].c_str());
    CommandArgs args{{slots[0], slots[1], slots[2], slots[3], slots[4], slots[5]}, ""};
    for (const Command& entry : kCommandTable) {
      if (entry.handler == handler) args.command = &entry;  // the item names of its messages
    }
    handler(in, args);
  }
  void command(CommandHandler handler, const std::vector<std::string>& items) { command(interpreter, handler, items); }
  std::string value(Interpreter& in, const char* name) {
    const char* v = in.variables.getVariable(name);
    return v ? v : kMissing;
  }
  std::string value(const char* name) { return value(interpreter, name); }
};

TEST_F(VariableCommands, OneCommandOnAFreshInterpreter) {
  host.clock = 1000;
  host.ticks = 77;
  std::srand(host.ticks);
  // A fresh random table draws (rand + time + 521) modulo the bound.
  auto draw = [r = static_cast<uint32_t>(std::rand())](int32_t bound) {
    return std::to_string(static_cast<int32_t>(r + 1000u + 521u) % bound);
  };
  writeFile("v.txt", "$t=restored\r\r\n");
  struct Case {
    CommandHandler handler;
    std::vector<std::string> items;
    const char* variable;
    std::string value;  // kMissing: the variable must not exist
    Messages messages;
  } cases[] = {
      {cmdLet, {"t", "plain"}, "t", "plain", {}},
      {cmdLet, {"$t", "\"two words\""}, "t", "two words", {}},
      {cmdLet, {"t", "$x"}, "t", "hello", {}},
      {cmdLet, {"t", "$nope"}, "t", kMissing, {"0: let  -- Variable ($nope) Does not Exists"}},
      {cmdLet, {"t", std::string(255, 'v')}, "t", std::string(254, 'v'), {}},
      {cmdInit, {"$x", "7"}, "x", "hello", {}},
      {cmdInit, {"x", "$nope"}, "x", "hello", {"0: init  -- Variable ($nope) Does not Exists"}},
      {cmdInit, {"t", "$nope"}, "t", kMissing, {"0: init  -- Variable ($nope) Does not Exists"}},
      {cmdInc, {"$nine", ""}, "nine", "10", {}},
      {cmdInc, {"ten", "-3"}, "ten", "7", {}},
      {cmdInc, {"ten", "$four"}, "ten", "14", {}},
      {cmdInc, {"empty", ""}, "empty", "1", {}},
      {cmdInc, {"ten", "\"\""}, "ten", "10", {}},
      {cmdInc, {"max", "1"}, "max", "-2147483648", {}},
      {cmdInc, {"x", ""}, "x", "hello", {"0: inc  -- value is not number"}},
      {cmdInc, {"ten", "1.5"}, "ten", "10", {"0: inc  -- add value is not number"}},
      {cmdInc, {"ten", "$nope"}, "ten", "10", {"0: inc  -- Variable ($nope) Does not Exists"}},
      {cmdInc, {"t", ""}, "t", kMissing, {"0: inc  -- variable does not exists"}},
      {cmdInc, {"t", "x"}, "t", kMissing, {"0: inc  -- add value is not number"}},
      {cmdEval, {"t", "$a-$b"}, "t", "3-1", {}},
      {cmdEval, {"t", "$x$x$x"}, "t", "hellohellohello", {}},
      {cmdMath, {"$t", "$a-$b"}, "t", "2", {}},
      {cmdMath, {"t", "\"($a+$b)/8\""}, "t", "0.5", {}},
      {cmdMath, {"t", "1+$nope"}, "t", "Math Error: Syntax error near '+$nope'\n",
       {"0: math  -- Variable (nope) Does not Exists"}},
      {cmdRandom, {"$t", ""}, "t", draw(100), {}},
      {cmdRandom, {"t", "6"}, "t", draw(6), {}},
      {cmdRandom, {"t", "$four"}, "t", draw(4), {}},
      {cmdRandom, {"t", "abc"}, "t", draw(100), {}},
      {cmdRandom, {"t", "0"}, "t", draw(100), {}},
      {cmdRandom, {"t", "-5"}, "t", draw(100), {}},
      {cmdRandom, {"t", "$nope"}, "t", draw(100), {"0: random  -- Variable ($nope) Does not Exists"}},
      {cmdPoke, {"\"hello world\""}, "x", "hello", {"hello world"}},
      {cmdPoke, {"$x"}, "x", "hello", {"hello"}},
      {cmdPoke, {"$nope"}, "x", "hello", {"0: poke  -- Variable ($nope) Does not Exists", ""}},
      {cmdRestore, {"$file", "$t,$u,,u"}, "t", "restored",
       {"0: restore -- variable ($u) is not found in file (v.txt)",
        "0: restore -- variable (u) is not found in file (v.txt)"}},
      {cmdRestore, {"missing.txt", "$t"}, "t", kMissing, {"0: restore -- file (missing.txt) does not exists"}},
      {cmdRestore, {"$nope", "$t"}, "t", kMissing, {"0: restore  -- Variable ($nope) Does not Exists"}},
      {cmdRestore, {"v.txt", std::string(99, ',') + "$u,$t"}, "t", kMissing,
       {"0: restore -- more than 100 variables in the list; the rest are ignored",
        "0: restore -- variable ($u) is not found in file (v.txt)"}},
      // exists answers without a box; the file is named as restore names it.
      {cmdExists, {"v.txt", "t"}, "t", "yes", {}},
      {cmdExists, {"$file", "$t"}, "t", "yes", {}},
      {cmdExists, {"\"v.txt\"", "t"}, "t", "yes", {}},
      {cmdExists, {"missing.txt", "t"}, "t", "no", {}},
      {cmdExists, {"", "t"}, "t", "no", {}},
      {cmdExists, {".", "t"}, "t", "no", {}},  // a folder is no file restore could read
      {cmdExists, {"v.txt", "x"}, "x", "yes", {}},
      {cmdExists, {"$nope", "t"}, "t", kMissing, {"0: exists  -- Variable ($nope) Does not Exists"}},
      {cmdMath, {"t", "round($ten*10/$four)"}, "t", "25", {}},
      {cmdMath, {"t", "round(${nine}*10/${four})"}, "t", "23", {}},
      {cmdEval, {"t", "\"${x} world\""}, "t", "hello world", {}},
  };
  for (const Case& c : cases) {
    const std::string label = testing::PrintToString(c.items);
    FakeHost caseHost = host;
    Interpreter in(caseHost);
    in.reset();
    for (const char* preset :
         {"x=hello", "a=3", "b=1", "four=4", "nine=9", "ten=10", "empty=", "max=2147483647", "file=v.txt"}) {
      const char* equals = std::strchr(preset, '=');
      in.variables.assign(std::string(preset, equals).c_str(), equals + 1);
    }
    std::srand(host.ticks);
    command(in, c.handler, c.items);
    EXPECT_EQ(value(in, c.variable), c.value) << label;
    EXPECT_EQ(caseHost.messages, c.messages) << label;
  }
}

TEST_F(VariableCommands, StoreWritesExactBytes) {
  interpreter.variables.assign("a", "1");
  interpreter.variables.assign("eq", "x=y");
  interpreter.variables.assign("empty", "");
  struct Case {
    std::string list, bytes;
    Messages messages;
  } cases[] = {
      {"$a,$b", "$a=1\r\r\n", {"0: store -- variable ($b) does not exists"}},
      // The name is the item without its first character, whatever that is.
      {"$eq,$empty,xa", "$eq=x=y\r\r\n$empty=\r\r\nxa=1\r\r\n", {}},
      {"$a,,$a,", "$a=1\r\r\n$a=1\r\r\n",
       {"0: store -- variable () does not exists", "0: store -- variable () does not exists"}},
      {"$gone", "", {"0: store -- variable ($gone) does not exists"}},  // an existing file is emptied
  };
  for (const Case& c : cases) {
    host.messages.clear();
    command(cmdStore, {"v.txt", c.list});
    EXPECT_EQ(readFile("v.txt"), c.bytes) << c.list;
    EXPECT_EQ(host.messages, c.messages) << c.list;
  }
  host.messages.clear();
  command(cmdStore, {"$nofile", "$a"});
  command(cmdStore, {"no/such/folder/v.txt", "$a"});
  EXPECT_EQ(host.messages, (Messages{"0: store  -- Variable ($nofile) Does not Exists",
                                     "0: store -- file (no/such/folder/v.txt) cannot be created"}));
}

// store writes a new file beside the old one and swaps it in only when it is complete.
TEST_F(VariableCommands, StoreKeepsTheOldFileUntilTheNewOneIsComplete) {
  interpreter.variables.assign("a", "2");
  struct Case {
    bool refuse;
    std::string bytes;
    Messages messages;
  } cases[] = {
      {false, "$a=2\r\r\n", {}},
      {true, "old", {"0: store -- file (v.txt) cannot be written; its old content is kept"}},
  };
  for (const Case& c : cases) {
    writeFile("v.txt", "old");
    host.messages.clear();
    host.refuseReplace = c.refuse;
    command(cmdStore, {"v.txt", "$a"});
    EXPECT_EQ(readFile("v.txt"), c.bytes) << c.refuse;
    EXPECT_FALSE(std::filesystem::exists("v.txt.tmp")) << c.refuse;
    EXPECT_EQ(host.messages, c.messages) << c.refuse;
  }
}

TEST_F(VariableCommands, RestoreLineRules) {
  std::string longLine = "$long=" + std::string(600, 'w');  // cut at 512; the rest is a line of its own
  for (const char* end : {"\r\r\n", "\r\n", "\n\r"}) {
    interpreter.reset();
    host.messages.clear();
    writeFile("v.txt", std::string("$a=first") + end + "$a=second" + end + "b=plain" + end + "$c" + end + end +
                           "$d=x=y" + end + "$e=" + end + "$A=upper" + end + longLine + end +
                           "$f=" + std::string(300, 'v'));
    interpreter.variables.assign("e", "old");
    command(cmdRestore, {"v.txt", "$a,b,$c,$d,$e,$long,$f,$new"});
    const std::string label = testing::PrintToString(end);
    EXPECT_EQ(value("a"), "first") << label;  // the first entry of a key wins
    EXPECT_EQ(value("d"), "x=y") << label;
    EXPECT_EQ(value("e"), "") << label;
    EXPECT_EQ(value("long"), std::string(254, 'w')) << label;
    EXPECT_EQ(value("f"), std::string(254, 'v')) << label;
    EXPECT_EQ(value("b") + value("c") + value("new"), std::string(kMissing) + kMissing + kMissing) << label;
    EXPECT_EQ(host.messages, (Messages{"0: restore -- variable (b) is not found in file (v.txt)",
                                       "0: restore -- variable ($c) is not found in file (v.txt)",
                                       "0: restore -- variable ($new) is not found in file (v.txt)"}))
        << label;
  }
}

TEST_F(VariableCommands, StoredVariablesComeBackInTheNextRun) {
  writeScenario("index.scn", {"let name \"Ada Lovelace\"", "math score 3*4", "init level 2",
                              "store progress.txt $name,$score,$level,$gone", "math bad 1/0", "math later 2"});
  run();
  EXPECT_EQ(host.messages, (Messages{"3: store -- variable ($gone) does not exists",
                                     "7: WARNING: end of scenario - exit assumed"}));
  EXPECT_EQ(readFile("progress.txt"), "$name=Ada Lovelace\r\r\n$score=12\r\r\n$level=2\r\r\n");
  EXPECT_EQ(value("later"), "Math Error: Divide by 0 near '/0'\n");

  host.messages.clear();
  interpreter.reset();
  writeScenario("index.scn", {"init level 1", "restore progress.txt $level,$name,$score", "inc level", "poke $name",
                              "terminate"});
  run();
  EXPECT_EQ(host.messages, Messages{"Ada Lovelace"});
  EXPECT_EQ(value("score"), "12");
  EXPECT_EQ(value("level"), "3");
}

}  // namespace
}  // namespace vellaro
