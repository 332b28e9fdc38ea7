#include "linter.h"

#include <algorithm>
#include <cstring>

#include "script/host.h"
#include "script/scenario.h"
#include "script/text.h"
#include "script/tokenizer.h"
#include "script/variables.h"

namespace vellaro::lint {
namespace {

// The tokenizer's only messages concern over-long words, which the line length check reports.
class QuietHost : public Host {
 public:
  void showMessage(const std::string&) override {}
  bool askOkCancel(const std::string&, const std::string&) override { return true; }
  void beep(unsigned, unsigned) override {}
  uint32_t clockMs() override { return 0; }
  uint32_t tickCount() override { return 0; }
};

bool isLabelLine(const std::string& line) { return !line.empty() && (line[0] == ':' || line[0] == '&'); }

// The first line whose whole text equals target, as the player's jumps look for it; -1 when none.
int findLabel(const std::vector<std::string>& lines, const std::string& target) {
  for (size_t i = 0; i < lines.size() && i < static_cast<size_t>(kMaxLines); ++i) {
    if (lines[i] == target) return static_cast<int>(i);
  }
  return -1;
}

// Where the run can go after a line: on to the next one, and to the lines its jumps name.
struct Step {
  bool fallsThrough = true;
  std::vector<int> targets;
};

Step stepOf(const std::vector<std::string>& lines, const std::string& line) {
  Step step;
  std::vector<std::string> slots = splitLine(line);
  const std::string& word = slots[0];
  auto addTarget = [&](const std::string& target) {
    int found = findLabel(lines, target);
    if (found >= 0) step.targets.push_back(found);
  };
  if (word == "goto" || word == "gosub" || word == "ifsilent") {
    const std::string target = slots.size() > 1 ? slots[1] : "";
    if (!target.empty() && target[0] == '$') {
      for (size_t i = 2; i < slots.size() && !slots[i].empty(); ++i) addTarget(slots[i]);
      step.fallsThrough = false;
    } else {
      addTarget(target);
      // A call comes back to the next line; a plain jump does not.
      step.fallsThrough = word == "ifsilent" || (!target.empty() && target[0] == '&');
    }
  } else if (word == "if") {
    step.targets = stepOf(lines, pendingLineOf(slots)).targets;
  } else if (word == "exit" || word == "return" || word == "terminate") {
    step.fallsThrough = false;
  }
  return step;
}

}  // namespace

std::vector<std::string> splitLine(const std::string& line) {
  char buffer[kMaxLineLength + 1];
  copyText(buffer, sizeof buffer, line.c_str());
  static ArgumentSlots arguments;  // 25 kB: kept out of the stack
  arguments.clear();
  QuietHost host;
  tokenize(buffer, arguments, host);
  std::vector<std::string> slots;
  for (int i = 0; i < arguments.count; ++i) slots.emplace_back(arguments.slot[i]);
  if (slots.empty()) slots.emplace_back();  // a blank line

  return slots;
}

std::string pendingLineOf(const std::vector<std::string>& slots) {
  std::string pending;
  if (slots.size() > 4 && !slots[4].empty() && (slots[4][0] == '&' || slots[4][0] == ':')) pending = "goto ";
  for (size_t i = 4; i < slots.size() && !slots[i].empty(); ++i) pending += slots[i] + " ";
  return pending;
}

bool Linter::check(const std::string& playerPath) {
  setVariables_ = {"userinstrument", "tempo", "base_dir"};
  std::string diskPath = findLessonFile(root_, playerPath);
  if (diskPath.empty() || diskPath == "?") return false;
  if (addFile(playerPath, diskPath) < 0) return false;
  for (size_t i = 0; i < files_.size(); ++i) checkFile(static_cast<int>(i));
  for (size_t i = 0; i < files_.size(); ++i) checkFlow(static_cast<int>(i));
  reportUnsetVariables();
  return true;
}

int Linter::addFile(const std::string& playerPath, const std::string& diskPath) {
  auto known = fileByDiskPath_.find(diskPath);
  if (known != fileByDiskPath_.end()) return known->second;
  CheckedFile file;
  file.playerPath = playerPath;
  file.shownPath = diskPath;
  if (!readLessonText(diskPath, file.text)) return -1;
  for (const std::string& line : file.text.lines) {
    if (isLabelLine(line) && std::find(file.labels.begin(), file.labels.end(), line) == file.labels.end()) {
      file.labels.push_back(line);
    }
  }
  files_.push_back(std::move(file));
  int index = static_cast<int>(files_.size()) - 1;
  fileByDiskPath_[diskPath] = index;
  return index;
}

void Linter::checkFile(int index) {
  file_ = index;
  checkShape(index);
  checkLabels(index);
  // A copy: load adds files while the lines are checked.
  const std::vector<std::string> lines = files_[static_cast<size_t>(index)].text.lines;
  baseDir_ = playerDirectory(files_[static_cast<size_t>(index)].playerPath);
  baseDirKnown_ = true;
  for (size_t i = 0; i < lines.size() && i < static_cast<size_t>(kMaxLines); ++i) {
    file_ = index;
    line_ = static_cast<int>(i) + 1;
    checkLine(lines[i]);
  }
}

// How the file was saved: the player reads it byte for byte.
void Linter::checkShape(int index) {
  const CheckedFile& file = files_[static_cast<size_t>(index)];
  line_ = 1;
  // A file of plain ASCII reads the same either way, so only the others are named.
  if (file.text.encoding == TextEncoding::Utf8) {
    note(file.text.byteOrderMark ? "read as UTF-8 (it starts with a byte-order mark, which the player skips)" : "read as UTF-8");
  } else if (file.text.highBytes) {
    report(false, "read as Windows-1252; save it as UTF-8");
  }
  if (file.text.firstBareLineFeed > 0) {
    line_ = file.text.firstBareLineFeed;
    report(true, "line ends with LF alone; the player needs CR LF and joins such lines into 255-character lines");
  }
  for (size_t i = 0; i < file.text.lines.size(); ++i) {
    size_t length = file.text.lines[i].size();
    if (length <= static_cast<size_t>(kMaxLineLength)) continue;
    line_ = static_cast<int>(i) + 1;
    report(true, format("line has %d characters; the player keeps %d and reads the rest as the next line", static_cast<int>(length),
                        kMaxLineLength));
  }
  if (file.text.lines.size() > static_cast<size_t>(kMaxLines)) {
    line_ = kMaxLines + 1;
    report(true, format("file has %d lines; the player reads only the first %d", static_cast<int>(file.text.lines.size()), kMaxLines));
  }
}

void Linter::checkLabels(int index) {
  const std::vector<std::string>& lines = files_[static_cast<size_t>(index)].text.lines;
  std::map<std::string, size_t> first;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (!isLabelLine(lines[i])) continue;
    auto [place, added] = first.emplace(lines[i], i);
    if (added) continue;
    line_ = static_cast<int>(i) + 1;
    report(false, format("label %s is defined twice; jumps always reach line %d", lines[i].c_str(), static_cast<int>(place->second) + 1));
  }
}

