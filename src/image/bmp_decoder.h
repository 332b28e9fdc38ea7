// BMP files as image editors write them, turned into one form: a bottom-up 24-bit surface whose
// pixels are blue, green, red and whose rows are padded to four bytes. Transparent colours and
// window shapes then work alike for every picture, whatever depth it was saved with.
//
// Reads: the Windows headers (40 bytes and the longer versions) and the OS/2 header (12 bytes);
// 1-, 4- and 8-bit palettes, 8-bit RLE and 4-bit RLE; 16-bit 5-5-5 and bit-field pixels; 24-bit;
// 32-bit with or without bit fields; bottom-up and top-down rows. Every size, offset and count in
// the headers is checked against the bytes at hand: pixel data that ends early leaves the rest of
// the picture black, and a palette index past the palette is black.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vellaro {

// Larger pictures are refused rather than allocated on a header's word (96 MB of pixels).
constexpr uint64_t kLargestPicturePixels = 32u * 1024u * 1024u;

struct DecodedPicture {
  int width = 0;
  int height = 0;
  int rowBytes = 0;             // width * 3 rounded up to a multiple of four
  std::vector<uint8_t> pixels;  // rowBytes * height; the first row is the bottom row
};

enum class BmpStatus {
  Ok,
  NotBmp,       // too short for the headers, or no "BM" at the start
  Unsupported,  // a BMP, but of a kind this decoder cannot show (the reason is in `problem`)
};

struct BmpDecodeResult {
  BmpStatus status = BmpStatus::NotBmp;
  DecodedPicture picture;
  std::string problem;
};

// The whole file in memory; nothing is read outside data[0 .. size).
BmpDecodeResult decodeBmp(const uint8_t* data, size_t size);

}  // namespace vellaro
