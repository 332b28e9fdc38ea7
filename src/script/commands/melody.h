// The rules of the melody commands that the tests and scnlint share: melody's tokens, the value of
// check latency and the line of check log.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "script/host.h"

namespace vellaro {

// The tokens of a stored melody line after its keyword: the line is cut at every single space, so
// two spaces in a row or a space at the end give an empty token, and double quotes group nothing.
std::vector<std::string> melodyTokens(const char* storedLine);

// The value of check latency: an optional sign and decimal digits (leading zeros allowed) worth 0
// to kMaxLatencyMs. False, and ms unchanged, for anything else, the empty text included.
bool readLatencyMs(const char* text, uint32_t* ms);

// One attempt in a progress log: "YYYY-MM-DD HH:MM:SS", tag, score, the check notes words, accuracy
// and compensation in milliseconds, separated by tabs and ended by CR LF.
std::string progressLogLine(const LocalTime& time, const std::string& tag, int score, const std::string& words,
                            uint32_t accuracyMs, uint32_t latencyMs);

}  // namespace vellaro
