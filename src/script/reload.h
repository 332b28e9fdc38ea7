// Reading the running scenario file again while it runs (the author's reload), and what watching a
// lesson's folder for saved .scn files needs beyond the platform's change notification: the files'
// stamps and the quiet time that makes two saves in a second one reload.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/text_encoding.h"
#include "script/scenario.h"

namespace vellaro {

// Why a file cannot replace the text that runs. The first load of a file takes almost any text; a
// reload is stricter, so that a save caught half-way or an editor's slip leaves the lesson running.
enum class ReloadProblem {
  None,
  CannotOpen,    // missing, being written with a lock, or not a file
  Empty,         // no bytes at all: a save caught between emptying and writing the file
  TooManyLines,  // more than 3000 lines: the ones after would be dropped
  LongLine,      // a line over 255 characters: it would be cut, its rest run as a line of its own
  BareLineEnd,   // an LF without its CR or a CR without its LF: the lines would run together
};

// The text a reload would run: the file's lines, or the problem that keeps the old ones.
struct ReloadedText {
  ReloadProblem problem = ReloadProblem::None;
  int problemLine = 0;  // the 0-based line of a LongLine
  TextEncoding encoding = TextEncoding::Ansi;
  LineTable lines;
};

// Reads the file as loadScenario does (same lines for every file it accepts), refusing the cases of
// ReloadProblem; base_dir is not touched.
ReloadedText readForReload(const std::string& path);

// "Scenario file (PATH) cannot be reloaded: REASON. The lesson goes on with the text it had".
std::string reloadProblemText(const std::string& path, const ReloadedText& text);

// The text of the last label line (":" or "&" first) at or above line, or "" when there is none.
std::string labelAbove(const LineTable& lines, int line);

// Where line of the old text lies in the new one: the same distance below the label above it, that
// label found by name in the new text. Lines above every label keep their number; -1 when the
// label is gone.
int relocateLine(const LineTable& oldLines, const LineTable& newLines, int line);

// The return points into file (lines of its old text) moved to the same places in its new text;
// a return point whose label is gone keeps its number.
void relocateReturnPoints(CallStack& stack, const std::string& file, const LineTable& oldLines,
                          const LineTable& newLines);

// The folder part of a scenario path ("." for a bare file name); either slash separates folders.
std::string folderOfPath(const std::string& path);

// A .scn file by its name's ending, letters in any case (the Windows name pattern *.scn also
// takes longer endings through their short names).
bool isScenarioFileName(const std::string& name);

// One .scn file of a watched folder as the platform sees it.
struct FileStamp {
  std::string name;
  uint64_t writeTime = 0;
  uint64_t size = 0;
  bool operator==(const FileStamp& other) const {
    return name == other.name && writeTime == other.writeTime && size == other.size;
  }
};

// True when the two listings differ in any file, its time or its size (order does not matter).
bool stampsDiffer(std::vector<FileStamp> before, std::vector<FileStamp> after);

// A change is acted on once the folder has been quiet for kQuietMs: an editor that writes a file
// twice, or an author who saves twice within a second, gets one reload, of the last text.
class ReloadDebounce {
 public:
  static constexpr uint32_t kQuietMs = 1000;
  static constexpr uint32_t kNothingDue = 0xFFFFFFFF;

  // A change seen at tick now (milliseconds, wrapping) starts the quiet time again.
  void changed(uint32_t now);
  // True once, at the first call when the quiet time after the last change has passed.
  bool due(uint32_t now);
  // Milliseconds until due() turns true; kNothingDue when no change waits.
  uint32_t msUntilDue(uint32_t now) const;

 private:
  bool waiting_ = false;
  uint32_t lastChange_ = 0;
};

}  // namespace vellaro
