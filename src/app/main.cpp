// Start-up and shutdown of the player.
#include <windows.h>

#include <string>

#include "app/win32_host.h"
#include "script/interpreter.h"
#include "ui/object_windows.h"
#include "ui/player_services.h"
#include "ui/screen_object.h"

namespace {

// Removes leading and trailing blanks (the space character only); quotes stay.
std::string trimBlanks(const char* text) {
  std::string line(text ? text : "");
  size_t first = line.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return line.substr(first, line.find_last_not_of(' ') - first + 1);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  vellaro::initWindowing(instance, "Vellaro");
  HWND mainWindow = vellaro::createMainWindow(nullptr);
  ShowWindow(mainWindow, SW_SHOW);
  vellaro::Win32Host host;
  vellaro::PlayerServices services(host, mainWindow);
  static vellaro::Interpreter interpreter(host);  // large fixed tables: kept off the stack
  interpreter.services = &services;
  interpreter.reset();
  std::string path = trimBlanks(commandLine);
  interpreter.runScenario(path.empty() ? "index.scn" : path);
  interpreter.services = nullptr;
  vellaro::destroyObjectWindow(mainWindow);
  vellaro::closeAllWindows();
  return 0;
}
