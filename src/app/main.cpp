// Start-up and shutdown of the player.
#include <windows.h>

#include <string>

#include "app/win32_host.h"
#include "script/interpreter.h"

namespace {

// Removes leading and trailing blanks (the space character only); quotes stay.
std::string trimBlanks(const char* text) {
  std::string line(text ? text : "");
  size_t first = line.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return line.substr(first, line.find_last_not_of(' ') - first + 1);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  vellaro::Win32Host host;
  static vellaro::Interpreter interpreter(host);  // large fixed tables: kept off the stack
  interpreter.reset();
  std::string path = trimBlanks(commandLine);
  interpreter.runScenario(path.empty() ? "index.scn" : path);
  return 0;
}
