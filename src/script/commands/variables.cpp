// Variables and store files: let, init, inc, math, eval, random, poke, store, restore and exists.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/messages.h"
#include "base/file_open.h"
#include "script/commands/commands.h"
#include "script/host.h"
#include "script/interpreter.h"
#include "script/scenario.h"
#include "script/text.h"

namespace vellaro {
namespace {

constexpr int32_t kDefaultRandomBound = 100;
constexpr size_t kMaxRestoreItems = 100;
constexpr int kMaxStoreLineLength = 512;
// Every store entry ends with two carriage returns and a line feed, on every platform.
constexpr char kStoreLineEnd[] = "\r\r\n";
// store writes the new file under the store file's name with this added, in the same folder.
constexpr char kStoreTemporarySuffix[] = ".tmp";
constexpr char kFileFound[] = "yes";
constexpr char kFileNotFound[] = "no";

// Item 2 of store and restore split at every comma; nothing is trimmed, ",," gives an empty item.
std::vector<std::string> splitList(const char* list) {
  std::vector<std::string> items;
  const char* start = list;
  for (const char* comma; (comma = std::strchr(start, ',')) != nullptr; start = comma + 1) {
    items.emplace_back(start, comma);
  }
  items.emplace_back(start);
  return items;
}

// One store entry: the item as written, "=", the value and the line end, byte for byte.
void writeStoreEntry(std::FILE* file, const std::string& item, const char* value) {
  std::fputs(item.c_str(), file);
  std::fputc('=', file);
  std::fputs(value, file);
  std::fwrite(kStoreLineEnd, 1, sizeof kStoreLineEnd - 1, file);
}

struct WantedItem {
  std::string item;
  bool open;
};

// Sets the variable of every open wanted item whose key is on this line and closes the item, so
// the first entry of a key in the file wins.
void restoreLine(Interpreter& in, char* line, std::vector<WantedItem>& wanted) {
  char* equals = std::strchr(line, '=');
  if (line[0] != '$' || !equals) return;
  *equals = '\0';
  const char* value = equals + 1;  // longer values are cut to 254 characters by the variable table
  for (WantedItem& w : wanted) {
    if (!w.open || w.item != line) continue;
    in.variables.assign(line + 1, value);
    w.open = false;
  }
}

}  // namespace

void cmdLet(Interpreter& in, CommandArgs& args) {
  const char* value = in.resolveItem(args, 2);
  if (value) in.variables.assign(resultVariableName(args.item[1]), value);
}

void cmdInit(Interpreter& in, CommandArgs& args) {
  // The value is resolved, and a missing variable reported, even when the target exists.
  const char* value = in.resolveItem(args, 2);
  const char* name = resultVariableName(args.item[1]);
  if (value && !in.variables.variableExists(name)) in.variables.assign(name, value);
}

void cmdInc(Interpreter& in, CommandArgs& args) {
  int32_t step = 1;
  if (args.item[2][0] != '\0') {
    const char* text = in.resolveItem(args, 2);
    if (!text) return;
    if (!isNumber(text)) return in.scriptError(kIncAddNotNumber);
    step = textToInt(text);
  }
  const char* name = resultVariableName(args.item[1]);
  const char* value = in.variables.getVariable(name);
  if (!value) return in.scriptError(kIncVariableMissing);
  if (!isNumber(value)) return in.scriptError(kIncValueNotNumber);
  // Wraps like the rest of the 32-bit arithmetic instead of overflowing.
  uint32_t sum = static_cast<uint32_t>(textToInt(value)) + static_cast<uint32_t>(step);
  in.variables.setVariable(name, format("%d", static_cast<int32_t>(sum)).c_str());
}

void cmdMath(Interpreter& in, CommandArgs& args) {
  std::string expression = in.expandReferences(args.item[2], kItemMath);
  in.variables.assign(resultVariableName(args.item[1]), in.evaluator.evaluateToText(expression).c_str());
}

void cmdEval(Interpreter& in, CommandArgs& args) {
  in.variables.assign(resultVariableName(args.item[1]), in.expandReferences(args.item[2], kItemEval).c_str());
}

void cmdRandom(Interpreter& in, CommandArgs& args) {
  const char* text = in.resolveItem(args, 2);
  int32_t bound = text && text[0] != '\0' && isNumber(text) ? textToInt(text) : kDefaultRandomBound;
  // No number lies below 0 or less; such a bound counts as unusable, like a text that is no number.
  if (bound <= 0) bound = kDefaultRandomBound;
  int32_t number = in.randomTable.randomBelow(bound, in.host.clockMs(), in.host.tickCount());
  in.variables.assign(resultVariableName(args.item[1]), format("%d", number).c_str());
}

void cmdPoke(Interpreter& in, CommandArgs& args) {
  // A missing variable shows the resolver's message and then an empty box.
  const char* text = in.resolveItem(args, 1);
  in.showMessage(text ? text : "");
}

void cmdStore(Interpreter& in, CommandArgs& args) {
  const char* fileName = in.resolveItem(args, 1);
  if (!fileName) return;
  // The entries go to a new file beside the old one, which is replaced only once the new one is
  // complete: a crash or a full disk in the middle never leaves a learner's progress half written.
  const std::string target = fileName;
  const std::string temporary = target + kStoreTemporarySuffix;
  // Binary, so that the line end is the same three bytes on every platform.
  std::FILE* file = openPlayerFile(temporary, "wb");
  if (!file) return in.scriptError(kStoreCannotCreate, target.c_str());
  for (const std::string& item : splitList(args.item[2])) {
    // An empty item names no variable; it is reported like a missing one.
    const char* value = item.empty() ? nullptr : in.variables.getVariable(item.c_str() + 1);
    if (!value) {
      in.scriptError(kStoreVariableMissing, item.c_str());
      continue;
    }
    writeStoreEntry(file, item, value);
  }
  bool written = std::ferror(file) == 0;
  written = std::fclose(file) == 0 && written;
  if (!written || !in.host.replaceFile(temporary, target)) {
    removePlayerFile(temporary);
    in.scriptError(kStoreCannotWrite, target.c_str());
  }
}

void cmdRestore(Interpreter& in, CommandArgs& args) {
  const char* resolved = in.resolveItem(args, 1);
  if (!resolved) return;
  // Restored values may replace the variable that named the file, so keep a copy of the name.
  const std::string fileName = resolved;
  std::FILE* file = openPlayerFile(fileName, "rb");
  if (!file) return in.scriptError(kRestoreFileMissing, fileName.c_str());
  std::vector<WantedItem> wanted;
  for (std::string& item : splitList(args.item[2])) wanted.push_back({std::move(item), true});
  if (wanted.size() > kMaxRestoreItems) {
    in.scriptError(kRestoreTooManyNames,
                   static_cast<int>(kMaxRestoreItems));
    wanted.resize(kMaxRestoreItems);
  }
  char line[kMaxStoreLineLength + 1];
  while (!std::feof(file)) {
    readLine(file, line, kMaxStoreLineLength);
    restoreLine(in, line, wanted);
  }
  for (const WantedItem& w : wanted) {
    if (w.open && !w.item.empty()) {
      in.scriptError(kRestoreVariableMissing, w.item.c_str(), fileName.c_str());
    }
  }
  std::fclose(file);
}

// The quiet question before a restore: "yes" when restore could open the file, else "no"; no box.
void cmdExists(Interpreter& in, CommandArgs& args) {
  const char* fileName = in.resolveItem(args, 1);
  if (!fileName) return;
  bool found = playerFileExists(fileName);
  in.variables.assign(resultVariableName(args.item[2]), found ? kFileFound : kFileNotFound);
}

}  // namespace vellaro
