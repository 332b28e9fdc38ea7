// A private folder for the fuzz targets that read and write files. Each input runs inside it and
// leaves it empty, so that no input sees the files of another; the fuzzer's own relative paths
// (corpus, artifacts) keep working because the working folder is restored after each input.
#pragma once

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace vellaro {

class ScratchFolder {
 public:
  ScratchFolder() {
    if (!getcwd(previous_, sizeof previous_) || chdir(path()) != 0) std::abort();
  }
  ~ScratchFolder() {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(".", error)) {
      std::filesystem::remove_all(entry.path(), error);
    }
    if (chdir(previous_) != 0) std::abort();
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  static void writeFile(const char* name, const uint8_t* bytes, size_t size) {
    std::FILE* file = std::fopen(name, "wb");
    if (!file) std::abort();
    if (size > 0) std::fwrite(bytes, 1, size, file);
    std::fclose(file);
  }

 private:
  // Made under /tmp on first use and removed when the fuzzer exits. A plain array, so that it
  // outlives every exit handler.
  static const char* path() {
    static char made[] = "/tmp/vellaro-fuzz-XXXXXX";
    static const bool once = [] {
      if (!mkdtemp(made)) std::abort();
      std::atexit([] {
        std::error_code error;
        std::filesystem::remove_all(made, error);
      });
      return true;
    }();
    (void)once;
    return made;
  }

  char previous_[PATH_MAX];
};

}  // namespace vellaro
