// Lesson files as the checker sees them: their bytes split into lines the way an editor shows them,
// and the way from a file name the player would open to the file on this machine.
#pragma once

#include <string>
#include <vector>

#include "base/text_encoding.h"

namespace vellaro::lint {

struct LessonText {
  std::vector<std::string> lines;  // split at LF, a CR before it removed; numbered from 1 by editors
  bool byteOrderMark = false;      // the file starts with EF BB BF (removed from the first line)
  TextEncoding encoding = TextEncoding::Ansi;  // as the player decides it
  bool highBytes = false;          // a byte of 0x80 or more: the encoding changes what is shown
  int firstBareLineFeed = 0;       // 1-based line ended by a LF without a CR before it, or 0
};

// Reads the file; false when it cannot be opened.
bool readLessonText(const std::string& diskPath, LessonText& text);

// A file name as the player builds it (backslashes, relative to the folder the lesson is run in)
// turned into a path on this machine under root. Names are matched without regard to case, as
// Windows does. Empty when no such file exists; "?" when the name cannot be judged here (a drive
// letter or a path from the root of a drive).
std::string findLessonFile(const std::string& root, const std::string& playerPath);

// The part of a player path before its last backslash, as the player sets base_dir.
std::string playerDirectory(const std::string& playerPath);

// base_dir, a backslash and the name when base_dir is not empty, else the name alone.
std::string inBaseDir(const std::string& baseDir, const std::string& name);

}  // namespace vellaro::lint
