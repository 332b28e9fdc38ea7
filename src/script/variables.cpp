#include "script/variables.h"

#include "base/messages.h"

#include <cstring>

#include "base/message_sink.h"
#include "script/text.h"

namespace vellaro {

size_t bracedReferenceLength(const char* text) {
  if (text[0] != '$' || text[1] != '{') return 0;
  const char* close = std::strchr(text + 2, '}');
  if (!close || close == text + 2) return 0;
  return static_cast<size_t>(close - text) + 1;
}

Reference VariableTable::readReference(const char* text, size_t plainNameLength) const {
  std::string plain(text + 1, plainNameLength);
  size_t braced = bracedReferenceLength(text);
  if (braced == 0 || variableExists(plain.c_str())) return {plain, 1 + plainNameLength};
  return {std::string(text + 2, braced - 3), braced};
}

Reference VariableTable::readItemReference(const char* item) const {
  size_t length = std::strlen(item);
  Reference reference = readReference(item, length - 1);
  if (reference.length != length) reference = {item + 1, length};
  return reference;
}

void VariableTable::clear() {
  for (Slot& slot : slots_) {
    slot.name[0] = '\0';
    slot.value[0] = '\0';
  }
}

int VariableTable::find(const char* name) const {
  // Names are cut to the field on creation, so lookups compare the same cut.
  for (int i = 0; i < kMaxVariables; ++i) {
    if (std::strncmp(slots_[i].name, name, kVariableFieldSize - 1) == 0) return i;
  }
  return -1;
}

int VariableTable::createVariable(const char* name) {
  for (int i = 0; i < kMaxVariables; ++i) {
    if (slots_[i].name[0] == '\0') {
      copyText(slots_[i].name, kVariableFieldSize, name);
      slots_[i].value[0] = '\0';
      return i;
    }
  }
  messages_.showMessage(kTooManyVariables);
  return -1;
}

int VariableTable::setVariable(const char* name, const char* value) {
  int slot = find(name);
  if (slot < 0) return -1;
  copyWholeCharacters(slots_[slot].value, kVariableFieldSize, value, messages_.textEncoding());
  return slot;
}

char* VariableTable::getVariable(const char* name) {
  int slot = find(name);
  return slot < 0 ? nullptr : slots_[slot].value;
}

int VariableTable::assign(const char* name, const char* value) {
  if (!variableExists(name)) createVariable(name);
  return setVariable(name, value);
}

}  // namespace vellaro
