// Lesson texts on the Win32 side. The texts of an ANSI lesson go to the system's "A" calls as they
// always did; those of a UTF-8 lesson are turned into wide characters here and drawn, measured and
// shown with the "W" calls, and what the learner types comes back as UTF-8.
#pragma once

#include <windows.h>

#include <string>

#include "base/text_encoding.h"

namespace vellaro {

// The UTF-8 bytes as wide characters (a sequence that is not UTF-8 becomes U+FFFD).
std::wstring wideFromUtf8(const char* text, size_t length);
inline std::wstring wideFromUtf8(const std::string& text) { return wideFromUtf8(text.data(), text.size()); }
std::string utf8FromWide(const wchar_t* text, size_t length);

// One typed UTF-16 unit (a WM_CHAR of a Unicode window) as the bytes of a field of the encoding:
// UTF-8, or the ANSI code page's bytes ("?" where it has none). A high surrogate waits in pending
// for its low half and gives nothing yet.
std::string typedBytes(wchar_t unit, wchar_t& pending, TextEncoding encoding);

}  // namespace vellaro
