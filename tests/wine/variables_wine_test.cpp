// store through the real vellaro.exe over a file that already exists: Windows refuses to rename a
// file over another, so the new file takes the old one's place another way there. The rules of let,
// math, eval, poke, store and restore are checked natively (tests/unit/variable_commands_test.cpp,
// tests/unit/evaluator_test.cpp).
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

}  // namespace
}  // namespace vellaro::wine
