#include "script/host.h"

#include <ctime>

#include "base/file_append.h"
#include "base/file_replace.h"

namespace vellaro {

bool Host::replaceFile(const std::string& from, const std::string& to) { return replaceFileWithFlush(from, to); }

LocalTime Host::localTime() {
  std::time_t now = std::time(nullptr);
  const std::tm* local = std::localtime(&now);
  if (!local) return LocalTime{};
  return LocalTime{local->tm_year + 1900, local->tm_mon + 1, local->tm_mday, local->tm_hour, local->tm_min,
                   local->tm_sec};
}

bool Host::appendToFile(const std::string& playerPath, const std::string& bytes) {
  return appendToPlayerFile(playerPath, bytes);
}

}  // namespace vellaro
