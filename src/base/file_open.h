// Opening the files a lesson names. The player names them the way Windows does (backslashes,
// letters in any case); on Windows they are opened as named. A program that runs lessons
// elsewhere, or keeps their written files apart, installs a PathMapper that turns each name into
// the path to use on its machine.
#pragma once

#include <cstdio>
#include <string>

namespace vellaro {

// The path on this machine for a file the player names; forWriting is true when the file is
// created, appended to, renamed onto or removed.
using PathMapper = std::string (*)(const std::string& playerPath, bool forWriting);

// nullptr (the default) opens every file as named. One mapper for the whole program: set it
// before a run starts, never while one runs.
void setPathMapper(PathMapper mapper);
std::string pathOnDisk(const std::string& playerPath, bool forWriting);

// std::fopen of the mapped path; a mode with 'w' or 'a' counts as writing. A folder opens as
// nothing.
std::FILE* openPlayerFile(const std::string& playerPath, const char* mode);
// True when openPlayerFile(playerPath, "rb") opens a file, as restore reads it.
bool playerFileExists(const std::string& playerPath);
// std::remove of the mapped path; 0 on success.
int removePlayerFile(const std::string& playerPath);

}  // namespace vellaro
