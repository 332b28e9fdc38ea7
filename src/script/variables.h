// The VariableTable: 100 named text variables that live for the whole run of the program.
#pragma once

#include <array>
#include <cstddef>
#include <string>

#include "base/limits.h"

namespace vellaro {

class MessageSink;

constexpr int kMaxVariables = 100;

// The variable that a result command writes: its item with one leading '$' removed, never resolved.
inline const char* resultVariableName(const char* item) { return item[0] == '$' ? item + 1 : item; }

// The length of the braced reference "${name}" at the start of text: "${", a name of one character
// or more that holds no '}', and the closing '}'. 0 when text does not start with one.
size_t bracedReferenceLength(const char* text);

// A reference met at a '$': the variable name it reads and how many characters it takes, the '$'
// included.
struct Reference {
  std::string name;
  size_t length;
};

class VariableTable {
 public:
  explicit VariableTable(MessageSink& messages) : messages_(messages) {}

  // Empties every slot (start-up).
  void clear();

  // Takes the first free slot for name with an empty value; -1 and "TOO MANY VARIABLES!" when full.
  // It does not look for an existing variable of that name.
  int createVariable(const char* name);
  // Copies value (cut to 254 bytes, never inside a UTF-8 character) into the variable; -1 when there is no such variable.
  int setVariable(const char* name, const char* value);
  bool variableExists(const char* name) const { return find(name) >= 0; }
  // The live value text of the variable, or nullptr; writing into it changes the variable.
  char* getVariable(const char* name);
  // Creates the variable when missing, then sets it: the assignment rule of the result commands.
  int assign(const char* name, const char* value);

  // The reference at text (which starts with '$'). plainNameLength is the length of the name by
  // the caller's plain rule ($name). A braced ${name} ends at its brace, except where the plain
  // name is a variable already (a name may start with '{'): a line that ran before reads as before.
  Reference readReference(const char* text, size_t plainNameLength) const;
  // The reference of a whole item that starts with '$': ${name} when the brace ends the item, else
  // everything after the '$' (a jump's $n, a command's $name).
  Reference readItemReference(const char* item) const;

  // Slot access for the debug menu: name and value of a slot, empty name for a free slot.
  const char* nameAt(int slot) const { return slots_[slot].name; }
  const char* valueAt(int slot) const { return slots_[slot].value; }

 private:
  struct Slot {
    char name[kVariableFieldSize];
    char value[kVariableFieldSize];
  };

  // Scans slots 0 to 99 comparing whole names; free slots take part, so "" finds the first free slot.
  int find(const char* name) const;

  MessageSink& messages_;
  std::array<Slot, kMaxVariables> slots_{};
};

}  // namespace vellaro
