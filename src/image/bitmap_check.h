// A look at a BMP file's headers before the system decodes it: a file shorter than the pixels its
// headers promise is refused, since a decoder that trusts them reads past the end of the file.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vellaro {

// The 14-byte file header and the 40-byte information header.
constexpr size_t kBitmapHeadersLength = 54;

// True when header (the file's first headerLength bytes) starts a BMP file whose uncompressed
// pixels fit in fileSize bytes. Compressed pixels (RLE) only need their offset inside the file.
// False for short or foreign headers, a width or bit count of 0, and pixels that do not fit.
bool bitmapFitsFile(const uint8_t* header, size_t headerLength, uint64_t fileSize);

}  // namespace vellaro
