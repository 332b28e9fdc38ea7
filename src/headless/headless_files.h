// The files of a headless run. Lessons name files the way the player does on Windows (backslashes,
// letters in any case); here they are found below the current folder whatever their case. Every
// file the run writes (store files, the debug log) goes to a scratch folder instead, and reads look
// there first: a run never changes the lesson's folder, so the next run starts the same.
#pragma once

#include <string>

namespace vellaro {

class ScratchFiles {
 public:
  // Makes a fresh scratch folder under the system's temporary folder and installs the mapping.
  ScratchFiles();
  // Removes the mapping and the scratch folder with what the run wrote into it.
  ~ScratchFiles();
  ScratchFiles(const ScratchFiles&) = delete;
  ScratchFiles& operator=(const ScratchFiles&) = delete;

  bool ready() const { return !folder_.empty(); }

 private:
  std::string folder_;
};

// The mapping itself (see PathMapper), for the scratch folder at scratch.
std::string headlessPath(const std::string& scratch, const std::string& playerPath, bool forWriting);

}  // namespace vellaro
