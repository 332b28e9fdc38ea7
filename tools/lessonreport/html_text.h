// Text from a log on the page: lesson text arrives in the lesson's code page, the page is UTF-8,
// and nothing a lesson author or a damaged file wrote may become markup.
#pragma once

#include <string>
#include <string_view>

namespace vellaro::lessonreport {

// Lesson files are read byte for byte and saved in Windows-1252 (the reference says so), so a tag
// is Windows-1252 unless its bytes are valid UTF-8 (plain ASCII is both).
std::string lessonTextToUtf8(std::string_view text);

// & < > " ' as character references: safe in element text and in quoted attribute values.
std::string escapeHtml(std::string_view text);

// Both: lesson text as it goes on the page.
std::string pageText(std::string_view lessonText);

}  // namespace vellaro::lessonreport
