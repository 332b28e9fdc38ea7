#include "base/file_open.h"

#include <cstring>

namespace vellaro {
namespace {

PathMapper g_mapper = nullptr;

}  // namespace

void setPathMapper(PathMapper mapper) { g_mapper = mapper; }

std::string pathOnDisk(const std::string& playerPath, bool forWriting) {
  return g_mapper ? g_mapper(playerPath, forWriting) : playerPath;
}

std::FILE* openPlayerFile(const std::string& playerPath, const char* mode) {
  bool writing = std::strchr(mode, 'w') != nullptr || std::strchr(mode, 'a') != nullptr;
  return std::fopen(pathOnDisk(playerPath, writing).c_str(), mode);
}

int removePlayerFile(const std::string& playerPath) { return std::remove(pathOnDisk(playerPath, true).c_str()); }

}  // namespace vellaro
