// Limits that more than one part of the program (and the tools) must agree on.
#pragma once

#include <cstddef>

namespace vellaro {

// A lesson file: lines past the 3000th are not read, and only the first 255 characters of a line
// count.
constexpr int kMaxLines = 3000;
constexpr int kMaxLineLength = 255;

// An argument slot holds a whole line and its terminator.
constexpr int kArgumentSize = kMaxLineLength + 1;

// Screen object names, variable names and values, and text with its $name references filled in
// keep at most 254 characters: they live in 255-byte fields with the terminator.
constexpr int kFieldLength = 254;
constexpr int kObjectNameLength = kFieldLength;
constexpr int kObjectNameSize = kFieldLength + 1;
constexpr int kVariableFieldSize = kFieldLength + 1;
constexpr size_t kMaxExpandedLength = kFieldLength;

}  // namespace vellaro
