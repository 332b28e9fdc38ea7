// Text helpers shared by the interpreter and the command handlers.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/text_encoding.h"
#include "base/text_format.h"

namespace vellaro {

// Copies at most capacity - 1 characters and always terminates; returns false when src was cut.
bool copyText(char* dst, size_t capacity, const char* src);
// copyText that never cuts a character of a UTF-8 text in half: it stops after the last whole one.
bool copyWholeCharacters(char* dst, size_t capacity, const char* src, TextEncoding encoding);

// Optional sign (only when more characters follow), then decimal digits only; the empty text is a number.
bool isNumber(const char* text);

// The standard text-to-integer rule: leading white space, optional sign, digits up to the first
// non-digit; the empty text gives 0. Wraps modulo 2^32 instead of overflowing.
int32_t textToInt(const char* text);

// Hexadecimal value of the digits 0-9 and A-F in text; every other character is skipped.
uint32_t hexValue(const char* text);

// Position of the first occurrence of pattern in text at or after from, or -1.
int findText(const char* pattern, const char* text, int from);

}  // namespace vellaro