void Linter::checkLine(const std::string& line) {
  std::vector<std::string> slots = splitLine(line);
  const std::string& word = slots[0];
  if (word.empty() || word[0] == ':' || word[0] == '&' || word[0] == '#') return;
  checkCommand(*this, slots, line);
  if (word == "if") {
    std::string pending = pendingLineOf(slots);
    // A label right after the condition is the if's own jump, so its findings name if.
    implicitIfJump_ = pending.compare(0, 5, "goto ") == 0 && slots[4] != "goto";
    if (!pending.empty()) checkLine(pending);
    implicitIfJump_ = false;
  }
}

// A run that reaches the slot after the last line shows the end-of-scenario warning.
void Linter::checkFlow(int index) {
  const CheckedFile& file = files_[static_cast<size_t>(index)];
  const std::vector<std::string>& lines = file.text.lines;
  int count = static_cast<int>(std::min(lines.size(), static_cast<size_t>(kMaxLines)));
  std::vector<Step> steps;
  for (int i = 0; i < count; ++i) steps.push_back(stepOf(lines, lines[static_cast<size_t>(i)]));
  std::vector<bool> reached(static_cast<size_t>(count) + 1, false);
  std::vector<int> pending = {0};
  for (const Step& step : steps) pending.insert(pending.end(), step.targets.begin(), step.targets.end());
  for (const FlowEdge& edge : edges_) {
    if (edge.kind == EdgeKind::Load && edge.toFile == index && !edge.toLabel.empty()) {
      pending.push_back(findLabel(lines, edge.toLabel));
    }
  }
  while (!pending.empty()) {
    int at = pending.back();
    pending.pop_back();
    if (at < 0 || at > count || reached[static_cast<size_t>(at)]) continue;
    reached[static_cast<size_t>(at)] = true;
    if (at == count) continue;
    const Step& step = steps[static_cast<size_t>(at)];
    if (step.fallsThrough) pending.push_back(at + 1);
    pending.insert(pending.end(), step.targets.begin(), step.targets.end());
  }
  // The graph shows a section that runs on into the next label.
  std::string section;
  for (int i = 0; i < count; ++i) {
    const std::string& line = lines[static_cast<size_t>(i)];
    if (isLabelLine(line) && i > 0 && reached[static_cast<size_t>(i) - 1] && steps[static_cast<size_t>(i) - 1].fallsThrough) {
      edges_.push_back({index, section, index, line, EdgeKind::FallThrough});
    }
    if (isLabelLine(line)) section = line;
  }
  if (!reached[static_cast<size_t>(count)]) return;
  file_ = index;
  line_ = count > 0 ? count : 1;
  report(false, "the run can go past the last line of this file, where the player shows "
                "\"WARNING: end of scenario - exit assumed\"; end it with terminate, exit, return or a jump");
}

