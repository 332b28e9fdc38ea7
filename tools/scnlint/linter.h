// The lesson checker: reads a lesson file and every file it loads, splits each line with the player's
// own tokenizer, and reports what would go wrong when the player runs it. It runs nothing.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "lesson_files.h"

namespace vellaro::lint {

struct Finding {
  int file;  // index into Linter::files()
  int line;  // 1-based, as editors count
  bool error;
  std::string message;
  bool note = false;  // information, neither error nor warning: it leaves the exit code alone
};

enum class EdgeKind { Jump, Call, Load, FallThrough };

// One arrow of the lesson's flow: from the label (or the start of a file) whose section holds the
// line to a label of some file, or to the start of a file when label is empty.
struct FlowEdge {
  int fromFile;
  std::string fromLabel;
  int toFile;
  std::string toLabel;
  EdgeKind kind;
};

struct CheckedFile {
  std::string playerPath;  // the scenario path the player would hold for this file
  std::string shownPath;   // the path on this machine, as reports name it
  LessonText text;
  std::vector<std::string> labels;  // label lines in file order, each once
};

class Linter {
 public:
  // root is the folder the lesson runs in (the player's current directory).
  explicit Linter(std::string root) : root_(std::move(root)) {}

  // Checks the lesson that starts with playerPath and every file reachable through load. False
  // when that first file cannot be read.
  bool check(const std::string& playerPath);

  const std::vector<CheckedFile>& files() const { return files_; }
  const std::vector<FlowEdge>& edges() const { return edges_; }
  // Findings in file order, then line order.
  std::vector<Finding> findings() const;

  // Used while checking a line (linter_commands.cpp).
  void report(bool error, const std::string& message);
  void note(const std::string& message);
  void checkFileNameBytes(const std::string& name, const char* kind);
  void readsArgument(const std::string& item);
  void readsReferences(const std::string& text);
  void readsVariable(const std::string& name);
  void setsVariable(const std::string& item);
  void requireNumber(const std::string& item, const char* message);
  void requireFile(const std::string& item, const char* kind);
  void requireJumpTarget(const std::string& target, const char* word);
  void loadFile(const std::string& name, const std::string& label);
  void setBaseDir(const std::string& item);

 private:
  struct Read {
    int file;
    int line;
    std::string name;
  };

  int addFile(const std::string& playerPath, const std::string& diskPath);
  void checkFile(int index);
  void checkShape(int index);
  void checkLabels(int index);
  void checkLine(const std::string& line);
  void checkFlow(int index);
  void reportUnsetVariables();
  std::string currentLabel() const;

  std::string root_;
  std::vector<CheckedFile> files_;
  std::map<std::string, int> fileByDiskPath_;
  std::vector<Finding> findings_;
  std::vector<FlowEdge> edges_;
  std::set<std::string> setVariables_;
  std::vector<Read> reads_;
  // Where checkLine is.
  int file_ = 0;
  int line_ = 0;
  std::string baseDir_;
  bool baseDirKnown_ = true;
  // True while checkLine checks the goto that an if with a label after its condition runs.
  bool implicitIfJump_ = false;
};

// Splits a stored line the way the main loop does (at most the first 255 characters count) into
// slot texts; slot 0 is the command word.
std::vector<std::string> splitLine(const std::string& line);

// The variable a whole item that starts with $ reads: ${name}, else everything after the $.
std::string itemReference(const std::string& text);

// The part of a line a true if runs: "goto " for a label, then arguments 4 on, each with one blank.
std::string pendingLineOf(const std::vector<std::string>& slots);

// Checks one command line of the command table or a flow word (linter_commands.cpp).
void checkCommand(Linter& linter, const std::vector<std::string>& slots, const std::string& line);

}  // namespace vellaro::lint
