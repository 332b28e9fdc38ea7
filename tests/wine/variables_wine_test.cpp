// store through the real vellaro.exe over a file that already exists: Windows refuses to rename a
// file over another, so the new file takes the old one's place another way there. exists on the
// Windows file system. The rules of let, math, eval, poke, store, restore and exists are checked
// natively (tests/unit/variable_commands_test.cpp, tests/unit/evaluator_test.cpp).
#include <gtest/gtest.h>

#include "harness.h"

namespace vellaro::wine {
namespace {

TEST(StoreRestoreWine, StoreReportsMissingVariablesAndWritesTheOthers) {
  TestFolder folder;
  folder.writeFile("v.txt", "old content that is replaced");
  folder.writeScenario("index.scn", {"let a 1", "store v.txt $a,$b", "terminate"});
  RunResult run = runPlayer(folder.path());
  expectCleanExit(run);
  EXPECT_EQ(run.texts(), Texts{"1: store -- variable ($b) does not exists"});
  EXPECT_EQ(folder.readFile("v.txt"), "$a=1\r\r\n");
}

// exists asks the file system as restore opens a file on Windows: the current folder, backslashes,
// letters in any case, and a folder that is no file.
TEST(StoreRestoreWine, ExistsAnswersWithoutABox) {
  TestFolder folder;
  folder.makeFolder("sub");
  folder.writeFile("sub\\x.sto", "$x=1\r\r\n");
  folder.writeScenario("index.scn", {"exists v.sto before", "let a 1", "store v.sto $a", "exists v.sto after",
                                     "exists sub folder", "exists SUB\\X.STO upper",
                                     "store result.sto $before,$after,$folder,$upper", "terminate"});
  RunResult run = runPlayer(folder.path());
  expectCleanExit(run);
  EXPECT_EQ(run.texts(), Texts{});
  EXPECT_EQ(folder.readFile("result.sto"), "$before=no\r\r\n$after=yes\r\r\n$folder=no\r\r\n$upper=yes\r\r\n");
}

}  // namespace
}  // namespace vellaro::wine
