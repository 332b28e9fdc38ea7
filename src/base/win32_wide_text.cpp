#include "base/win32_wide_text.h"

namespace vellaro {

std::wstring wideFromUtf8(const char* text, size_t length) {
  if (length == 0) return std::wstring();
  int count = MultiByteToWideChar(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0);
  std::wstring wide(static_cast<size_t>(count), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text, static_cast<int>(length), wide.data(), count);
  return wide;
}

std::string utf8FromWide(const wchar_t* text, size_t length) {
  if (length == 0) return std::string();
  int count = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(count), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), bytes.data(), count, nullptr, nullptr);
  return bytes;
}

std::string typedBytes(wchar_t unit, wchar_t& pending, TextEncoding encoding) {
  wchar_t units[2] = {unit, 0};
  size_t count = 1;
  if (unit >= 0xD800 && unit <= 0xDBFF) {
    pending = unit;
    return std::string();
  }
  if (unit >= 0xDC00 && unit <= 0xDFFF) {
    if (!pending) return std::string();
    units[0] = pending;
    units[1] = unit;
    count = 2;
  }
  pending = 0;
  if (encoding == TextEncoding::Utf8) return utf8FromWide(units, count);
  char bytes[8] = {};
  int written = WideCharToMultiByte(CP_ACP, 0, units, static_cast<int>(count), bytes, sizeof bytes, nullptr, nullptr);
  return std::string(bytes, written > 0 ? static_cast<size_t>(written) : 0);
}

}  // namespace vellaro
