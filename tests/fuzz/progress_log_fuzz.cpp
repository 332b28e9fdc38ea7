// The bytes as a progress log for lessonreport: every line is an attempt or a skipped line, and the
// page has one chart point per attempt and no markup from the log (no <script>, whatever a tag holds).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "progress_log.h"
#include "report_page.h"

using namespace vellaro::lessonreport;

namespace {

size_t countOf(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++count;
  return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  size_t lines = std::count(bytes.begin(), bytes.end(), '\n') + (bytes.empty() || bytes.back() == '\n' ? 0 : 1);
  std::istringstream in(bytes);
  ProgressLog log;
  readProgressLog(in, "fuzz.log", &log);
  if (log.attempts.size() + log.skippedCount != lines) std::abort();
  if (log.skipped.size() != std::min(log.skippedCount, kMaxSkippedKept)) std::abort();
  std::string page = reportPage(log, {"fuzz.log"});
  if (countOf(page, "<circle class=\"attempt\"") != log.attempts.size()) std::abort();
  if (page.find("<script") != std::string::npos) std::abort();
  return 0;
}
