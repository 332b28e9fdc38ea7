#include "script/reload.h"

#include "base/messages.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "base/file_open.h"
#include "script/text.h"

namespace vellaro {
namespace {

// Reads lines ended by CR LF as readLine would read them, stopping at the first problem.
ReloadProblem readLines(std::FILE* file, ReloadedText& text) {
  std::string line;
  bool anyByte = false;
  for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) {
    anyByte = true;
    if (c == '\n') return ReloadProblem::BareLineEnd;
    if (c != '\r') {
      if (line.size() == static_cast<size_t>(kMaxLineLength)) {
        text.problemLine = text.lines.count();
        return ReloadProblem::LongLine;
      }
      line += static_cast<char>(c);
      continue;
    }
    if (std::fgetc(file) != '\n') return ReloadProblem::BareLineEnd;
    if (!text.lines.append(line.c_str())) return ReloadProblem::TooManyLines;
    line.clear();
  }
  if (!anyByte) return ReloadProblem::Empty;
  // As in loadScenario, the empty line after a final CR LF may fall past the 3000th slot unnoticed.
  if (!text.lines.append(line.c_str()) && !line.empty()) return ReloadProblem::TooManyLines;
  return ReloadProblem::None;
}

// The index of the last label line at or above line, or -1.
int labelLineAbove(const LineTable& lines, int line) {
  for (int i = std::min(line, lines.count() - 1); i >= 0; --i) {
    char first = lines.at(i)[0];
    if (first == ':' || first == '&') return i;
  }
  return -1;
}

}  // namespace

ReloadedText readForReload(const std::string& path) {
  ReloadedText text;
  std::FILE* file = openPlayerFile(path, "rb");
  if (!file) {
    text.problem = ReloadProblem::CannotOpen;
    return text;
  }
  text.encoding = detectFileEncoding(file);
  text.problem = readLines(file, text);
  std::fclose(file);
  if (text.problem != ReloadProblem::None) text.lines.clear();
  return text;
}

std::string reloadProblemText(const std::string& path, const ReloadedText& text) {
  std::string reason;
  switch (text.problem) {
    case ReloadProblem::None:
      return "";
    case ReloadProblem::CannotOpen:
      reason = kReloadCannotOpen;
      break;
    case ReloadProblem::Empty:
      reason = kReloadEmpty;
      break;
    case ReloadProblem::TooManyLines:
      reason = format(kReloadTooManyLines, kMaxLines);
      break;
    case ReloadProblem::LongLine:
      reason = format(kReloadLineTooLong, text.problemLine, kMaxLineLength);
      break;
    case ReloadProblem::BareLineEnd:
      reason = kReloadBareLineFeed;
      break;
  }
  return format(kReloadRefused,
                path.c_str(), reason.c_str());
}

std::string labelAbove(const LineTable& lines, int line) {
  int at = labelLineAbove(lines, line);
  return at < 0 ? "" : lines.at(at);
}

int relocateLine(const LineTable& oldLines, const LineTable& newLines, int line) {
  int label = labelLineAbove(oldLines, line);
  if (label < 0) return line;
  int found = newLines.findLabel(oldLines.at(label));
  return found < 0 ? -1 : found + (line - label);
}

void relocateReturnPoints(CallStack& stack, const std::string& file, const LineTable& oldLines,
                          const LineTable& newLines) {
  for (int i = 0; i < stack.depth(); ++i) {
    CallEntry& entry = stack.entryAt(i);
    if (entry.file != file) continue;
    int line = relocateLine(oldLines, newLines, entry.line);
    if (line >= 0) entry.line = static_cast<uint16_t>(line);
  }
}

std::string folderOfPath(const std::string& path) {
  size_t slash = path.find_last_of("\\/");
  if (slash == std::string::npos) {
    bool drive = path.size() >= 2 && path[1] == ':';  // C:lesson.scn: the drive's current folder
    return drive ? path.substr(0, 2) : ".";
  }
  // The root keeps its backslash: "C:" alone would name the drive's current folder.
  if (slash == 0 || (slash == 2 && path[1] == ':')) return path.substr(0, slash + 1);
  return path.substr(0, slash);
}

bool isScenarioFileName(const std::string& name) {
  if (name.size() < 4) return false;
  std::string ending = name.substr(name.size() - 4);
  std::transform(ending.begin(), ending.end(), ending.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ending == ".scn";
}

bool stampsDiffer(std::vector<FileStamp> before, std::vector<FileStamp> after) {
  auto byName = [](const FileStamp& a, const FileStamp& b) { return a.name < b.name; };
  std::sort(before.begin(), before.end(), byName);
  std::sort(after.begin(), after.end(), byName);
  return before != after;
}

void ReloadDebounce::changed(uint32_t now) {
  waiting_ = true;
  lastChange_ = now;
}

bool ReloadDebounce::due(uint32_t now) {
  if (!waiting_ || now - lastChange_ < kQuietMs) return false;
  waiting_ = false;
  return true;
}

uint32_t ReloadDebounce::msUntilDue(uint32_t now) const {
  if (!waiting_) return kNothingDue;
  uint32_t elapsed = now - lastChange_;
  return elapsed >= kQuietMs ? 0 : kQuietMs - elapsed;
}

}  // namespace vellaro
