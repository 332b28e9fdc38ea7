#include "image/bmp_decoder.h"

#include "base/messages.h"
#include "base/text_format.h"

#include <algorithm>
#include <cstring>

namespace vellaro {
namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr size_t kCoreHeaderSize = 12;  // OS/2
constexpr size_t kInfoHeaderSize = 40;
constexpr uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3;

uint16_t u16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t u32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

struct Header {
  int64_t width = 0;
  int64_t height = 0;
  bool topDown = false;
  unsigned bits = 0;
  uint32_t compression = kRgb;
  uint32_t masks[3] = {0, 0, 0};  // red, green, blue
  size_t paletteOffset = 0;
  size_t paletteEntry = 4;  // bytes per palette entry: 3 for OS/2
  size_t paletteCount = 0;
  size_t pixelOffset = 0;
};

// The bytes of one file, read only inside their bounds.
struct Bytes {
  const uint8_t* data;
  size_t size;
  bool has(size_t offset, size_t count) const { return offset <= size && count <= size - offset; }
};

struct Palette {
  uint8_t bgr[256][3] = {};
  size_t count = 0;
};

Palette readPalette(const Bytes& file, const Header& header) {
  Palette palette;
  palette.count = header.paletteCount;
  for (size_t i = 0; i < header.paletteCount; ++i) {
    size_t at = header.paletteOffset + i * header.paletteEntry;
    if (!file.has(at, 3)) break;  // entries past the end of the file stay black
    std::memcpy(palette.bgr[i], file.data + at, 3);
  }
  return palette;
}

class Surface {
 public:
  Surface(DecodedPicture& picture) : picture_(picture) {}
  // Stored row y (0 = bottom), clipped to the picture.
  void put(int64_t x, int64_t y, const uint8_t* bgr) {
    if (x < 0 || y < 0 || x >= picture_.width || y >= picture_.height) return;
    std::memcpy(&picture_.pixels[static_cast<size_t>(y) * picture_.rowBytes + static_cast<size_t>(x) * 3], bgr, 3);
  }
  void putIndex(int64_t x, int64_t y, unsigned index, const Palette& palette) {
    static const uint8_t kBlack[3] = {0, 0, 0};
    put(x, y, index < palette.count ? palette.bgr[index] : kBlack);
  }

