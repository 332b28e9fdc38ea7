#include "lesson_files.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace vellaro::lint {
namespace fs = std::filesystem;
namespace {

bool sameIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

// The entry of directory named part, exactly or else without regard to case; empty when none.
fs::path findEntry(const fs::path& directory, const std::string& part) {
  std::error_code error;
  if (part == "." || part == "..") return directory / part;
  if (fs::exists(directory / part, error)) return directory / part;
  for (const auto& entry : fs::directory_iterator(directory, error)) {
    if (sameIgnoringCase(entry.path().filename().string(), part)) return entry.path();
  }
  return {};
}

}  // namespace

bool readLessonText(const std::string& diskPath, LessonText& text) {
  std::ifstream file(diskPath, std::ios::binary);
  if (!file) return false;
  std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  text = LessonText{};
  text.encoding = encodingOfBytes(bytes);
  text.highBytes = hasHighBytes(bytes.data(), bytes.size());
  size_t start = 0;
  if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    text.byteOrderMark = true;
    start = 3;
  }
  std::string line;
  for (size_t i = start; i < bytes.size(); ++i) {
    if (bytes[i] != '\n') {
      line += bytes[i];
      continue;
    }
    if (!line.empty() && line.back() == '\r') {
      line.pop_back();
    } else if (text.firstBareLineFeed == 0) {
      text.firstBareLineFeed = static_cast<int>(text.lines.size()) + 1;
    }
    text.lines.push_back(line);
    line.clear();
  }
  if (!line.empty()) text.lines.push_back(line);
  return true;
}

std::string findLessonFile(const std::string& root, const std::string& playerPath) {
  if (playerPath.empty()) return {};
  if (playerPath[0] == '\\' || playerPath[0] == '/' || playerPath.find(':') != std::string::npos) return "?";
  fs::path found = root.empty() ? fs::path(".") : fs::path(root);
  size_t begin = 0;
  while (begin <= playerPath.size()) {
    size_t end = playerPath.find_first_of("\\/", begin);
    if (end == std::string::npos) end = playerPath.size();
    std::string part = playerPath.substr(begin, end - begin);
    if (!part.empty()) {
      found = findEntry(found, part);
      if (found.empty()) return {};
    }
    begin = end + 1;
  }
  std::error_code error;
  if (!fs::is_regular_file(found, error)) return {};
  std::string result = found.lexically_normal().generic_string();
  return result.compare(0, 2, "./") == 0 ? result.substr(2) : result;
}

std::string playerDirectory(const std::string& playerPath) {
  size_t slash = playerPath.rfind('\\');
  return slash == std::string::npos ? std::string() : playerPath.substr(0, slash);
}

std::string inBaseDir(const std::string& baseDir, const std::string& name) {
  return baseDir.empty() ? name : baseDir + "\\" + name;
}

}  // namespace vellaro::lint
