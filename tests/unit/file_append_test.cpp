// Appending whole or not at all, through a fake file whose writes, sizes and closes can fail, and
// on real files.
#include "base/file_append.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace vellaro {
namespace {

// A file of bytes in memory that fails the way a full disk or a lost device does.
struct FakeAppendFile final : AppendFile {
  bool size(uint64_t* bytes) override {
    if (!sizeKnown) return false;
    *bytes = content.size();
    return true;
  }
  size_t write(const char* bytes, size_t count) override {
    ++writes;
    size_t taken = std::min(count, room);
    content.append(bytes, taken);
    return taken;
  }
  bool truncate(uint64_t bytes) override {
    content.resize(bytes);
    return true;
  }
  bool finish() override { return finishes; }

  std::string content = "old\r\n";
  size_t room = 1000;  // bytes the disk still takes
  bool sizeKnown = true;
  bool finishes = true;
  int writes = 0;
};

TEST(AppendWhole, AddsTheWholeLineOrLeavesTheFileAsItWas) {
  struct Case {
    const char* fault;
    size_t room;
    bool sizeKnown, finishes;
    bool added;
    const char* content;
  } cases[] = {
      {"a line that fits is not added", 1000, true, true, true, "old\r\nnew line\r\n"},
      {"a line that fits exactly is cut", 10, true, true, true, "old\r\nnew line\r\n"},
      {"a short write leaves half a line", 4, true, true, false, "old\r\n"},
      {"a write of nothing counts as done", 0, true, true, false, "old\r\n"},
      {"a close that fails keeps the line", 1000, true, false, false, "old\r\n"},
      {"an unknown size is written anyway", 1000, false, true, false, "old\r\n"},
  };
  for (const Case& c : cases) {
    FakeAppendFile file;
    file.room = c.room;
    file.sizeKnown = c.sizeKnown;
    file.finishes = c.finishes;
    EXPECT_EQ(appendWhole(file, "new line\r\n"), c.added) << c.fault;
    EXPECT_EQ(file.content, c.content) << c.fault;
    EXPECT_LE(file.writes, 1) << c.fault << ": one write call";
  }
}

std::string contentOf(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

TEST(AppendWhole, PlayerFilesAreMadeAppendedToAndAFolderIsRefused) {
  std::filesystem::path folder = std::filesystem::temp_directory_path() / "vellaro-append-test";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder / "sub");
  std::string log = (folder / "progress.log").string();
  EXPECT_TRUE(appendToPlayerFile(log, "one\r\n"));
  EXPECT_TRUE(appendToPlayerFile(log, "two\r\n"));
  EXPECT_EQ(contentOf(log), "one\r\ntwo\r\n");
  EXPECT_FALSE(appendToPlayerFile((folder / "sub").string(), "three\r\n"));
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace vellaro
