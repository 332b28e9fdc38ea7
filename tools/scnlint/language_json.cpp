#include "language_json.h"

#include <cstdio>

#include "base/messages.h"
#include "script/commands/commands.h"

namespace vellaro::lint {
namespace {

std::string quoted(const char* text) {
  std::string out = "\"";
  for (const char* c = text; *c; ++c) {
    unsigned char byte = static_cast<unsigned char>(*c);
    if (byte == '"' || byte == '\\') {
      out += '\\';
      out += *c;
    } else if (byte < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", byte);
      out += escape;
    } else {
      out += *c;
    }
  }
  return out + "\"";
}

std::string wordsJson(const WordList& list) {
  std::string out = "[";
  for (size_t i = 0; i < list.count; ++i) out += (i ? ", " : "") + quoted(list.words[i]);
  return out + "]";
}

std::string itemJson(const ItemSpec& item) {
  return "{\"kind\": " + quoted(kItemKindNames[static_cast<size_t>(item.kind)]) + ", \"name\": " + quoted(item.label) +
         ", \"message\": " + quoted(item.message) + ", \"words\": " + wordsJson(item.words) + "}";
}

std::string commandJson(const Command& command) {
  // Items after the last one the command reads are left out.
  int used = kCommandItems;
  while (used > 0 && command.items[used - 1].kind == ItemKind::None) --used;
  std::string items;
  for (int i = 0; i < used; ++i) items += (i ? ",\n      " : "") + itemJson(command.items[i]);
  return "{\"word\": " + quoted(command.name) + ", \"kind\": " +
         quoted(command.kind == WordKind::Flow ? "flow" : "command") + ",\n     \"items\": [" + items + "]}";
}

template <size_t N>
std::string catalogueJson(const CatalogueEntry (&entries)[N]) {
  std::string out;
  for (size_t i = 0; i < N; ++i) {
    out += (i ? ",\n    " : "") + std::string("{\"name\": ") + quoted(entries[i].name) + ", \"text\": " +
           quoted(entries[i].text) + "}";
  }
  return out;
}

}  // namespace

std::string languageJson() {
  std::string words;
  for (const Command& command : kCommandTable) words += (words.empty() ? "" : ",\n    ") + commandJson(command);
  return "{\n  \"words\": [\n    " + words + "\n  ],\n  \"messages\": [\n    " + catalogueJson(kMessages) +
         "\n  ],\n  \"itemNames\": [\n    " + catalogueJson(kItemNames) + "\n  ]\n}\n";
}

}  // namespace vellaro::lint
