// Lessons and files that nobody checked, on the real player: each run ends with its messages or its
// sound, never with a crash or a hang. Also: a lesson stuck in a loop that never waits can still be
// closed. A full call stack (deep calls, a file that loads itself) is checked natively in
// tests/unit/interpreter_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "harness.h"

namespace vellaro::wine {
namespace {

std::string littleEndian(uint32_t value, int bytes) {
  std::string text;
  for (int i = 0; i < bytes; ++i) text += static_cast<char>((value >> (8 * i)) & 0xFF);
  return text;
}

// A 24-bit BMP whose header claims width x height; pixelBytes bytes of pixels follow it.
std::string bmp(uint32_t width, uint32_t height, size_t pixelBytes) {
  std::string info = littleEndian(40, 4) + littleEndian(width, 4) + littleEndian(height, 4) + littleEndian(1, 2) +
                     littleEndian(24, 2) + littleEndian(0, 4) + littleEndian(0, 4) + std::string(16, '\0');
  std::string file = "BM" + littleEndian(static_cast<uint32_t>(54 + pixelBytes), 4) + std::string(4, '\0') +
                     littleEndian(54, 4) + info;
  return file + std::string(pixelBytes, '\x40');
}

// A mono 8-bit WAV at 11025 Hz whose data chunk claims dataSize bytes; present bytes follow it.
std::string wav(uint32_t dataSize, size_t present) {
  std::string format = littleEndian(1, 2) + littleEndian(1, 2) + littleEndian(11025, 4) + littleEndian(11025, 4) +
                       littleEndian(1, 2) + littleEndian(8, 2);
  std::string body = "WAVEfmt " + littleEndian(16, 4) + format + "data" + littleEndian(dataSize, 4);
  std::string data(present, '\0');
  for (size_t i = 0; i < present; ++i) data[i] = static_cast<char>(128 + (i % 32) * 2);
  return "RIFF" + littleEndian(static_cast<uint32_t>(body.size() + present), 4) + body + data;
}

// "# ab ab ab ...": a comment whose cut-off rest reads as lines of unknown words, which do nothing.
std::string longLine(size_t length) {
  std::string line = "#";
  while (line.size() < length) line += " ab";
  return line.substr(0, length);
}

size_t countOf(const Texts& texts, const std::string& text) {
  return static_cast<size_t>(std::count(texts.begin(), texts.end(), text));
}

TEST(HostileLessonWine, LongLinesStrangeBytesAndTooManyLinesAndVariables) {
  TestFolder folder;
  std::vector<std::string> lines = {std::string("let nul a\0b", 11), "let high \xE9t\xE9\xFF\x80",
                                    "if $high = $high poke same", "poke $nul", longLine(100000)};
  for (int i = 1; i <= 101; ++i) lines.push_back("let v" + std::to_string(i) + " " + std::to_string(i));
  lines.push_back("poke $v95");
  lines.push_back("terminate");
  while (lines.size() < 5000) lines.push_back("# filler");
  folder.writeScenario("index.scn", lines);
  RunResult run = runPlayer(folder.path(), {}, 60000);
  expectCleanExit(run);
  // 3 built-in variables, nul and high leave room for v1 to v95.
  Texts expected{"Scenario file (index.scn) has more than 3000 lines; the lines after line 2999 are ignored",
                 "same", "a"};
  expected.insert(expected.end(), 6, "TOO MANY VARIABLES!");
  expected.push_back("95");
  EXPECT_EQ(run.texts(), expected);
}

TEST(HostileLessonWine, ObjectsBadFilesAndStoreFiles) {
  TestFolder folder;
  folder.writeFile("p.bmp", bmp(2, 2, 16));
  folder.writeFile("zero.bmp", "");
  folder.writeFile("cut.bmp", bmp(64, 64, 100));
  folder.writeFile("lying.bmp", bmp(0x7FFFFFF, 0x7FFFFFF, 16));  // claims gigabytes of pixels
  folder.writeFile("zero.wav", "");
  folder.writeFile("cut.wav", wav(4000, 4000).substr(0, 30));
  folder.writeFile("lying.wav", wav(0x7FFFFFF0, 2000));  // claims 2 GB, holds 2000 bytes
  std::string big;
  for (int i = 0; i < 9999; ++i) big += "$n" + std::to_string(i) + "=" + std::to_string(i) + "\r\r\n";
  folder.writeFile("big.sto", big + "$x=found\r\r\n");
  std::string junk;
  for (int i = 0; i < 5000; ++i) junk += static_cast<char>((i * 7919) % 256);
  folder.writeFile("junk.sto", junk);

  std::vector<std::string> lines;
  for (int i = 0; i <= 500; ++i) lines.push_back("preshow 0 0 p.bmp o" + std::to_string(i));
  for (const char* name : {"zero.bmp", "cut.bmp", "lying.bmp"}) lines.push_back(std::string("show 0 0 ") + name + " bad");
  for (const char* name : {"zero.wav", "cut.wav", "lying.wav"}) lines.push_back(std::string("play ") + name + " 36");
  lines.push_back("wait");
  lines.push_back("restore big.sto $x");
  lines.push_back("poke $x");
  lines.push_back("restore junk.sto $y");
  int junkLine = static_cast<int>(lines.size()) - 1;
  lines.push_back("poke done");
  lines.push_back("terminate");
  folder.writeScenario("index.scn", lines);
  RunResult run = runPlayer(folder.path(), {}, 120000);
  expectCleanExit(run);
  Texts texts = run.texts();
  // The 501st preshow, and the cut picture: its missing rows show black, so it loads and then finds
  // the registry full. The empty and the lying pictures are refused before that.
  EXPECT_EQ(countOf(texts, "MAX number of objects reached!"), 2u);
  EXPECT_EQ(countOf(texts, "It is not WAV file zero.wav"), 1u);
  EXPECT_EQ(countOf(texts, "It is not WAV file cut.wav"), 1u);
  EXPECT_EQ(countOf(texts, "It is not WAV file lying.wav"), 0u);  // it plays the 2000 bytes it has
  EXPECT_EQ(countOf(texts, "found"), 1u);
  EXPECT_EQ(countOf(texts, std::to_string(junkLine) + ": restore -- variable ($y) is not found in file (junk.sto)"), 1u);
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts.back(), "done");
}

// A loop of jumps never waits; the window still takes its close request, and the player exits.
TEST(HostileLessonWine, ClosingALessonStuckInALoopEndsThePlayer) {
  TestFolder folder;
  folder.writeScenario("index.scn", {":a", "goto :a"});
  Player player;
  ASSERT_TRUE(player.start(folder.path()));
  ASSERT_TRUE(waitUntil([&player] { return !player.windows().empty(); }, 10000));
  PostMessageA(player.windows().front(), WM_CLOSE, 0, 0);
  DWORD exitCode = 1;
  EXPECT_TRUE(player.waitForExit(2000, &exitCode));
  EXPECT_EQ(exitCode, 0u);
}

}  // namespace
}  // namespace vellaro::wine
