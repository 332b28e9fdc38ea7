// The chain-walking LZW unpacker that the image library used first, kept as the measure of the
// faster one: same bytes, same damage flag, same messages.
#pragma once

#include <cstddef>
#include <cstdint>

#include "image/lzw_coder.h"

namespace vellaro {

UnpackResult referenceLzwUnpack(const uint8_t* packed, size_t packedLength, size_t expectedLength, CoderHost& host);

}  // namespace vellaro
