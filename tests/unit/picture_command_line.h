// Runs one picture or pause command with its items, as the main loop hands them over.
#pragma once

#include <cstring>
#include <initializer_list>
#include <string>

#include "script/commands/commands.h"
#include "script/interpreter.h"

namespace vellaro {

class PictureCommandLine {
 public:
  // items[0] is the command word; missing items are empty.
  PictureCommandLine(std::initializer_list<std::string> items) {
    int i = 0;
    for (const std::string& item : items) {
      std::strncpy(slots_[i], item.c_str(), sizeof slots_[i] - 1);
      ++i;
    }
    for (int j = 0; j < 6; ++j) args_.item[j] = slots_[j];
    args_.storedLine = "";
  }
  void run(Interpreter& interpreter, CommandHandler handler) { handler(interpreter, args_); }

 private:
  char slots_[6][255] = {};
  CommandArgs args_{};
};

}  // namespace vellaro
