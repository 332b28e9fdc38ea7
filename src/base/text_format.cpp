#include "base/text_format.h"

#include <cstdio>

namespace vellaro {

std::string formatList(const char* fmt, va_list args) {
  va_list copy;
  va_copy(copy, args);
  int length = std::vsnprintf(nullptr, 0, fmt, copy);
  va_end(copy);
  std::string result(length > 0 ? static_cast<size_t>(length) : 0, '\0');
  if (length > 0) std::vsnprintf(&result[0], result.size() + 1, fmt, args);
  return result;
}

std::string format(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  std::string result = formatList(fmt, args);
  va_end(args);
  return result;
}

}  // namespace vellaro
