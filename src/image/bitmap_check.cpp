#include "image/bitmap_check.h"

namespace vellaro {
namespace {

constexpr uint32_t kRgb = 0;
constexpr uint32_t kBitFields = 3;

uint32_t readLittleEndian(const uint8_t* bytes, int count) {
  uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = value << 8 | bytes[i];
  return value;
}

}  // namespace

bool bitmapFitsFile(const uint8_t* header, size_t headerLength, uint64_t fileSize) {
  if (headerLength < kBitmapHeadersLength || header[0] != 'B' || header[1] != 'M') return false;
  uint64_t pixelOffset = readLittleEndian(header + 10, 4);
  auto width = static_cast<int32_t>(readLittleEndian(header + 18, 4));
  auto height = static_cast<int32_t>(readLittleEndian(header + 22, 4));
  uint32_t bitCount = readLittleEndian(header + 28, 2);
  uint32_t compression = readLittleEndian(header + 30, 4);
  if (width <= 0 || height == 0 || bitCount == 0 || pixelOffset > fileSize) return false;
  if (compression != kRgb && compression != kBitFields) return true;
  // Rows are padded to four bytes; a negative height means top-down rows. 64-bit: no overflow.
  uint64_t rowBytes = (uint64_t{static_cast<uint32_t>(width)} * bitCount + 31) / 32 * 4;
  uint64_t rows = height < 0 ? uint64_t{0} - static_cast<int64_t>(height) : static_cast<uint64_t>(height);
  return rowBytes * rows <= fileSize - pixelOffset;
}

}  // namespace vellaro
