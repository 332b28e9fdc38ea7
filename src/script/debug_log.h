// The debug log: one line per dispatched command, appended to debug.txt in the current directory.
#pragma once

#include <string>

namespace vellaro {

// Appends "(path) line: word" and the line end CR CR LF. Failures are not reported.
void appendDebugLog(const std::string& scenarioPath, int line, const char* commandWord);

}  // namespace vellaro
