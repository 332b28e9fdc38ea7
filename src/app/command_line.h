// The player's command line: `[--watch] [scenario]`.
#pragma once

#include <string>

namespace vellaro {

struct CommandLine {
  std::string scenario;  // index.scn when none is given
  bool watch = false;    // reload by itself when a .scn file of the lesson's folder changes
};

// Blanks (the space character only) around the path are removed and quotes are kept, so a path may
// hold blanks. --watch counts only as the first word, followed by a blank or by nothing.
CommandLine parseCommandLine(const char* text);

}  // namespace vellaro
