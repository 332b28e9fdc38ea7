// The look at BMP headers before the system decoder: files shorter than their headers promise are
// refused, whatever the header claims.
#include "image/bitmap_check.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vellaro {
namespace {

void put(std::vector<uint8_t>& bytes, size_t at, uint32_t value, int count) {
  for (int i = 0; i < count; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

std::vector<uint8_t> headers(int32_t width, int32_t height, uint16_t bits, uint32_t compression = 0) {
  std::vector<uint8_t> bytes(kBitmapHeadersLength, 0);
  bytes[0] = 'B';
  bytes[1] = 'M';
  put(bytes, 10, 54, 4);
  put(bytes, 14, 40, 4);
  put(bytes, 18, static_cast<uint32_t>(width), 4);
  put(bytes, 22, static_cast<uint32_t>(height), 4);
  put(bytes, 26, 1, 2);
  put(bytes, 28, bits, 2);
  put(bytes, 30, compression, 4);
  return bytes;
}

TEST(BitmapCheck, RefusesFilesShorterThanTheirPixels) {
  struct Case {
    const char* what;
    std::vector<uint8_t> header;
    size_t headerLength;
    uint64_t fileSize;
    bool fits;
  } cases[] = {
      {"2x2 24-bit: rows of 6 bytes padded to 8", headers(2, 2, 24), 54, 54 + 16, true},
      {"one byte short", headers(2, 2, 24), 54, 54 + 15, false},
      {"top-down rows", headers(2, -2, 24), 54, 54 + 16, true},
      {"top-down, one byte short", headers(2, -2, 24), 54, 54 + 15, false},
      {"1-bit rows pad to 4 bytes", headers(33, 3, 1), 54, 54 + 24, true},
      {"cut after 100 bytes", headers(64, 64, 24), 54, 154, false},
      {"claims 2^27 x 2^27 pixels", headers(0x7FFFFFF, 0x7FFFFFF, 24), 54, 70, false},
      {"largest claim: no overflow", headers(0x7FFFFFFF, INT32_MIN, 32), 54, UINT64_MAX / 2, false},
      {"empty file", headers(2, 2, 24), 0, 0, false},
      {"headers cut", headers(2, 2, 24), 53, 53, false},
      {"no BM", std::vector<uint8_t>(54, 'x'), 54, 1000, false},
      {"width 0", headers(0, 2, 24), 54, 1000, false},
      {"bit count 0", headers(2, 2, 0), 54, 1000, false},
      {"RLE: only the offset counts", headers(640, 480, 8, 1), 54, 60, true},
      {"offset past the end", headers(640, 480, 8, 1), 54, 50, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(bitmapFitsFile(c.header.data(), c.headerLength, c.fileSize), c.fits) << c.what;
  }
}

}  // namespace
}  // namespace vellaro
