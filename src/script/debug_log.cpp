#include "script/debug_log.h"

#include <cstdio>

#include "base/file_open.h"

namespace vellaro {

void appendDebugLog(const std::string& scenarioPath, int line, const char* commandWord) {
  // The log's lines end in CR CR LF, the bytes a text-mode stream makes of CR LF; writing them in
  // binary mode gives the same bytes on every platform. Opening and closing for each line commits it.
  std::FILE* file = openPlayerFile("debug.txt", "ab");
  if (!file) return;
  std::fprintf(file, "(%s) %d: %s\r\r\n", scenarioPath.c_str(), line, commandWord);
  std::fclose(file);
}

void appendDebugLogNote(const char* text) {
  std::FILE* file = openPlayerFile("debug.txt", "ab");
  if (!file) return;
  std::fprintf(file, "%s\r\r\n", text);
  std::fclose(file);
}

}  // namespace vellaro
