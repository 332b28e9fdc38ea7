// The token rule of the melody command, shared with its tests.
#pragma once

#include <string>
#include <vector>

namespace vellaro {

// The tokens of a stored melody line after its keyword: the line is cut at every single space, so
// two spaces in a row or a space at the end give an empty token, and double quotes group nothing.
std::vector<std::string> melodyTokens(const char* storedLine);

}  // namespace vellaro
