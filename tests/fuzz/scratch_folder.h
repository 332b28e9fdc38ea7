// A private folder for the fuzz targets that read and write files: made once, emptied after each
// input so that no input sees the files of another, and never anywhere but under /tmp.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace vellaro {

inline std::string& scratchFolderPath() {
  static std::string path;
  return path;
}

// Makes the folder and enters it; relative names then stay inside it. It goes when the run ends.
inline void enterScratchFolder() {
  if (!scratchFolderPath().empty()) return;
  char pattern[] = "/tmp/vellaro-fuzz-XXXXXX";
  if (!mkdtemp(pattern) || chdir(pattern) != 0) std::abort();
  scratchFolderPath() = pattern;
  std::atexit([] {
    std::error_code error;
    std::filesystem::remove_all(scratchFolderPath(), error);
  });
}

inline void emptyScratchFolder() {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(".", error)) {
    std::filesystem::remove_all(entry.path(), error);
  }
}

inline void writeScratchFile(const char* name, const uint8_t* bytes, size_t size) {
  std::FILE* file = std::fopen(name, "wb");
  if (!file) std::abort();
  if (size > 0) std::fwrite(bytes, 1, size, file);
  std::fclose(file);
}

}  // namespace vellaro
