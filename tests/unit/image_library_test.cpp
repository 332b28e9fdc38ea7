// The LZW coder and the image library: byte-exact packing, unpacking across the dictionary's
// restart, the library layout after one and two entries, and every kind of damaged input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "image/image_library.h"
#include "recording_coder_host.h"

namespace vellaro {
namespace {

std::vector<uint8_t> bytesOf(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

// The packer exactly as the format describes it, with its linear dictionary search, to hold the
// fast packer to the same codes.
std::vector<uint8_t> referencePack(const std::vector<uint8_t>& input) {
  std::vector<uint16_t> prefix(511), character(511);
  for (int i = 0; i < 256; ++i) character[i] = static_cast<uint16_t>(i);
  std::vector<uint8_t> out;
  uint32_t bits = 0, count = 0, next = 256, cur = 0, n = 0;
  auto write = [&](uint32_t code) {
    bits = bits << 9 | code;
    for (count += 9; count >= 8; count -= 8) out.push_back(static_cast<uint8_t>(bits >> (count - 8)));
  };
  for (size_t i = 0; i < input.size();) {
    uint8_t c = input[i++];
    uint32_t k = cur;
    while (k < next && !(character[k] == c && (n == 0 || (prefix[k] == cur && k > 255)))) ++k;
    if (k < next) {
      cur = k;
      ++n;
      continue;
    }
    prefix[next] = static_cast<uint16_t>(cur);
    character[next] = c;
    if (++next >= 510) next = 256;
    write(cur);
    cur = n = 0;
    --i;
  }
  if (n > 0) write(cur);
  if (count > 0) out.push_back(static_cast<uint8_t>(bits << (8 - count)));
  return out;
}

// Pictures as the library holds them: flat areas with noise in between.
std::vector<uint8_t> pictureLike(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> data;
  while (data.size() < size) {
    uint8_t value = static_cast<uint8_t>(random());
    size_t run = random() % 3 == 0 ? random() % 400 : 1;
    data.insert(data.end(), run, value);
  }
  data.resize(size);
  return data;
}

TEST(LzwCoder, ThreeLettersPackToTheDocumentedBytes) {
  RecordingCoderHost host;
  EXPECT_EQ(lzwPack(bytesOf("abc").data(), 3, host), (std::vector<uint8_t>{0x30, 0x98, 0x8C, 0x60}));
  EXPECT_EQ(host.pumps, 3);  // once after every code
}

struct RoundTripCase {
  const char* what;
  std::vector<uint8_t> data;
};

class LzwRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(LzwRoundTrip, PacksLikeTheLinearSearchAndUnpacksToTheInput) {
  RecordingCoderHost host;
  const std::vector<uint8_t>& data = GetParam().data;
  std::vector<uint8_t> packed = lzwPack(data.data(), data.size(), host);
  EXPECT_EQ(packed, referencePack(data));
  UnpackResult unpacked = lzwUnpack(packed.data(), packed.size(), data.size(), host);
  EXPECT_FALSE(unpacked.damaged);
  EXPECT_EQ(unpacked.bytes, data);
  EXPECT_TRUE(host.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Table, LzwRoundTrip,
    ::testing::Values(RoundTripCase{"empty", {}}, RoundTripCase{"one byte", {0}},
                      RoundTripCase{"a repeated byte: code = next on each new string", std::vector<uint8_t>(5000, 'a')},
                      RoundTripCase{"every byte value", [] {
                                      std::vector<uint8_t> all;
                                      for (int i = 0; i < 256 * 3; ++i) all.push_back(static_cast<uint8_t>(i * 7));
                                      return all;
                                    }()},
                      RoundTripCase{"noise fills the dictionary many times", pictureLike(200000, 1)},
                      RoundTripCase{"zero bytes and text", bytesOf(std::string("ok:ok1.bmp\0\0\0ab", 15))}));

// Writes 9-bit codes by hand.
std::vector<uint8_t> codes(const std::vector<uint32_t>& list) {
  std::vector<uint8_t> out;
  uint32_t bits = 0, count = 0;
  for (uint32_t code : list) {
    bits = bits << 9 | code;
    for (count += 9; count >= 8; count -= 8) out.push_back(static_cast<uint8_t>(bits >> (count - 8)));
  }
  if (count > 0) out.push_back(static_cast<uint8_t>(bits << (8 - count)));
  return out;
}

// After a restart the first new entry keeps a prefix from before it; redefining that prefix later
// makes two entries point at each other.
std::vector<uint32_t> loopingCodes() {
  std::vector<uint32_t> list(254, 0);  // the first code adds nothing, the next 253 make 256 to 508
  list.push_back(400);                 // makes 509; the dictionary restarts before the next code
  list.push_back(5);                   // 256 = (400, 5)
  list.insert(list.end(), 142, 1);     // 257 to 398
  list.push_back(256);                 // 399; previous is now 256
  list.push_back(7);                   // 400 = (256, 7): 400 and 256 lead to each other
  list.push_back(400);
  return list;
}

struct DamagedBlockCase {
  const char* what;
  std::vector<uint8_t> packed;
  size_t expected;
  size_t keptBytes;
  std::string message;
};

class LzwDamagedBlock : public ::testing::TestWithParam<DamagedBlockCase> {};

TEST_P(LzwDamagedBlock, StopsWithItsMessageAndKeepsWhatCameBefore) {
  RecordingCoderHost host;
  const DamagedBlockCase& c = GetParam();
  UnpackResult result = lzwUnpack(c.packed.data(), c.packed.size(), c.expected, host);
  EXPECT_TRUE(result.damaged);
  EXPECT_EQ(result.bytes.size(), c.keptBytes);
  EXPECT_EQ(host.messages, std::vector<std::string>{c.message});
}

INSTANTIATE_TEST_SUITE_P(
    Table, LzwDamagedBlock,
    ::testing::Values(
        DamagedBlockCase{"a code past next", codes({'a', 300}), 10, 1, "SLI: Unpacking ERROR 300>256"},
        DamagedBlockCase{"a block shorter than its size", codes({'a', 'b', 'c'}), 100, 3,
                         "SLI: Unpacking ERROR: the data ends after 3 of 100 bytes"},
        DamagedBlockCase{"an expected size of 4 GB from four bytes", codes({'a', 'b', 'c'}), 0xFFFFFFFFu, 3,
                         "SLI: Unpacking ERROR: the data ends after 3 of 4294967295 bytes"},
        DamagedBlockCase{"a prefix chain that loops", codes(loopingCodes()), 100000, 254 + 2 + 1 + 142 + 3 + 1,
                         "SLI: Unpacking ERROR: code 400 leads round in a circle"}));

TEST(LzwCoder, StopsAtTheExpectedLengthInsideAString) {
  RecordingCoderHost host;
  std::vector<uint8_t> packed = lzwPack(std::vector<uint8_t>(100, 'x').data(), 100, host);
  UnpackResult result = lzwUnpack(packed.data(), packed.size(), 10, host);
  EXPECT_EQ(result.bytes, std::vector<uint8_t>(10, 'x'));
  EXPECT_FALSE(result.damaged);
}

// ---- the library file ----

class ImageLibraryTest : public ::testing::Test {
 protected:
  // Each test has a folder of its own: ctest runs the tests at once, and a library's temporary file
  // is made beside it.
  void SetUp() override {
    folder = ::testing::TempDir() + "vellaro_library_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    path = folder + "/library.sli";
  }
  void TearDown() override { std::filesystem::remove_all(folder); }
  std::vector<uint8_t> fileBytes() const {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
  }
  void writeFile(const std::vector<uint8_t>& bytes) const {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  }
  bool add(const std::string& group, const std::string& file, const std::vector<uint8_t>& data) {
    return addLibraryEntry(path, group, file, data.data(), data.size(), host);
  }
  size_t packedNameSize(const std::string& name) { return lzwPack(bytesOf(name).data(), name.size(), host).size(); }

  std::string folder;
  std::string path;
  RecordingCoderHost host;
};

TEST_F(ImageLibraryTest, EmptyLibraryIsTheMagicAndACountOfZero) {
  ASSERT_TRUE(createLibrary(path));
  EXPECT_EQ(fileBytes(), (std::vector<uint8_t>{'Z', 'E', 'L', 'T', 0, 0}));
  EXPECT_TRUE(isLibrary(path));
  LibraryDirectory directory = readLibraryDirectory(path, host);
  EXPECT_EQ(directory.status, LibraryStatus::Ok);
  EXPECT_TRUE(directory.entries.empty());
  EXPECT_EQ(directory.size, 6u);
}

TEST_F(ImageLibraryTest, OneEntrySitsRightAfterTheDirectory) {
  ASSERT_TRUE(createLibrary(path));
  std::vector<uint8_t> picture = pictureLike(3000, 2);
  ASSERT_TRUE(add("ok", "ok1.bmp", picture));
  LibraryDirectory directory = readLibraryDirectory(path, host);
  ASSERT_EQ(directory.entries.size(), 1u);
  EXPECT_EQ(directory.entries[0].name, "ok:ok1.bmp");
  EXPECT_EQ(directory.entries[0].dataOffset, 6 + 14 + packedNameSize("ok:ok1.bmp"));
  EXPECT_EQ(directory.entries[0].unpackedSize, 3000u);
  EXPECT_EQ(fileBytes().size(), directory.entries[0].dataOffset + directory.entries[0].packedSize);
  LibraryEntryData entry = loadLibraryEntry(path, "ok", "ok1.bmp", host);
  EXPECT_TRUE(entry.found);
  EXPECT_EQ(entry.bytes, picture);
}

TEST_F(ImageLibraryTest, ASecondEntryMovesTheFirstBlockByItsDirectoryEntry) {
  ASSERT_TRUE(createLibrary(path));
  std::vector<uint8_t> first = pictureLike(2000, 3), second = pictureLike(5000, 4);
  ASSERT_TRUE(add("ok", "ok1.bmp", first));
  uint32_t offsetBefore = readLibraryDirectory(path, host).entries[0].dataOffset;
  ASSERT_TRUE(add("", "plain.bmp", second));
  LibraryDirectory directory = readLibraryDirectory(path, host);
  ASSERT_EQ(directory.entries.size(), 2u);
  EXPECT_EQ(directory.entries[0].dataOffset, offsetBefore + 14 + packedNameSize("plain.bmp"));
  EXPECT_EQ(directory.entries[1].name, "plain.bmp");
  EXPECT_EQ(directory.entries[1].dataOffset, directory.entries[0].dataOffset + directory.entries[0].packedSize);
  EXPECT_EQ(loadLibraryEntry(path, "ok", "ok1.bmp", host).bytes, first);
  EXPECT_EQ(loadLibraryEntry(path, "", "plain.bmp", host).bytes, second);
  EXPECT_EQ(libraryNames(path, host), (std::vector<std::string>{"ok:ok1.bmp", "plain.bmp"}));
}

TEST_F(ImageLibraryTest, ADuplicateNameIsAddedAndLookupsKeepFindingTheOlderEntry) {
  ASSERT_TRUE(createLibrary(path));
  ASSERT_TRUE(add("g", "a.bmp", bytesOf("older")));
  ASSERT_TRUE(add("g", "a.bmp", bytesOf("newer")));
  EXPECT_EQ(libraryNames(path, host), (std::vector<std::string>{"g:a.bmp", "g:a.bmp"}));
  EXPECT_EQ(loadLibraryEntry(path, "g", "a.bmp", host).bytes, bytesOf("older"));
}

struct RefusedAddCase {
  const char* what;
  bool create;
  std::string fileName;
  std::string message;
};

class ImageLibraryRefusal : public ImageLibraryTest, public ::testing::WithParamInterface<RefusedAddCase> {};

TEST_P(ImageLibraryRefusal, LeavesTheLibraryAsItWas) {
  const RefusedAddCase& c = GetParam();
  if (c.create) {
    ASSERT_TRUE(createLibrary(path));
    ASSERT_TRUE(add("", "keep.bmp", bytesOf("kept")));
  }
  std::vector<uint8_t> before = fileBytes();
  EXPECT_FALSE(add("", c.fileName, bytesOf("new")));
  EXPECT_EQ(fileBytes(), before);
  EXPECT_EQ(host.messages, std::vector<std::string>{c.message == "PATH" ? "SLI: Cannot open library (" + path + ")"
                                                                        : c.message});
}

std::string noise(size_t length) {
  std::mt19937 random(7);
  std::string text;
  for (size_t i = 0; i < length; ++i) text += static_cast<char>('!' + random() % 90);
  return text;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ImageLibraryRefusal,
    ::testing::Values(RefusedAddCase{"missing library", false, "a.bmp", "PATH"},
                      RefusedAddCase{"name of 256 characters", true, std::string(256, 'n'),
                                     "SLI: The name " + std::string(256, 'n') + " is too long for the library directory"},
                      RefusedAddCase{"name whose packed form passes 255 bytes", true, noise(240),
                                     "SLI: The name " + noise(240) + " is too long for the library directory"}));

// A library with one entry "g:a.bmp" of known bytes, then changed byte by byte. Damage of the
// entry's data keeps its record (listed, with its problem); damage of the directory loses it.
struct DamagedLibraryCase {
  const char* what;
  std::vector<uint8_t> (*damage)(std::vector<uint8_t>);
  bool recordKept;
  std::string problem;
};

class ImageLibraryDamage : public ImageLibraryTest, public ::testing::WithParamInterface<DamagedLibraryCase> {};

TEST_P(ImageLibraryDamage, ReportsTheDamageAndFindsNothing) {
  ASSERT_TRUE(createLibrary(path));
  ASSERT_TRUE(add("g", "a.bmp", pictureLike(4000, 5)));
  writeFile(GetParam().damage(fileBytes()));
  LibraryDirectory directory = readLibraryDirectory(path, host);
  EXPECT_EQ(directory.status, LibraryStatus::Damaged);
  std::string expected = "SLI: Damaged library (" + path + "): " + GetParam().problem;
  if (GetParam().recordKept) {
    ASSERT_EQ(directory.entries.size(), 1u);
    EXPECT_EQ(directory.entries[0].name, "g:a.bmp");
    EXPECT_EQ(directory.entries[0].problem, expected);
    EXPECT_EQ(directory.problem, "");
  } else {
    EXPECT_TRUE(directory.entries.empty());
    EXPECT_EQ(directory.problem, expected);
  }
  EXPECT_EQ(libraryProblems(directory), std::vector<std::string>{expected});
  EXPECT_FALSE(loadLibraryEntry(path, "g", "a.bmp", host).found);
  EXPECT_EQ(host.messages, std::vector<std::string>{expected});
  host.messages.clear();
  EXPECT_FALSE(add("", "new.bmp", bytesOf("new")));  // nothing is added to a damaged library
  EXPECT_EQ(host.messages, std::vector<std::string>{expected});
}

void putU32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

INSTANTIATE_TEST_SUITE_P(
    Table, ImageLibraryDamage,
    ::testing::Values(
        DamagedLibraryCase{"directory cut short", [](std::vector<uint8_t> b) { return b.resize(12), b; }, false,
                           "the directory ends early"},
        DamagedLibraryCase{"name runs past the end", [](std::vector<uint8_t> b) { return b.resize(6 + 14 + 2), b; },
                           false, "a name runs past the end of the file"},
        DamagedLibraryCase{"name with a code past next", [](std::vector<uint8_t> b) { return b[20] = 0xFF, b; }, false,
                           "a name cannot be unpacked"},
        DamagedLibraryCase{"data offset past the end", [](std::vector<uint8_t> b) { return putU32(b, 6, 0x7FFFFFF0), b; },
                           true, "the data of g:a.bmp lies outside the file"},
        DamagedLibraryCase{"packed size past the end", [](std::vector<uint8_t> b) { return putU32(b, 10, 0xFFFFFFFF), b; },
                           true, "the data of g:a.bmp lies outside the file"},
        DamagedLibraryCase{"data block cut off", [](std::vector<uint8_t> b) { return b.resize(b.size() - 1), b; }, true,
                           "the data of g:a.bmp lies outside the file"},
        DamagedLibraryCase{"unpacked size of 4 GB", [](std::vector<uint8_t> b) { return putU32(b, 14, 0xFFFFFFFF), b; },
                           true, "the size of g:a.bmp cannot be true"},
        DamagedLibraryCase{"unpacked size more than the block could give",
                           [](std::vector<uint8_t> b) { return putU32(b, 14, 200u * 1024u * 1024u), b; }, true,
                           "the size of g:a.bmp cannot be true"}));

// Libraries of three entries (the last one large) damaged the way a cut download or a full disk
// leaves them: what is intact is found without a word, what is damaged says so when asked for.
struct PartlyDamagedCase {
  const char* what;
  std::vector<uint8_t> (*damage)(std::vector<uint8_t>, const LibraryDirectory&);
  std::vector<std::string> intact;   // found byte-exact, no message
  std::vector<std::string> damaged;  // not found, each with this problem
  std::string problem;
};

class ImageLibraryPartlyDamaged : public ImageLibraryTest, public ::testing::WithParamInterface<PartlyDamagedCase> {};

TEST_P(ImageLibraryPartlyDamaged, KeepsTheIntactEntries) {
  const PartlyDamagedCase& c = GetParam();
  ASSERT_TRUE(createLibrary(path));
  std::vector<std::vector<uint8_t>> data = {bytesOf("BM"), pictureLike(3000, 8), pictureLike(20000, 9)};
  const char* names[] = {"a.bmp", "b.bmp", "c.bmp"};
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(add("g", names[i], data[i]));
  writeFile(c.damage(fileBytes(), readLibraryDirectory(path, host)));
  std::string expected = "SLI: Damaged library (" + path + "): " + c.problem;
  EXPECT_EQ(libraryProblems(readLibraryDirectory(path, host)), std::vector<std::string>{expected});
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(names[i]);
    host.messages.clear();
    LibraryEntryData entry = loadLibraryEntry(path, "g", names[i], host);
    bool intact = std::find(c.intact.begin(), c.intact.end(), names[i]) != c.intact.end();
    bool damaged = std::find(c.damaged.begin(), c.damaged.end(), names[i]) != c.damaged.end();
    EXPECT_EQ(entry.found, intact);
    if (intact) {
      EXPECT_EQ(entry.bytes, data[i]);
    }
    EXPECT_EQ(host.messages, damaged ? std::vector<std::string>{expected} : std::vector<std::string>{});
  }
}

// The record of entry i: 6 header bytes, then 14 plus the packed name size for each one before.
size_t recordAt(const LibraryDirectory& directory, size_t i) {
  size_t at = 6;
  for (size_t k = 0; k < i; ++k) at += 14 + directory.entries[k].packedNameSize;
  return at;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ImageLibraryPartlyDamaged,
    ::testing::Values(
        PartlyDamagedCase{"cut in the middle of the last entry's data",
                          [](std::vector<uint8_t> b, const LibraryDirectory& d) {
                            return b.resize(d.entries[2].dataOffset + d.entries[2].packedSize / 2), b;
                          },
                          {"a.bmp", "b.bmp"}, {"c.bmp"}, "the data of g:c.bmp lies outside the file"},
        PartlyDamagedCase{"the last entry's packed size runs past the end",
                          [](std::vector<uint8_t> b, const LibraryDirectory& d) {
                            return putU32(b, recordAt(d, 2) + 4, d.entries[2].packedSize + 1), b;
                          },
                          {"a.bmp", "b.bmp"}, {"c.bmp"}, "the data of g:c.bmp lies outside the file"},
        PartlyDamagedCase{"the middle entry's sizes cannot be true",
                          [](std::vector<uint8_t> b, const LibraryDirectory& d) {
                            return putU32(b, recordAt(d, 1) + 8, 0xFFFFFFFF), b;
                          },
                          {"a.bmp", "c.bmp"}, {"b.bmp"}, "the size of g:b.bmp cannot be true"},
        PartlyDamagedCase{"a count that claims more records: those read before the end are kept",
                          [](std::vector<uint8_t> b, const LibraryDirectory& d) {
                            // One record and the first data block right after it: "BM" packed into
                            // 3 bytes, too short for the second record the count claims.
                            std::vector<uint8_t> shorter(b.begin(), b.begin() + recordAt(d, 1));
                            shorter[4] = 2;
                            shorter.insert(shorter.end(), b.begin() + d.entries[0].dataOffset,
                                           b.begin() + d.entries[0].dataOffset + d.entries[0].packedSize);
                            putU32(shorter, 6, static_cast<uint32_t>(recordAt(d, 1)));
                            return shorter;
                          },
                          {"a.bmp"}, {"b.bmp", "c.bmp"}, "the directory ends early"}));

TEST_F(ImageLibraryTest, ADamagedDataBlockGivesItsMessageAndThePartialBytes) {
  ASSERT_TRUE(createLibrary(path));
  ASSERT_TRUE(add("g", "a.bmp", bytesOf("abcdefghijklmnop")));
  std::vector<uint8_t> bytes = fileBytes();
  uint32_t offset = readLibraryDirectory(path, host).entries[0].dataOffset;
  bytes[offset + 4] = 0xFF;  // the fourth code ends in ones, the fifth starts with four
  writeFile(bytes);
  LibraryEntryData entry = loadLibraryEntry(path, "g", "a.bmp", host);
  EXPECT_TRUE(entry.found);
  EXPECT_EQ(entry.bytes, bytesOf("abco"));
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].rfind("SLI: Unpacking ERROR ", 0), 0u);
}

TEST_F(ImageLibraryTest, AFileWithoutTheMagicIsNoLibrary) {
  writeFile(bytesOf("BM and more"));
  EXPECT_FALSE(isLibrary(path));
  EXPECT_EQ(readLibraryDirectory(path, host).status, LibraryStatus::NotLibrary);
  EXPECT_FALSE(loadLibraryEntry(path, "", "x", host).found);
  EXPECT_TRUE(host.messages.empty());
}

}  // namespace
}  // namespace vellaro