 private:
  DecodedPicture& picture_;
};

// One channel of a bit-field pixel, scaled to 8 bits.
uint8_t channel(uint32_t pixel, uint32_t mask) {
  if (mask == 0) return 0;
  int shift = 0;
  while (!((mask >> shift) & 1)) ++shift;
  uint32_t top = mask >> shift;
  return static_cast<uint8_t>(static_cast<uint64_t>((pixel & mask) >> shift) * 255 / top);
}

void decodeRow(const uint8_t* row, size_t available, const Header& header, const Palette& palette, int64_t y,
               Surface& surface) {
  for (int64_t x = 0; x < header.width; ++x) {
    size_t bit = static_cast<size_t>(x) * header.bits;
    if ((bit + header.bits + 7) / 8 > available) return;  // the data ended: the rest stays black
    const uint8_t* p = row + bit / 8;
    if (header.bits < 8) {
      unsigned shift = 8 - header.bits - static_cast<unsigned>(bit % 8);
      surface.putIndex(x, y, (*p >> shift) & ((1u << header.bits) - 1), palette);
    } else if (header.bits == 8) {
      surface.putIndex(x, y, *p, palette);
    } else if (header.bits == 24) {
      surface.put(x, y, p);
    } else {
      uint32_t pixel = header.bits == 16 ? u16(p) : u32(p);
      uint8_t bgr[3] = {channel(pixel, header.masks[2]), channel(pixel, header.masks[1]), channel(pixel, header.masks[0])};
      surface.put(x, y, bgr);
    }
  }
}

void decodeRows(const Bytes& file, const Header& header, const Palette& palette, Surface& surface) {
  size_t rowBytes = static_cast<size_t>((header.width * header.bits + 31) / 32 * 4);
  for (int64_t r = 0; r < header.height; ++r) {
    size_t start = header.pixelOffset + static_cast<size_t>(r) * rowBytes;
    if (start >= file.size) return;
    int64_t y = header.topDown ? header.height - 1 - r : r;
    decodeRow(file.data + start, std::min(rowBytes, file.size - start), header, palette, y, surface);
  }
}

// 8-bit and 4-bit run-length coding: pairs of (count, colour), or 0 and an escape: 0 ends the line,
// 1 ends the picture, 2 moves by (dx, dy), and n >= 3 is a run of n literal pixels padded to a word.
void decodeRle(const Bytes& file, const Header& header, const Palette& palette, Surface& surface) {
  bool four = header.compression == kRle4;
  size_t at = header.pixelOffset;
  int64_t x = 0, y = 0;
  while (file.has(at, 2) && y < header.height) {
    unsigned count = file.data[at], value = file.data[at + 1];
    at += 2;
    if (count > 0) {
      for (unsigned i = 0; i < count; ++i, ++x) {
        surface.putIndex(x, y, four ? (i % 2 == 0 ? value >> 4 : value & 15) : value, palette);
      }
    } else if (value == 0) {
      x = 0;
      ++y;
    } else if (value == 1) {
      return;
    } else if (value == 2) {
      if (!file.has(at, 2)) return;
      x += file.data[at];
      y += file.data[at + 1];
      at += 2;
    } else {
      size_t bytes = four ? (value + 1) / 2 : value;
      for (unsigned i = 0; i < value && file.has(at + (four ? i / 2 : i), 1); ++i, ++x) {
        uint8_t byte = file.data[at + (four ? i / 2 : i)];
        surface.putIndex(x, y, four ? (i % 2 == 0 ? byte >> 4 : byte & 15) : byte, palette);
      }
      at += (bytes + 1) / 2 * 2;
    }
  }
}

BmpDecodeResult unsupported(const std::string& why) {
  BmpDecodeResult result;
  result.status = BmpStatus::Unsupported;
  result.problem = why;
  return result;
}

// Reads the headers; an empty text when the picture can be decoded, else why not.
std::string readHeader(const Bytes& file, Header* header) {
  size_t headerSize = u32(file.data + kFileHeaderSize);
  const uint8_t* h = file.data + kFileHeaderSize;
  if (headerSize == kCoreHeaderSize) {
    header->width = u16(h + 4);
    header->height = u16(h + 6);
    header->bits = u16(h + 10);
    header->paletteEntry = 3;
  } else if (headerSize >= kInfoHeaderSize && file.has(kFileHeaderSize, kInfoHeaderSize)) {
    header->width = static_cast<int32_t>(u32(h + 4));
    header->height = static_cast<int32_t>(u32(h + 8));
    header->bits = u16(h + 14);
    header->compression = u32(h + 16);
    header->paletteCount = u32(h + 32);
  } else {
    return format(kBmpHeaderSize, static_cast<unsigned>(headerSize));
  }
  header->topDown = header->height < 0;
  header->height = header->height < 0 ? -header->height : header->height;
  if (header->width <= 0 || header->height <= 0 ||
      static_cast<uint64_t>(header->width) * static_cast<uint64_t>(header->height) > kLargestPicturePixels) {
    return format(kBmpPictureSize, std::to_string(header->width).c_str(), std::to_string(header->height).c_str());
  }
  uint32_t c = header->compression;
  unsigned bits = header->bits;
  bool known = (c == kRgb && (bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32)) ||
               (c == kRle8 && bits == 8) || (c == kRle4 && bits == 4) || (c == kBitFields && (bits == 16 || bits == 32));
  if (!known) return format(kBmpCompression, static_cast<unsigned>(bits), static_cast<unsigned>(c));
  if ((c == kRle8 || c == kRle4) && header->topDown) return kBmpTopDownRunLength;
  return "";
}

void placeTables(const Bytes& file, Header* header) {
  size_t headerSize = u32(file.data + kFileHeaderSize);
  header->paletteOffset = kFileHeaderSize + headerSize;
  if (header->bits <= 8) {
    size_t full = size_t{1} << header->bits;
    header->paletteCount = header->paletteCount == 0 || header->paletteCount > full ? full : header->paletteCount;
  } else {
    header->paletteCount = 0;
  }
  if (header->compression == kBitFields) {
    // The masks follow a 40-byte header and sit at the same place inside the longer ones.
    if (file.has(kFileHeaderSize + kInfoHeaderSize, 12)) {
      for (int i = 0; i < 3; ++i) header->masks[i] = u32(file.data + kFileHeaderSize + kInfoHeaderSize + 4 * i);
    }
    if (headerSize == kInfoHeaderSize) header->paletteOffset += 12;
  } else if (header->bits == 16) {
    header->masks[0] = 0x7C00, header->masks[1] = 0x03E0, header->masks[2] = 0x001F;
  } else if (header->bits == 32) {
    header->masks[0] = 0xFF0000, header->masks[1] = 0xFF00, header->masks[2] = 0xFF;
  }
  size_t afterTables = header->paletteOffset + header->paletteCount * header->paletteEntry;
  size_t declared = u32(file.data + 10);
  header->pixelOffset = declared >= kFileHeaderSize + headerSize && declared <= file.size ? declared : afterTables;
}

}  // namespace

BmpDecodeResult decodeBmp(const uint8_t* data, size_t size) {
  Bytes file{data, size};
  if (!data || !file.has(0, kFileHeaderSize + 4) || data[0] != 'B' || data[1] != 'M') return BmpDecodeResult{};
  if (!file.has(kFileHeaderSize, kCoreHeaderSize)) return BmpDecodeResult{};
  Header header;
  std::string problem = readHeader(file, &header);
  if (!problem.empty()) return unsupported(problem);
  placeTables(file, &header);
  BmpDecodeResult result;
  result.status = BmpStatus::Ok;
  DecodedPicture& picture = result.picture;
  picture.width = static_cast<int>(header.width);
  picture.height = static_cast<int>(header.height);
  picture.rowBytes = (picture.width * 3 + 3) / 4 * 4;
  picture.pixels.assign(static_cast<size_t>(picture.rowBytes) * static_cast<size_t>(picture.height), 0);
  Palette palette = readPalette(file, header);
  Surface surface(picture);
  if (header.compression == kRle8 || header.compression == kRle4) {
    decodeRle(file, header, palette, surface);
  } else {
    decodeRows(file, header, palette, surface);
  }
  return result;
}

}  // namespace vellaro
