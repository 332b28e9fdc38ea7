#include "script/tokenizer.h"

#include "base/messages.h"

#include <cstring>

#include "script/host.h"
#include "script/text.h"

namespace vellaro {
namespace {

constexpr size_t kMaxCommandWordLength = 250;
constexpr size_t kMaxArgumentLength = kArgumentSize - 1;

void store(ArgumentSlots& arguments, const char* text) {
  if (arguments.count >= kArgumentSlots) return;  // arguments past the last slot are dropped
  copyText(arguments.slot[arguments.count++], kArgumentSize, text);
}

}  // namespace

void ArgumentSlots::clear() {
  int used = count > kHandlerSlots ? count : kHandlerSlots;
  if (used > kArgumentSlots) used = kArgumentSlots;
  for (int i = 0; i < used; ++i) slot[i][0] = '\0';
  count = 0;
}

void tokenize(char* line, ArgumentSlots& arguments, Host& host) {
  size_t length = std::strlen(line);
  bool quoted = false;
  for (size_t i = 0; i < length; ++i) {
    if (line[i] == '"') {
      quoted = !quoted;
    } else if (line[i] == ' ' && !quoted) {
      line[i] = '\0';
    }
  }
  if (line[0] != '\0') {
    if (std::strlen(line) > kMaxCommandWordLength) host.showMessage(kArgumentOverflow);
    store(arguments, line);
  }
  // Every separator starts the next argument, unless it was the line's last character.
  for (size_t j = 0; j + 1 < length; ++j) {
    if (line[j] != '\0') continue;
    const char* next = line + j + 1;
    if (std::strlen(next) > kMaxArgumentLength) host.beep(200, 50);
    store(arguments, next);
  }
}

}  // namespace vellaro
