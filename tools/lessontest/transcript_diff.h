// A unified-style diff of two transcripts, line by line.
#pragma once

#include <string>
#include <vector>

namespace vellaro {

// The text cut at its line ends (a CR before a LF is dropped); no empty line after a final LF.
std::vector<std::string> splitLines(const std::string& text);

// "--- expectedName", "+++ actualName", then hunks "@@ -a,b +c,d @@" with two lines of context,
// removed lines marked "-" and added ones "+". Empty when the two are equal.
std::string unifiedDiff(const std::vector<std::string>& expected, const std::vector<std::string>& actual,
                        const std::string& expectedName, const std::string& actualName);

}  // namespace vellaro
