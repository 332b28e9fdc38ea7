#include "base/file_open.h"

#include <cstring>
#include <filesystem>
#include <system_error>

namespace vellaro {
namespace {

PathMapper g_mapper = nullptr;

}  // namespace

void setPathMapper(PathMapper mapper) { g_mapper = mapper; }

std::string pathOnDisk(const std::string& playerPath, bool forWriting) {
  return g_mapper ? g_mapper(playerPath, forWriting) : playerPath;
}

// Some C libraries open a folder for reading, and then every read fails without ever reaching the
// end of the file: a loop that reads to the end would never stop. A folder is no file here, as
// on Windows.
std::FILE* openPlayerFile(const std::string& playerPath, const char* mode) {
  bool writing = std::strchr(mode, 'w') != nullptr || std::strchr(mode, 'a') != nullptr;
  std::string path = pathOnDisk(playerPath, writing);
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) return nullptr;
  return std::fopen(path.c_str(), mode);
}

bool playerFileExists(const std::string& playerPath) {
  std::FILE* file = openPlayerFile(playerPath, "rb");
  if (!file) return false;
  std::fclose(file);
  return true;
}

int removePlayerFile(const std::string& playerPath) { return std::remove(pathOnDisk(playerPath, true).c_str()); }

}  // namespace vellaro
