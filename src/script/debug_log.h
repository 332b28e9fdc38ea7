// The debug log: one line per dispatched command, appended to debug.txt in the current directory.
#pragma once

#include <string>

namespace vellaro {

// Appends "(path) line: word" and the line end CR CR LF. Failures are not reported.
void appendDebugLog(const std::string& scenarioPath, int line, const char* commandWord);
// Appends a line of its own, ended the same way: the state the log begins with when it comes on.
void appendDebugLogNote(const char* text);

}  // namespace vellaro