void Linter::reportUnsetVariables() {
  for (const Read& read : reads_) {
    if (setVariables_.count(read.name) > 0) continue;
    file_ = read.file;
    line_ = read.line;
    report(false, format("variable \"%s\" is read here but no line of the lesson sets it", read.name.c_str()));
  }
}

std::vector<Finding> Linter::findings() const {
  std::vector<Finding> sorted = findings_;
  std::stable_sort(sorted.begin(), sorted.end(), [](const Finding& a, const Finding& b) {
    return a.file != b.file ? a.file < b.file : a.line < b.line;
  });
  return sorted;
}

void Linter::report(bool error, const std::string& message) { findings_.push_back({file_, line_, error, message}); }

void Linter::note(const std::string& message) { findings_.push_back({file_, line_, false, message, true}); }

std::string Linter::currentLabel() const {
  const std::vector<std::string>& lines = files_[static_cast<size_t>(file_)].text.lines;
  for (int i = line_ - 1; i >= 0; --i) {
    if (isLabelLine(lines[static_cast<size_t>(i)])) return lines[static_cast<size_t>(i)];
  }
  return {};
}

namespace {

// One pair of enclosing double quotes goes, as the player's argument resolution removes it.
std::string withoutQuotes(const std::string& item) {
  if (item.size() >= 2 && item.front() == '"' && item.back() == '"') return item.substr(1, item.size() - 2);
  return item;
}

}  // namespace

std::string itemReference(const std::string& text) {
  size_t braced = bracedReferenceLength(text.c_str());
  return braced == text.size() ? text.substr(2, braced - 3) : text.substr(1);
}

void Linter::readsArgument(const std::string& item) {
  std::string text = withoutQuotes(item);
  if (!text.empty() && text[0] == '$') readsVariable(itemReference(text));
}

