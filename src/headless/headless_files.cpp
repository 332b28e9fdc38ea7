#include "headless/headless_files.h"

#include <cctype>
#include <filesystem>
#include <random>
#include <system_error>

#include "base/file_open.h"

namespace vellaro {
namespace {

namespace fs = std::filesystem;

std::string g_scratch;

std::string mapToScratch(const std::string& playerPath, bool forWriting) {
  return headlessPath(g_scratch, playerPath, forWriting);
}

bool sameWithoutCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

// The existing path whose parts equal the relative path's without regard to case; the path itself
// when there is none.
fs::path findWithoutCase(const fs::path& relative) {
  fs::path found;
  for (const fs::path& part : relative) {
    std::error_code error;
    if (fs::exists(found / part, error)) {
      found /= part;
      continue;
    }
    fs::path match;
    fs::path folder = found.empty() ? fs::path(".") : found;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
      if (!sameWithoutCase(it->path().filename().string(), part.string())) continue;
      match = found / it->path().filename();
      break;
    }
    if (match.empty()) return relative;
    found = match;
  }
  return found;
}

// The name with the platform's separator; a name climbing out of the folder keeps its other parts.
fs::path relativeName(const std::string& playerPath) {
  std::string name = playerPath;
#ifndef _WIN32
  for (char& c : name) {
    if (c == '\\') c = '/';
  }
#endif
  return fs::path(name).lexically_normal();
}

}  // namespace

std::string headlessPath(const std::string& scratch, const std::string& playerPath, bool forWriting) {
  fs::path name = relativeName(playerPath);
  if (name.is_absolute() || name.has_root_name() || scratch.empty()) return name.string();
  fs::path inScratch = fs::path(scratch);
  for (const fs::path& part : name) inScratch /= part == ".." ? fs::path("_") : part;
  std::error_code error;
  if (forWriting) {
    fs::create_directories(inScratch.parent_path(), error);
    return inScratch.string();
  }
  if (fs::exists(inScratch, error)) return inScratch.string();
  return findWithoutCase(name).string();
}

ScratchFiles::ScratchFiles() {
  std::error_code error;
  fs::path base = fs::temp_directory_path(error);
  if (error) return;
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path folder = base / ("lessontest-" + std::to_string(random()));
    if (fs::create_directory(folder, error) && !error) {
      folder_ = folder.string();
      g_scratch = folder_;
      setPathMapper(mapToScratch);
      return;
    }
  }
}

ScratchFiles::~ScratchFiles() {
  if (folder_.empty()) return;
  setPathMapper(nullptr);
  g_scratch.clear();
  std::error_code error;
  fs::remove_all(folder_, error);
}

}  // namespace vellaro
