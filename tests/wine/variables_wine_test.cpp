// Variables seen from outside: store files across two runs of vellaro.exe, poke's box, and the
// first math error that every later math of the run repeats.
#include <gtest/gtest.h>

#include "harness.h"

namespace vellaro::wine {
namespace {

TEST(StoreRestoreWine, ValuesComeBackInTheNextRunOfThePlayer) {
  TestFolder folder;
  folder.writeScenario("index.scn", {"let name \"Ada Lovelace\"", "math score 3*4", "let pair a=b", "let none \"\"",
                                     "store progress.txt $name,$score,$pair,$none", "terminate"});
  RunResult first = runPlayer(folder.path());
  expectCleanExit(first);
  EXPECT_EQ(first.texts(), Texts{});
  // Two carriage returns and a line feed after every entry, an empty value stays empty.
  EXPECT_EQ(folder.readFile("progress.txt"), "$name=Ada Lovelace\r\r\n$score=12\r\r\n$pair=a=b\r\r\n$none=\r\r\n");

  folder.writeScenario("index.scn", {"restore progress.txt $score,$name,$pair,$none,$lost", "poke $name",
                                     "poke $score", "poke $pair", "eval shown ($none)", "poke $shown",
                                     "terminate"});
  RunResult second = runPlayer(folder.path());
  expectCleanExit(second);
  EXPECT_EQ(second.texts(), (Texts{"0: restore -- variable ($lost) is not found in file (progress.txt)",
                                   "Ada Lovelace", "12", "a=b", "()"}));
}

TEST(StoreRestoreWine, StoreReportsMissingVariablesAndWritesTheOthers) {
  TestFolder folder;
  folder.writeFile("v.txt", "old content that is replaced");
  folder.writeScenario("index.scn", {"let a 1", "store v.txt $a,$b", "terminate"});
  RunResult run = runPlayer(folder.path());
  expectCleanExit(run);
  EXPECT_EQ(run.texts(), Texts{"1: store -- variable ($b) does not exists"});
  EXPECT_EQ(folder.readFile("v.txt"), "$a=1\r\r\n");
}

TEST(PokeWine, ShowsItsTextWithoutALineNumber) {
  TestFolder folder;
  folder.writeScenario("index.scn", {"# comment", "let x 42", "poke $x", "poke \"two words\"", "poke $nope",
                                     "terminate"});
  RunResult run = runPlayer(folder.path());
  expectCleanExit(run);
  ASSERT_EQ(run.texts(), (Texts{"42", "two words", "4: poke  -- Variable ($nope) Does not Exists", ""}));
  for (const Box& box : run.boxes) EXPECT_EQ(box.caption, "");
}

TEST(MathWine, TheFirstErrorIsTheResultOfEveryLaterMath) {
  TestFolder folder;
  folder.writeScenario("index.scn", {"let n 7", "math a $n*2+1", "poke $a", "math b 1/0", "poke $b", "math c 2*3",
                                     "poke $c", "math d 2^3", "poke $d", "terminate"});
  RunResult run = runPlayer(folder.path());
  expectCleanExit(run);
  const std::string divideError = "Math Error: Divide by 0 near '/0'\n";
  EXPECT_EQ(run.texts(), (Texts{"15", divideError, divideError, divideError}));
}

TEST(MathWine, ResultsAreFormattedWithoutTrailingZeros) {
  TestFolder folder;
  folder.writeScenario("index.scn", {"math a 10/4", "math b 1/3", "math c 1e5", "math d 0.0000001",
                                     "eval all $a/$b/$c/$d", "poke $all", "terminate"});
  RunResult run = runPlayer(folder.path());
  expectCleanExit(run);
  EXPECT_EQ(run.texts(), Texts{"2.5/0.333333/100000/0"});
}

}  // namespace
}  // namespace vellaro::wine
