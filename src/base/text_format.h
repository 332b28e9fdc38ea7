// printf into a std::string, for every folder's messages.
#pragma once

#include <cstdarg>
#include <string>

namespace vellaro {

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string formatList(const char* fmt, va_list args);

}  // namespace vellaro
