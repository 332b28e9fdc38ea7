#include "base/text_encoding.h"

namespace vellaro {
namespace {

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The length of the sequence a lead byte starts, with the smallest code point it may carry; 0 for a
// byte that starts none (a continuation byte, C0, C1 or F5 to FF).
struct LeadByte {
  size_t length;
  unsigned minimum;
};

LeadByte leadByte(unsigned char byte) {
  if (byte < 0x80) return {1, 0};
  if (byte >= 0xC2 && byte <= 0xDF) return {2, 0x80};
  if (byte >= 0xE0 && byte <= 0xEF) return {3, 0x800};
  if (byte >= 0xF0 && byte <= 0xF4) return {4, 0x10000};
  return {0, 0};
}

// The length of the valid sequence at text, or 0.
size_t sequenceLength(const unsigned char* text, size_t available) {
  LeadByte lead = leadByte(text[0]);
  if (lead.length == 0 || lead.length > available) return 0;
  unsigned codePoint = text[0] & (0x7F >> lead.length);
  for (size_t i = 1; i < lead.length; ++i) {
    if (!isContinuation(text[i])) return 0;
    codePoint = (codePoint << 6) | (text[i] & 0x3F);
  }
  if (codePoint < lead.minimum || codePoint > 0x10FFFF) return 0;
  if (codePoint >= 0xD800 && codePoint <= 0xDFFF) return 0;
  return lead.length;
}

// Code points of Windows-1252's bytes 0x80 to 0x9F; the unassigned ones keep their own value.
constexpr unsigned short kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

}  // namespace

bool isValidUtf8(const char* bytes, size_t length) {
  const auto* text = reinterpret_cast<const unsigned char*>(bytes);
  for (size_t i = 0; i < length;) {
    size_t step = sequenceLength(text + i, length - i);
    if (step == 0) return false;
    i += step;
  }
  return true;
}

bool hasHighBytes(const char* bytes, size_t length) {
  for (size_t i = 0; i < length; ++i) {
    if (static_cast<unsigned char>(bytes[i]) >= 0x80) return true;
  }
  return false;
}

TextEncoding encodingOfBytes(const std::string& bytes) {
  if (bytes.compare(0, kUtf8ByteOrderMarkLength, kUtf8ByteOrderMark) == 0) return TextEncoding::Utf8;
  if (hasHighBytes(bytes.data(), bytes.size()) && isValidUtf8(bytes.data(), bytes.size())) return TextEncoding::Utf8;
  return TextEncoding::Ansi;
}

TextEncoding detectFileEncoding(std::FILE* file) {
  std::string bytes;
  char chunk[4096];
  size_t count;
  while ((count = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, count);
  TextEncoding encoding = encodingOfBytes(bytes);
  bool byteOrderMark = bytes.compare(0, kUtf8ByteOrderMarkLength, kUtf8ByteOrderMark) == 0;
  std::clearerr(file);
  std::fseek(file, byteOrderMark ? static_cast<long>(kUtf8ByteOrderMarkLength) : 0L, SEEK_SET);
  return encoding;
}

size_t wholeCharacterLength(const char* text, size_t length, size_t limit, TextEncoding encoding) {
  if (length <= limit) return length;
  if (encoding == TextEncoding::Ansi) return limit;
  size_t cut = limit;
  // The byte after the cut is no continuation byte when the cut falls between characters.
  while (cut > 0 && isContinuation(static_cast<unsigned char>(text[cut]))) --cut;
  return cut;
}

size_t nextCharacter(const char* text, size_t length, size_t offset, TextEncoding encoding) {
  if (offset >= length) return length;
  ++offset;
  if (encoding == TextEncoding::Ansi) return offset;
  while (offset < length && isContinuation(static_cast<unsigned char>(text[offset]))) ++offset;
  return offset;
}

size_t previousCharacter(const char* text, size_t offset, TextEncoding encoding) {
  if (offset == 0) return 0;
  --offset;
  if (encoding == TextEncoding::Ansi) return offset;
  while (offset > 0 && isContinuation(static_cast<unsigned char>(text[offset]))) --offset;
  return offset;
}

std::string utf8FromCodePoint(unsigned codePoint) {
  std::string bytes;
  if (codePoint < 0x80) {
    bytes += static_cast<char>(codePoint);
  } else if (codePoint < 0x800) {
    bytes += static_cast<char>(0xC0 | (codePoint >> 6));
    bytes += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else if (codePoint < 0x10000) {
    if (codePoint >= 0xD800 && codePoint <= 0xDFFF) return bytes;
    bytes += static_cast<char>(0xE0 | (codePoint >> 12));
    bytes += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    bytes += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else if (codePoint <= 0x10FFFF) {
    bytes += static_cast<char>(0xF0 | (codePoint >> 18));
    bytes += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
    bytes += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    bytes += static_cast<char>(0x80 | (codePoint & 0x3F));
  }
  return bytes;
}

std::string utf8FromWindows1252(const std::string& text) {
  std::string result;
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      result += c;
    } else {
      result += utf8FromCodePoint(byte < 0xA0 ? kWindows1252High[byte - 0x80] : byte);
    }
  }
  return result;
}

std::string textAsUtf8(const std::string& text, TextEncoding encoding) {
  return encoding == TextEncoding::Utf8 ? text : utf8FromWindows1252(text);
}

std::vector<std::string> utf8Characters(const std::string& text) {
  std::vector<std::string> characters;
  for (size_t i = 0; i < text.size();) {
    size_t next = nextCharacter(text.data(), text.size(), i, TextEncoding::Utf8);
    characters.push_back(text.substr(i, next - i));
    i = next;
  }
  return characters;
}

char windows1252FromUtf8Character(const std::string& character) {
  for (unsigned byte = 0x80; byte <= 0xFF; ++byte) {
    if (utf8FromWindows1252(std::string(1, static_cast<char>(byte))) == character) return static_cast<char>(byte);
  }
  return character.size() == 1 ? character[0] : '?';
}

const char* encodingName(TextEncoding encoding) { return encoding == TextEncoding::Utf8 ? "UTF-8" : "Windows-1252"; }

}  // namespace vellaro
