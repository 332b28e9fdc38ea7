#include "base/file_replace.h"

#include <cstdio>

#if !defined(_WIN32)
#include <fcntl.h>
#include <unistd.h>
#endif

namespace vellaro {

bool replaceFileWithFlush(const std::string& from, const std::string& to) {
#if !defined(_WIN32)
  int descriptor = open(from.c_str(), O_RDONLY);
  if (descriptor < 0) return false;
  bool flushed = fsync(descriptor) == 0;
  close(descriptor);
  if (!flushed) return false;
#endif
  if (std::rename(from.c_str(), to.c_str()) == 0) return true;
  // Some platforms refuse to rename over an existing file.
  std::remove(to.c_str());
  return std::rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace vellaro
