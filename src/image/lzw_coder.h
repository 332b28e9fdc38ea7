// The image library's LZW coder: 9-bit codes written most significant bit first, a dictionary of
// 511 entries whose codes 0 to 255 are the single bytes, and a restart (next back to 256) whenever
// next reaches 510. The packer checks the restart right after adding an entry, the unpacker before
// reading each code; that difference keeps the two sides in step. So "abc" packs to 30 98 8C 60.
//
// Both directions run with a fresh dictionary per call and give their host a chance to dispatch
// window messages after every code, so a long picture does not freeze the windows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vellaro {

// What the coder and the image library reach of the platform.
class CoderHost {
 public:
  virtual ~CoderHost() = default;
  virtual void showMessage(const std::string& text) = 0;
  // Called after every code; the player dispatches its pending window messages here.
  virtual void pumpMessages() {}
  // Moves a finished temporary file over the target, replacing it; false when that failed and
  // the target is as it was. The default is replaceFileWithFlush.
  virtual bool replaceFile(const std::string& from, const std::string& to);
};

constexpr uint32_t kLzwFirstFreeCode = 256;
constexpr uint32_t kLzwRestartCode = 510;  // next never reaches it: the dictionary starts over
constexpr size_t kLzwLongestString = 256;  // a chain of 254 entries above one byte, with room to spare

std::vector<uint8_t> lzwPack(const uint8_t* input, size_t length, CoderHost& host);

// Unpacks until the output holds expectedLength bytes. On damage the output so far is the result:
// a code past next shows "SLI: Unpacking ERROR %d>%d"; a block that ends too early or a prefix
// chain that loops shows a message of its own. `damaged` tells the caller which case it was.
struct UnpackResult {
  std::vector<uint8_t> bytes;
  bool damaged = false;
};
UnpackResult lzwUnpack(const uint8_t* packed, size_t packedLength, size_t expectedLength, CoderHost& host);

// The most bytes a block of packedLength bytes can unpack to (each 9-bit code gives at most one
// dictionary string); a larger expected length in a directory is a lie.
uint64_t lzwLargestUnpackedSize(uint64_t packedLength);

}  // namespace vellaro
