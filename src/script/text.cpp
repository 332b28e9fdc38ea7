#include "script/text.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace vellaro {


bool copyText(char* dst, size_t capacity, const char* src) {
  if (capacity == 0) return false;
  size_t length = std::strlen(src);
  bool fits = length < capacity;
  if (!fits) length = capacity - 1;
  std::memmove(dst, src, length);
  dst[length] = '\0';
  return fits;
}

bool copyWholeCharacters(char* dst, size_t capacity, const char* src, TextEncoding encoding) {
  if (capacity == 0) return false;
  size_t length = std::strlen(src);
  size_t kept = wholeCharacterLength(src, length, capacity - 1, encoding);
  std::memmove(dst, src, kept);
  dst[kept] = '\0';
  return kept == length;
}

bool isNumber(const char* text) {
  if ((text[0] == '-' || text[0] == '+') && text[1] != '\0') ++text;
  for (; *text; ++text) {
    if (*text < '0' || *text > '9') return false;
  }
  return true;
}

int32_t textToInt(const char* text) {
  while (*text == ' ' || (*text >= '\t' && *text <= '\r')) ++text;
  bool negative = false;
  if (*text == '-' || *text == '+') negative = *text++ == '-';
  uint32_t value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) value = value * 10u + static_cast<uint32_t>(*text - '0');
  return static_cast<int32_t>(negative ? 0u - value : value);
}

uint32_t hexValue(const char* text) {
  uint32_t value = 0;
  for (; *text; ++text) {
    if (*text >= '0' && *text <= '9') {
      value = value * 16u + static_cast<uint32_t>(*text - '0');
    } else if (*text >= 'A' && *text <= 'F') {
      value = value * 16u + static_cast<uint32_t>(*text - 'A' + 10);
    }
  }
  return value;
}

int findText(const char* pattern, const char* text, int from) {
  if (from < 0 || static_cast<size_t>(from) > std::strlen(text)) return -1;
  const char* found = std::strstr(text + from, pattern);
  return found ? static_cast<int>(found - text) : -1;
}

}  // namespace vellaro
