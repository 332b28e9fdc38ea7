// The checks of a command line, derived from the player's command table: each item is checked by
// its kind, with the message the table gives it. Only melody, if, check and listen have rules of
// their own, and those go through the player's own functions.
#include <cstring>

#include "linter.h"
#include "script/commands/commands.h"
#include "script/commands/melody.h"
#include "script/commands/text.h"
#include "script/conditions.h"
#include "script/text.h"

namespace vellaro::lint {
namespace {

using Slots = std::vector<std::string>;

const std::string& item(const Slots& slots, size_t i) {
  static const std::string kEmpty;
  return i < slots.size() ? slots[i] : kEmpty;
}

std::string withoutQuotes(const std::string& text) {
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') return text.substr(1, text.size() - 2);
  return text;
}

bool hasMessage(const ItemSpec& itemSpec) { return itemSpec.message[0] != '\0'; }

// The table's message for a written value: the value takes the place of a %s, or follows in brackets.
std::string messageFor(const ItemSpec& itemSpec, const std::string& value) {
  if (std::strstr(itemSpec.message, "%s")) return format(itemSpec.message, value.c_str());
  return std::string(itemSpec.message) + " (" + value + ")";
}

bool inWords(const WordList& words, const std::string& value) {
  for (size_t i = 0; i < words.count; ++i) {
    if (value == words.words[i]) return true;
  }
  return false;
}

void checkNumber(Linter& l, const ItemSpec& itemSpec, const std::string& value) {
  if (hasMessage(itemSpec) && !isNumber(value.c_str())) l.report(true, messageFor(itemSpec, value));
}

// A coordinate is a number after an optional - (from the far edge) and an optional * (from the
// centre), as parseCoordinate reads it.
void checkCoordinate(Linter& l, const ItemSpec& itemSpec, const std::string& value) {
  if (!hasMessage(itemSpec)) return;
  size_t at = 0;
  if (at < value.size() && value[at] == '-') ++at;
  if (at < value.size() && value[at] == '*') ++at;
  if (!isNumber(value.c_str() + at)) l.report(true, messageFor(itemSpec, value));
}

// pause's length is a note value from 1 to 128 unless its mode item asks for ms or old.
void checkBeats(Linter& l, const ItemSpec& itemSpec, const std::string& value, const std::string& mode) {
  if (!isNumber(value.c_str())) return l.report(true, messageFor(itemSpec, value));
  if (value.empty() || mode[0] == '$' || mode == "ms" || mode == "old") return;
  int32_t n = textToInt(value.c_str());
  if (n < 1 || n > 128) l.report(true, std::string(kPauseOutOfRange) + " (" + value + ")");
}

void checkSizedText(Linter& l, const ItemSpec& itemSpec, const std::string& value) {
  WidthForm form = parseWidthForm(value.c_str());
  if (!form.present || form.widthIsNumber) return;
  size_t second = value.find('*', 1);
  l.report(true, messageFor(itemSpec, value.substr(1, second - 1)));
}

void checkBackground(Linter& l, const ItemSpec& itemSpec, const std::string& value) {
  if (value.empty()) return;
  if (value[0] != '*') return l.requireFile(value, "picture");
  if (value.size() != 7) l.report(true, messageFor(itemSpec, value));
}

void checkJump(Linter& l, const Slots& s) {
  const std::string& target = item(s, 1);
  if (target.empty() || target[0] != '$') {
    l.requireJumpTarget(target, s[0].c_str());
    return;
  }
  l.readsVariable(itemReference(target));
  for (size_t i = 2; i < s.size() && !s[i].empty(); ++i) l.requireJumpTarget(s[i], s[0].c_str());
}

void checkList(Linter& l, const std::string& list, bool writes) {
  size_t begin = 0;
  while (begin <= list.size()) {
    size_t end = list.find(',', begin);
    if (end == std::string::npos) end = list.size();
    std::string entry = list.substr(begin, end - begin);
    if (entry.size() > 1 && writes) l.setsVariable(entry);
    if (entry.size() > 1 && !writes) l.readsVariable(entry.substr(1));
    begin = end + 1;
  }
}

// Item i of the line, by its kind. A resolved item's $variable is a read whatever its kind, and
// then its value is unknown here.
void checkItem(Linter& l, const Slots& s, const ItemSpec& itemSpec, size_t i) {
  const std::string& raw = item(s, i);
  bool resolved = itemSpec.label[0] != '\0';
  std::string value = resolved ? withoutQuotes(raw) : raw;
  // These read their $ their own way: a numbered jump, a folder unknown from here on, references.
  bool ownReference = itemSpec.kind == ItemKind::JumpTarget || itemSpec.kind == ItemKind::Directory ||
                      itemSpec.kind == ItemKind::Expression || itemSpec.kind == ItemKind::WholeLine;
  if (resolved && !ownReference && !value.empty() && value[0] == '$') return l.readsArgument(raw);
  switch (itemSpec.kind) {
    case ItemKind::Number: return checkNumber(l, itemSpec, value);
    case ItemKind::Coordinate: return checkCoordinate(l, itemSpec, value);
    case ItemKind::Beats: return checkBeats(l, itemSpec, value, withoutQuotes(item(s, i + 1)));
    case ItemKind::Colour:
      if (!value.empty() && value.size() != 6) l.report(true, messageFor(itemSpec, value));
      return;
    case ItemKind::Background: return checkBackground(l, itemSpec, value);
    case ItemKind::PictureFile: return l.requireFile(value, "picture");
    case ItemKind::Instrument:
      if (!value.empty() && value[0] != '*' && value[0] != '$') l.requireFile(value, "sound");
      return;
    case ItemKind::ScenarioFile: return l.loadFile(value, item(s, i + 1));
    case ItemKind::JumpTarget: return checkJump(l, s);
    case ItemKind::SizedText: return checkSizedText(l, itemSpec, value);
    case ItemKind::Expression: return l.readsReferences(raw);
    case ItemKind::VariableWritten: return l.setsVariable(raw);
    case ItemKind::VariableChanged: return l.readsVariable(raw[0] == '$' ? raw.substr(1) : raw);
    case ItemKind::VariablesRead: return checkList(l, raw, false);
    case ItemKind::VariablesWritten: return checkList(l, raw, true);
    case ItemKind::Directory:
      l.readsArgument(raw);
      return l.setBaseDir(raw);
    case ItemKind::SubCommand:
      if (!inWords(itemSpec.words, value)) l.report(true, messageFor(itemSpec, value));
      return;
    default: return;  // the other kinds take any text
  }
}

void checkItems(Linter& l, const Slots& s, const Command& command) {
  for (size_t i = 1; i <= static_cast<size_t>(kCommandItems); ++i) checkItem(l, s, command.items[i - 1], i);
}

// melody reads its stored line token by token, as the player splits it.
void checkMelody(Linter& l, const std::string& line) {
  for (const std::string& token : melodyTokens(line.c_str())) {
    l.readsArgument(token);
    if (!token.empty() && token[0] == '+') l.requireFile(token.substr(1), "sound");
    if (token.size() > 1 && token[0] == '(') {
      l.requireNumber(token.substr(1, token.size() - 2), kExpectNotNumber);
    }
  }
}

// A side that is a $variable has a value unknown here; a value that suits the comparison stands
// in for it, so that only written sides are judged.
std::string knownSide(const std::string& side, const char* standIn) {
  std::string text = withoutQuotes(side);
  return !text.empty() && text[0] == '$' ? standIn : text;
}

void checkIf(Linter& l, const Slots& s) {
  l.readsArgument(item(s, 1));
  l.readsArgument(item(s, 3));
  const std::string& op = item(s, 2);
  if (!inWords(findCommand("if")->items[1].words, op.substr(0, 1))) {
    l.report(true, "if: unknown comparison (" + op + "); the condition is always false");
    return;
  }
  std::string a = knownSide(item(s, 1), "0");
  std::string b = knownSide(item(s, 3), op[0] == 'd' ? "0,0" : "0");
  std::string problem = conditionProblem(a.c_str(), op[0], b.c_str());
  if (!problem.empty()) l.report(true, problem);
}

void checkLatency(Linter& l, const std::string& value) {
  if (!value.empty() && value[0] == '$') return l.readsArgument(value);
  uint32_t ms = 0;
  if (value != "auto" && !readLatencyMs(value.c_str(), &ms)) {
    l.report(true, std::string(kCheckLatencyInvalid) + " (" + value + ")");
  }
}

// check log file tag: both items are needed; either may be a $variable.
void checkLog(Linter& l, const Slots& s) {
  if (item(s, 2).empty()) return l.report(true, kCheckLogFileMissing);
  if (item(s, 3).empty()) return l.report(true, kCheckLogTagMissing);
  l.readsArgument(item(s, 2));
  l.readsArgument(item(s, 3));
}

// The sub-command word, then the items that sub-command reads.
void checkCheck(Linter& l, const Slots& s, const Command& command) {
  checkItem(l, s, command.items[0], 1);
  const std::string& sub = item(s, 1);
  if (sub == "mode") {
    checkItem(l, s, command.items[2], 3);
    checkItem(l, s, command.items[3], 4);
  } else if (sub == "latency") {
    checkLatency(l, item(s, 2));
  } else if (sub == "count" || sub == "result" || sub == "offset") {
    l.setsVariable(item(s, 2));
  } else if (sub == "score" || sub == "notes") {
    if (item(s, 2).empty()) return l.report(true, format(kCheckVariableMissing, sub.c_str()));
    l.setsVariable(item(s, 2));
  } else if (sub == "log") {
    checkLog(l, s);
  }
}

// listen level needs the variable it writes; on, clap and off read nothing more.
void checkListen(Linter& l, const Slots& s, const Command& command) {
  checkItem(l, s, command.items[0], 1);
  if (item(s, 1) != "level") return;
  if (item(s, 2).empty()) return l.report(true, kListenVariableMissing);
  l.setsVariable(item(s, 2));
}

}  // namespace

void checkCommand(Linter& linter, const Slots& slots, const std::string& line) {
  const std::string& word = slots[0];
  const Command* command = findCommand(word.c_str());
  if (!command) return linter.report(true, "unknown command word " + word + "; the player ignores this line");
  if (word == "melody") return checkMelody(linter, line);
  if (word == "if") return checkIf(linter, slots);
  if (word == "check") return checkCheck(linter, slots, *command);
  if (word == "listen") return checkListen(linter, slots, *command);
  checkItems(linter, slots, *command);
}

}  // namespace vellaro::lint