// Every $name and ${name} inside the text, as math and eval expand them; $$ stands for nothing.
void Linter::readsReferences(const std::string& text) {
  std::string body = withoutQuotes(text);
  for (size_t at = body.find('$'); at != std::string::npos; at = body.find('$', at)) {
    if (at + 1 < body.size() && body[at + 1] == '$') {
      at += 2;
      continue;
    }
    size_t braced = bracedReferenceLength(body.c_str() + at);
    if (braced > 0) {
      readsVariable(body.substr(at + 2, braced - 3));
      at += braced;
      continue;
    }
    size_t end = body.find_first_of("()+-*/$.", at + 1);
    std::string name = body.substr(at + 1, end == std::string::npos ? std::string::npos : end - at - 1);
    readsVariable(name);
    at += 1 + name.size();
  }
}

void Linter::readsVariable(const std::string& name) { reads_.push_back({file_, line_, name}); }

void Linter::setsVariable(const std::string& item) { setVariables_.insert(item[0] == '$' ? item.substr(1) : item); }

void Linter::requireNumber(const std::string& item, const char* message) {
  std::string text = withoutQuotes(item);
  if (!text.empty() && text[0] == '$') {
    readsVariable(itemReference(text));
    return;
  }
  if (!isNumber(text.c_str())) report(true, format("%s (%s)", message, text.c_str()));
}

// The player opens files by the bytes of their names in the ANSI code page, also from a UTF-8 file.
void Linter::checkFileNameBytes(const std::string& name, const char* kind) {
  if (files_[static_cast<size_t>(file_)].text.encoding != TextEncoding::Utf8) return;
  if (!hasHighBytes(name.data(), name.size())) return;
  report(false, format("%s file name %s is not plain ASCII; the player opens files by their bytes in the ANSI code page, "
                       "so name the file in ASCII",
                       kind, name.c_str()));
}

void Linter::requireFile(const std::string& item, const char* kind) {
  std::string name = withoutQuotes(item);
  checkFileNameBytes(name, kind);
  if (name.empty() || name[0] == '$' || !baseDirKnown_) return;
  std::string path = inBaseDir(baseDir_, name);
  if (findLessonFile(root_, path).empty()) report(true, format("%s file %s does not exist", kind, path.c_str()));
}

void Linter::requireJumpTarget(const std::string& target, const char* word) {
  const CheckedFile& file = files_[static_cast<size_t>(file_)];
  if (implicitIfJump_) word = "if";
  if (findLabel(file.text.lines, target) < 0) {
    report(true, format("%s: label %s does not exist in this file", word, target.c_str()));
    return;
  }
  EdgeKind kind = target[0] == '&' ? EdgeKind::Call : EdgeKind::Jump;
  edges_.push_back({file_, currentLabel(), file_, target, kind});
}

void Linter::loadFile(const std::string& name, const std::string& label) {
  checkFileNameBytes(name, "scenario");
  std::string path = inBaseDir(baseDir_, name);
  std::string diskPath = baseDirKnown_ ? findLessonFile(root_, path) : "?";
  // Coming back from the loaded file reads this file again, which sets base_dir to its folder.
  baseDir_ = playerDirectory(files_[static_cast<size_t>(file_)].playerPath);
  baseDirKnown_ = true;
  if (diskPath == "?") return;
  int loaded = diskPath.empty() ? -1 : addFile(path, diskPath);
  if (loaded < 0) {
    report(true, format("load: scenario file %s does not exist", path.c_str()));
    return;
  }
  if (!label.empty() && findLabel(files_[static_cast<size_t>(loaded)].text.lines, label) < 0) {
    report(true, format("load: label %s does not exist in %s", label.c_str(), path.c_str()));
    return;
  }
  edges_.push_back({file_, currentLabel(), loaded, label, EdgeKind::Load});
}

void Linter::setBaseDir(const std::string& item) {
  std::string dir = withoutQuotes(item);
  baseDirKnown_ = dir.empty() || dir[0] != '$';
  if (baseDirKnown_) baseDir_ = dir;
}

}  // namespace vellaro::lint
