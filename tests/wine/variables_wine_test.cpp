// store through the real vellaro.exe over a file that already exists: Windows refuses to rename a
// file over another, so the new file takes the old one's place another way there. exists on the
// Windows file system; check log's whole lines and local time. The rules of let, math, eval, poke,
// store, restore and exists are checked natively (tests/unit/variable_commands_test.cpp,
// tests/unit/evaluator_test.cpp).
#include <gtest/gtest.h>

#include <regex>
#include <string>

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

// check log on Windows: each attempt is one whole line at the file's end, stamped with the local
// time; a folder in the file's place gives the message and the lesson goes on.
TEST(CheckLogWine, AddsOneLinePerAttemptWithTheLocalDate) {
  TestFolder folder;
  folder.makeFolder("logs.d");
  folder.writeScenario("index.scn", {"check mode user 2 200", "melody ( -100 (24) -100 )",
                                     "check log progress.log \"Echo\"", "check log progress.log \"Echo\"",
                                     "check log logs.d Echo", "terminate"});
  SYSTEMTIME today;
  GetLocalTime(&today);
  RunResult run = runPlayer(folder.path());
  expectCleanExit(run);
  EXPECT_EQ(run.texts(), Texts{"4: check log  -- file (logs.d) cannot be written; the line is not added"});
  char date[16];
  snprintf(date, sizeof date, "%04u-%02u-%02u", today.wYear, today.wMonth, today.wDay);
  std::string line = std::string(date) + R"( \d\d:\d\d:\d\d\tEcho\t0\tmissed\t200\t0\r\n)";
  EXPECT_TRUE(std::regex_match(folder.readFile("progress.log"), std::regex(line + line)))
      << folder.readFile("progress.log");
}

}  // namespace
}  // namespace vellaro::wine
