// The two encodings a lesson file can be saved in, and the rules that decide between them. A file
// that begins with a UTF-8 byte-order mark, or is valid UTF-8 and holds a byte of 0x80 or more, is
// UTF-8; any other file is in the system's ANSI code page (Windows-1252 on a western system) and is
// read byte for byte, as it always was. Lesson texts stay in their file's bytes everywhere in the
// portable core; only the Win32 side turns UTF-8 into wide characters.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

namespace vellaro {

enum class TextEncoding : unsigned char { Ansi, Utf8 };

constexpr char kUtf8ByteOrderMark[] = "\xEF\xBB\xBF";
constexpr size_t kUtf8ByteOrderMarkLength = 3;

// Well-formed UTF-8: no stray continuation bytes, no cut or over-long sequences, no surrogates,
// nothing above U+10FFFF.
bool isValidUtf8(const char* bytes, size_t length);
bool hasHighBytes(const char* bytes, size_t length);
// The encoding of a whole file's bytes.
TextEncoding encodingOfBytes(const std::string& bytes);

// Reads the open file to its end, decides its encoding and leaves the file positioned at its first
// line: past the byte-order mark of a UTF-8 file, else at the start.
TextEncoding detectFileEncoding(std::FILE* file);

// The length of the longest start of text (length bytes) that has at most limit bytes and does not
// end inside a character. Every byte is a character of an ANSI text; a UTF-8 text is cut back to
// the last whole character.
size_t wholeCharacterLength(const char* text, size_t length, size_t limit, TextEncoding encoding);

// The byte offset of the character after (or before) the one at offset; steps one byte in ANSI.
size_t nextCharacter(const char* text, size_t length, size_t offset, TextEncoding encoding);
size_t previousCharacter(const char* text, size_t offset, TextEncoding encoding);

// UTF-8 for a code point; empty for a surrogate or a value above U+10FFFF.
std::string utf8FromCodePoint(unsigned codePoint);

// Windows-1252 text as UTF-8; its five unassigned bytes become the control characters of the same
// value, as Windows converts them.
std::string utf8FromWindows1252(const std::string& text);
// The text as UTF-8: unchanged when it is UTF-8, converted from Windows-1252 when it is ANSI.
std::string textAsUtf8(const std::string& text, TextEncoding encoding);

// The UTF-8 characters of a valid UTF-8 text, one string each.
std::vector<std::string> utf8Characters(const std::string& text);
// The Windows-1252 byte of one UTF-8 character, or '?' where that code page has none (what an ANSI
// window receives for a character typed on a keyboard of another script).
char windows1252FromUtf8Character(const std::string& character);

const char* encodingName(TextEncoding encoding);

}  // namespace vellaro
