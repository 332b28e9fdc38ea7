// The bytes as a BMP file for the picture decoder: whatever the headers claim, nothing is read
// outside the input and the surface it gives matches its own width, height and row size.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "image/bmp_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vellaro::BmpDecodeResult result = vellaro::decodeBmp(data, size);
  if (result.status != vellaro::BmpStatus::Ok) return 0;
  const vellaro::DecodedPicture& picture = result.picture;
  size_t expected = static_cast<size_t>(picture.rowBytes) * static_cast<size_t>(picture.height);
  if (picture.width <= 0 || picture.height <= 0 || picture.rowBytes < picture.width * 3 ||
      picture.pixels.size() != expected) {
    std::abort();
  }
  return 0;
}
