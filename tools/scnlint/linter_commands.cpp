// What the checker knows about each command word: which items are numbers, files, variables read
// and variables written. The messages repeat the player's own texts where the player has one.
#include <cstring>
#include <iterator>

#include "linter.h"
#include "script/commands/commands.h"
#include "script/commands/melody.h"
#include "script/text.h"

namespace vellaro::lint {
namespace {

using Slots = std::vector<std::string>;

const std::string& item(const Slots& slots, size_t i) {
  static const std::string kEmpty;
  return i < slots.size() ? slots[i] : kEmpty;
}

void checkNothing(Linter&, const Slots&) {}

void checkRead1(Linter& l, const Slots& s) { l.readsArgument(item(s, 1)); }

void checkClear(Linter& l, const Slots& s) {
  l.readsArgument(item(s, 1));
  const std::string& background = item(s, 1);
  if (background.empty() || background[0] == '$') return;
  if (background[0] != '*') {
    l.requireFile(background, "picture");
  } else if (background.size() != 7) {
    l.report(true, "Background color is invalid (" + background + ")");
  }
}

void checkPreshow(Linter& l, const Slots& s) {
  for (size_t i = 1; i <= 4; ++i) l.readsArgument(item(s, i));
  l.requireFile(item(s, 3), "picture");
  const std::string& colour = item(s, 5);
  if (!colour.empty() && colour.size() != 6) l.report(true, "Transparent color is invalid (" + colour + ")");
}

void checkShow(Linter& l, const Slots& s) {
  bool picture = false;
  for (size_t i = 2; i <= 5; ++i) picture = picture || !item(s, i).empty();
  if (picture) {
    checkPreshow(l, s);
  } else {
    l.readsArgument(item(s, 1));
  }
}

void checkPrint(Linter& l, const Slots& s) {
  for (size_t i = 1; i <= 4; ++i) l.readsArgument(item(s, i));
}

void checkText(Linter& l, const Slots& s) {
  checkPrint(l, s);
  const std::string& text = item(s, 3);
  size_t secondStar = text.size() > 1 && text[0] == '*' ? text.find('*', 1) : std::string::npos;
  if (secondStar != std::string::npos && !isNumber(text.substr(1, secondStar - 1).c_str())) {
    l.report(true, "text: additional text size is not a number (" + text.substr(1, secondStar - 1) + ")");
  }
}

void checkFont(Linter& l, const Slots& s) {
  l.readsArgument(item(s, 3));
  l.requireNumber(item(s, 1), "Font size is not a number");
  l.readsArgument(item(s, 2));
  const std::string& colour = item(s, 2);
  if (!colour.empty() && colour[0] != '$' && colour.size() != 6) l.report(true, "Font color is invalid (" + colour + ")");
  l.requireNumber(item(s, 5), "Codepage is not a number");
}

void checkGettext(Linter& l, const Slots& s) {
  l.readsArgument(item(s, 1));
  l.setsVariable(item(s, 2));
}

void checkInput(Linter& l, const Slots& s) {
  l.requireNumber(item(s, 2), "input  -- time is not a number");
  l.setsVariable(item(s, 1));
}

void checkInstrument(Linter& l, const std::string& instrument) {
  if (!instrument.empty() && instrument[0] != '*' && instrument[0] != '$') l.requireFile(instrument, "sound");
}

void checkPlay(Linter& l, const Slots& s) {
  l.readsArgument(item(s, 1));
  checkInstrument(l, item(s, 1));
  l.requireNumber(item(s, 2), "melody: parameter of PLAY command is not a number");
}

void checkPause(Linter& l, const Slots& s) {
  l.readsArgument(item(s, 2));
  const std::string& value = item(s, 1);
  l.requireNumber(value, "pause: parameter 1 is not a number");
  const std::string& mode = item(s, 2);
  if (value.empty() || value[0] == '$' || !isNumber(value.c_str()) || mode == "ms" || mode == "old" || mode[0] == '$') return;
  int32_t n = textToInt(value.c_str());
  if (n < 1 || n > 128) l.report(true, "pause -- parameter is out of range (" + value + ")");
}

// melody takes the stored line and splits it at every single blank, quotes or not.
void checkMelody(Linter& l, const std::string& line) {
  size_t begin = line.find(' ');
  while (begin != std::string::npos) {
    size_t end = line.find(' ', begin + 1);
    std::string token = line.substr(begin + 1, end == std::string::npos ? std::string::npos : end - begin - 1);
    l.readsArgument(token);
    if (!token.empty() && token[0] == '+') l.requireFile(token.substr(1), "sound");
    if (token.size() > 1 && token[0] == '(') {
      l.requireNumber(token.substr(1, token.size() - 2), "melody  -- parameter of EXPECT command is not a number");
    }
    begin = end;
  }
}

void checkExpect(Linter& l, const Slots& s) {
  l.requireNumber(item(s, 1), "melody  -- parameter of EXPECT command is not a number");
}

void checkLatency(Linter& l, const std::string& value) {
  if (!value.empty() && value[0] == '$') return l.readsArgument(value);
  uint32_t ms = 0;
  if (value != "auto" && !readLatencyMs(value.c_str(), &ms)) {
    l.report(true, "check latency  -- not a number from 0 to 2000. (" + value + ")");
  }
}

void checkCheck(Linter& l, const Slots& s) {
  const std::string& sub = item(s, 1);
  if (sub == "mode") {
    if (!isNumber(item(s, 3).c_str())) l.report(true, "check mode  -- mode is not a number. (" + item(s, 3) + ")");
    if (!isNumber(item(s, 4).c_str())) l.report(true, "check mode  -- accuracy is not a number. (" + item(s, 4) + ")");
  } else if (sub == "latency") {
    checkLatency(l, item(s, 2));
  } else if (sub == "count" || sub == "result" || sub == "offset") {
    l.setsVariable(item(s, 2));
  } else if (sub != "on" && sub != "off") {
    l.report(true, "check  -- Unknown command   <check " + sub + ">");
  }
}

void checkAssign(Linter& l, const Slots& s) {
  l.readsArgument(item(s, 2));
  l.setsVariable(item(s, 1));
}

void checkExpand(Linter& l, const Slots& s) {
  l.readsReferences(item(s, 2));
  l.setsVariable(item(s, 1));
}

void checkInc(Linter& l, const Slots& s) {
  if (!item(s, 2).empty()) l.requireNumber(item(s, 2), "inc  -- add value is not number");
  // inc never creates its variable: some other line must set it first.
  const std::string& target = item(s, 1);
  l.readsVariable(target[0] == '$' ? target.substr(1) : target);
}

void checkList(Linter& l, const Slots& s, bool writes) {
  l.readsArgument(item(s, 1));
  const std::string& list = item(s, 2);
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

void checkStore(Linter& l, const Slots& s) { checkList(l, s, false); }
void checkRestore(Linter& l, const Slots& s) { checkList(l, s, true); }

void checkMove(Linter& l, const Slots& s) {
  for (size_t i = 1; i <= 3; ++i) l.readsArgument(item(s, i));
}

void checkGetcoord(Linter& l, const Slots& s) {
  l.readsArgument(item(s, 1));
  l.setsVariable(item(s, 2));
  l.setsVariable(item(s, 3));
}

void checkSetdir(Linter& l, const Slots& s) {
  l.readsArgument(item(s, 1));
  l.setBaseDir(item(s, 1));
}

void checkUserinstrument(Linter& l, const Slots& s) { checkInstrument(l, item(s, 1)); }

void checkDebug(Linter& l, const Slots& s) {
  if (item(s, 1) != "on" && item(s, 1) != "off") l.report(true, "debug  -- unknown mode (" + item(s, 1) + ")");
}

void checkScreen(Linter& l, const Slots& s) {
  l.requireNumber(item(s, 1), "screen: width is not a number");
  l.requireNumber(item(s, 2), "screen: color is not a number");
  l.requireNumber(item(s, 3), "screen: frequency is not a number");
}

struct CommandCheck {
  const char* name;
  void (*check)(Linter&, const Slots&);
};

// One entry for every word of the player's command table (melody is checked on its whole line).
constexpr CommandCheck kCommandChecks[] = {
    {"poke", checkRead1},         {"clear", checkClear},       {"remove", checkRead1},     {"show", checkShow},
    {"preshow", checkPreshow},    {"hide", checkRead1},        {"print", checkPrint},      {"text", checkText},
    {"font", checkFont},          {"gettext", checkGettext},   {"input", checkInput},      {"play", checkPlay},
    {"pause", checkPause},        {"wait", checkNothing},      {"melody", checkNothing},   {"expect", checkExpect},
    {"rdiagram", checkNothing},   {"check", checkCheck},       {"let", checkAssign},       {"math", checkExpand},
    {"eval", checkExpand},        {"random", checkAssign},     {"init", checkAssign},      {"inc", checkInc},
    {"exec", checkRead1},         {"move", checkMove},         {"drag", checkRead1},       {"getcoord", checkGetcoord},
    {"getsize", checkGetcoord},   {"mute", checkNothing},      {"setdir", checkSetdir},    {"userinstrument", checkUserinstrument},
    {"debug", checkDebug},        {"store", checkStore},       {"restore", checkRestore},  {"screen", checkScreen},
};
static_assert(std::size(kCommandChecks) == std::size(kCommandTable), "a check for every command word");

void checkJump(Linter& l, const Slots& s) {
  const std::string& target = item(s, 1);
  if (target.empty() || target[0] != '$') {
    l.requireJumpTarget(target, s[0].c_str());
    return;
  }
  l.readsVariable(target.substr(1));
  for (size_t i = 2; i < s.size() && !s[i].empty(); ++i) l.requireJumpTarget(s[i], s[0].c_str());
}

void checkNumericIf(Linter& l, const Slots& s, char op) {
  const std::string& a = item(s, 1);
  const std::string& b = item(s, 3);
  if (op == 'd') {
    if (!a.empty() && a[0] != '$' && !isNumber(a.c_str())) l.report(true, "if(diapazone): variable is not number");
    if (b.empty() || b[0] == '$') return;
    size_t comma = b.find(',');
    if (comma == std::string::npos) {
      l.report(true, "if(diapazone): diapazone contains no separator(,)");
    } else if (!isNumber(b.substr(0, comma).c_str()) || !isNumber(b.substr(comma + 1).c_str())) {
      l.report(true, "if(diap): bound of " + b + " is not number");
    }
    return;
  }
  if (!a.empty() && a[0] != '$' && !isNumber(a.c_str())) l.report(true, format("if(%c): variable 1 is not  number", op));
  if (!b.empty() && b[0] != '$' && !isNumber(b.c_str())) l.report(true, format("if(%c): variable 2 is not  number", op));
}

void checkIf(Linter& l, const Slots& s) {
  l.readsArgument(item(s, 1));
  l.readsArgument(item(s, 3));
  char op = item(s, 2).empty() ? '\0' : item(s, 2)[0];
  if (op == '>' || op == '<' || op == 'd') checkNumericIf(l, s, op);
  if (op != '=' && op != '#' && op != '>' && op != '<' && op != 'd') {
    l.report(true, "if: unknown comparison (" + item(s, 2) + "); the condition is always false");
  }
}

}  // namespace

void checkCommand(Linter& linter, const Slots& slots, const std::string& line) {
  const std::string& word = slots[0];
  if (word == "goto" || word == "gosub" || word == "ifsilent") return checkJump(linter, slots);
  if (word == "if") return checkIf(linter, slots);
  if (word == "load") return linter.loadFile(item(slots, 1), item(slots, 2));
  if (word == "exit" || word == "return" || word == "terminate") return;
  if (word == "melody") return checkMelody(linter, line);
  for (const CommandCheck& command : kCommandChecks) {
    if (word == command.name) return command.check(linter, slots);
  }
  linter.report(true, "unknown command word " + word + "; the player ignores this line");
}

}  // namespace vellaro::lint
