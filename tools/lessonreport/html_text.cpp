#include "html_text.h"

#include <cstdint>

namespace vellaro::lessonreport {

namespace {

// Windows-1252 bytes 0x80 to 0x9F; the five it leaves undefined keep their C1 code points.
constexpr uint16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// The length a UTF-8 sequence announces by its first byte, or 0 for a byte no sequence starts with.
size_t sequenceLength(uint8_t lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

// The length of the UTF-8 sequence that starts at text[at], or 0 when none does (overlong forms,
// surrogates and code points past U+10FFFF are not UTF-8).
size_t utf8SequenceAt(std::string_view text, size_t at) {
  auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
  uint8_t lead = byte(at);
  size_t length = sequenceLength(lead);
  if (length <= 1) return length;
  if (at + length > text.size()) return 0;
  for (size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
  }
  uint8_t second = byte(at + 1);
  if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F)) return 0;
  if ((lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F)) return 0;
  return length;
}

bool isUtf8(std::string_view text) {
  for (size_t at = 0; at < text.size();) {
    size_t length = utf8SequenceAt(text, at);
    if (length == 0) return false;
    at += length;
  }
  return true;
}

void appendUtf8(uint32_t codePoint, std::string* out) {
  if (codePoint < 0x80) {
    out->push_back(static_cast<char>(codePoint));
  } else if (codePoint < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
    out->push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
    out->push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  }
}

// The character reference of a character that HTML reads as markup, or nullptr.
const char* characterReference(char c) {
  switch (c) {
    case '&':
      return "&amp;";
    case '<':
      return "&lt;";
    case '>':
      return "&gt;";
    case '"':
      return "&quot;";
    case '\'':
      return "&#39;";
    default:
      return nullptr;
  }
}

}  // namespace

std::string lessonTextToUtf8(std::string_view text) {
  if (isUtf8(text)) return std::string(text);
  std::string out;
  for (char c : text) {
    auto byte = static_cast<uint8_t>(c);
    appendUtf8(byte >= 0x80 && byte <= 0x9F ? kWindows1252High[byte - 0x80] : byte, &out);
  }
  return out;
}

std::string escapeHtml(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (const char* reference = characterReference(c)) {
      out += reference;
    } else {
      out.push_back(c);
    }
  }
  return out;
}

std::string pageText(std::string_view lessonText) { return escapeHtml(lessonTextToUtf8(lessonText)); }

}  // namespace vellaro::lessonreport
