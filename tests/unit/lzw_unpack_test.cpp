// The LZW unpacker against the chain-walking one it replaced: on packed pictures, on libraries with
// damaged blocks and on random code streams (stale prefixes across restarts, loops, codes past
// next, cut blocks) both give the same bytes, the same damage flag, the same messages and the same
// number of message pumps.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "image/image_library.h"
#include "lzw_reference.h"
#include "recording_coder_host.h"

namespace vellaro {
namespace {

// Unpacks with both loops and compares everything they give; the label names the case that failed.
void expectSameAsReference(const std::vector<uint8_t>& packed, size_t expected, const std::string& label) {
  RecordingCoderHost newHost, oldHost;
  UnpackResult now = lzwUnpack(packed.data(), packed.size(), expected, newHost);
  UnpackResult before = referenceLzwUnpack(packed.data(), packed.size(), expected, oldHost);
  ASSERT_EQ(now.bytes.size(), before.bytes.size()) << label;
  EXPECT_TRUE(now.bytes == before.bytes) << label;
  EXPECT_EQ(now.damaged, before.damaged) << label;
  EXPECT_EQ(newHost.messages, oldHost.messages) << label;
  EXPECT_EQ(newHost.pumps, oldHost.pumps) << label;
}

// Picture-like bytes: runs of one value, short repeated patterns and noise.
std::vector<uint8_t> randomPicture(std::mt19937& random, size_t size) {
  std::vector<uint8_t> data;
  while (data.size() < size) {
    uint8_t value = static_cast<uint8_t>(random());
    switch (random() % 3) {
      case 0: data.insert(data.end(), random() % 600, value); break;
      case 1:
        for (uint32_t i = 0, period = 1 + random() % 7, n = random() % 300; i < n; ++i)
          data.push_back(static_cast<uint8_t>(value + i % period));
        break;
      default: data.push_back(value); break;
    }
  }
  data.resize(size);
  return data;
}

// 9-bit codes, most significant bit first, the last byte zero-padded.
std::vector<uint8_t> codeBytes(const std::vector<uint32_t>& codes) {
  std::vector<uint8_t> out;
  uint32_t bits = 0, count = 0;
  for (uint32_t code : codes) {
    bits = bits << 9 | code;
    for (count += 9; count >= 8; count -= 8) out.push_back(static_cast<uint8_t>(bits >> (count - 8)));
  }
  if (count > 0) out.push_back(static_cast<uint8_t>(bits << (8 - count)));
  return out;
}

// Codes a packer could almost have written: each at most next, with the unpacker's restart, mostly
// high codes (long strings), codes equal to next, and now and then one past next.
std::vector<uint32_t> randomCodes(std::mt19937& random, size_t count, bool withBadCodes) {
  std::vector<uint32_t> codes;
  uint32_t next = kLzwFirstFreeCode;
  for (size_t i = 0; i < count; ++i) {
    if (next >= kLzwRestartCode) next = kLzwFirstFreeCode;
    uint32_t pick = static_cast<uint32_t>(random() % 16);
    uint32_t code = pick < 5 ? static_cast<uint32_t>(random() % 256)
                    : pick < 7 ? next
                    : pick < 8 ? static_cast<uint32_t>(random() % kLzwRestartCode)  // any code, maybe past next
                               : next - static_cast<uint32_t>(random() % (next - 255 + (next > 256 ? 0 : 1)));
    if (!withBadCodes && code > next) code = next;
    codes.push_back(code);
    if (i > 0) ++next;
  }
  return codes;
}

TEST(LzwUnpackAgainstChainWalk, PackedPicturesOfEverySizeAndCut) {
  std::mt19937 random(21);
  for (int round = 0; round < 60; ++round) {
    size_t size = round < 10 ? static_cast<size_t>(round) : random() % 300000;
    std::vector<uint8_t> data = randomPicture(random, size);
    RecordingCoderHost host;
    std::vector<uint8_t> packed = lzwPack(data.data(), data.size(), host);
    std::string label = "round " + std::to_string(round);
    expectSameAsReference(packed, size, label);
    expectSameAsReference(packed, size / 2 + 1, label + ", cut inside");
    expectSameAsReference(packed, size + 1 + random() % 1000, label + ", a size that lies");
    if (!packed.empty()) {
      packed.resize(random() % packed.size());
      expectSameAsReference(packed, size, label + ", a block cut short");
    }
  }
}

TEST(LzwUnpackAgainstChainWalk, RandomCodeStreamsWithStalePrefixesAndLoops) {
  std::mt19937 random(1021);
  for (int round = 0; round < 400; ++round) {
    bool withBadCodes = round % 2 == 1;
    std::vector<uint8_t> packed = codeBytes(randomCodes(random, 200 + random() % 3000, withBadCodes));
    expectSameAsReference(packed, 1u << 22, "codes round " + std::to_string(round));
    expectSameAsReference(packed, random() % 20000, "codes round " + std::to_string(round) + ", cut");
  }
}

TEST(LzwUnpackAgainstChainWalk, RandomBytesAsBlocks) {
  std::mt19937 random(7);
  for (int round = 0; round < 300; ++round) {
    std::vector<uint8_t> packed(random() % 4000);
    for (uint8_t& byte : packed) byte = static_cast<uint8_t>(random() % (round % 3 == 0 ? 2 : 256));
    expectSameAsReference(packed, random() % 100000, "bytes round " + std::to_string(round));
  }
}

// Whole libraries as they are written, then with bytes of their packed data changed: every block as
// the library reader hands it to the unpacker.
TEST(LzwUnpackAgainstChainWalk, BlocksOfRandomLibrariesWithChangedBytes) {
  std::string path = ::testing::TempDir() + "vellaro_lzw_compare.sli";
  std::mt19937 random(4);
  for (int round = 0; round < 6; ++round) {
    RecordingCoderHost host;
    ASSERT_TRUE(createLibrary(path));
    std::vector<size_t> sizes;
    for (int entry = 0; entry < 4; ++entry) {
      std::vector<uint8_t> data = randomPicture(random, random() % 40000);
      sizes.push_back(data.size());
      ASSERT_TRUE(addLibraryEntry(path, "g", "e" + std::to_string(entry), data.data(), data.size(), host));
    }
    LibraryDirectory directory = readLibraryDirectory(path, host);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    for (const LibraryRecord& record : directory.entries) {
      std::vector<uint8_t> block(record.packedSize);
      std::fseek(file, static_cast<long>(record.dataOffset), SEEK_SET);
      ASSERT_EQ(std::fread(block.data(), 1, block.size(), file), block.size());
      std::string label = "library " + std::to_string(round) + ", " + record.name;
      expectSameAsReference(block, record.unpackedSize, label);
      for (int change = 0; change < 20 && !block.empty(); ++change) {
        block[random() % block.size()] ^= static_cast<uint8_t>(1u << (random() % 8));
        expectSameAsReference(block, record.unpackedSize, label + ", change " + std::to_string(change));
      }
    }
    std::fclose(file);
  }
  std::remove(path.c_str());
}

}  // namespace
}  // namespace vellaro
