// The image library reader and the LZW coder on arbitrary bytes. The input is read three ways:
// as a whole library file (directory, then every entry), as a packed block with an expected
// length from its first four bytes (which must unpack exactly as the chain-walking reference
// unpacker does it), and as data that must come back unchanged through pack and unpack. Sanitizer
// reports and the two checks are the findings.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "image/image_library.h"
#include "lzw_reference.h"

namespace {

class SilentHost : public vellaro::CoderHost {
 public:
  void showMessage(const std::string&) override {}
};

std::string scratchPath() {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir ? dir : "/tmp") + "/vellaro_fuzz_library_" + std::to_string(getpid()) + ".sli";
}

void readAsLibrary(const uint8_t* data, size_t size, SilentHost& host) {
  static const std::string path = scratchPath();
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return;
  std::fwrite(data, 1, size, file);
  std::fclose(file);
  vellaro::LibraryDirectory directory = vellaro::readLibraryDirectory(path, host);
  for (const vellaro::LibraryRecord& record : directory.entries) {
    size_t colon = record.name.find(':');
    std::string group = colon == std::string::npos ? "" : record.name.substr(0, colon);
    std::string name = colon == std::string::npos ? record.name : record.name.substr(colon + 1);
    vellaro::loadLibraryEntry(path, group, name, host);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SilentHost host;
  readAsLibrary(data, size, host);
  if (size >= 4) {
    uint32_t expected = (data[0] | data[1] << 8 | data[2] << 16 | static_cast<uint32_t>(data[3]) << 24) % (1u << 16);
    vellaro::UnpackResult fast = vellaro::lzwUnpack(data + 4, size - 4, expected, host);
    vellaro::UnpackResult reference = vellaro::referenceLzwUnpack(data + 4, size - 4, expected, host);
    if (fast.damaged != reference.damaged || fast.bytes != reference.bytes) std::abort();
  }
  std::vector<uint8_t> packed = vellaro::lzwPack(data, size, host);
  vellaro::UnpackResult unpacked = vellaro::lzwUnpack(packed.data(), packed.size(), size, host);
  if (unpacked.damaged || unpacked.bytes != std::vector<uint8_t>(data, data + size)) std::abort();
  return 0;
}
