// Start-up and shutdown of the player.
#include <windows.h>

#include <new>
#include <string>

#include "app/win32_host.h"
#include "script/interpreter.h"
#include "sound/instrument_bank.h"
#include "sound/win32_midi.h"
#include "sound/win32_sound_engine.h"
#include "ui/win32_object_windows.h"
#include "ui/win32_player_services.h"
#include "ui/win32_screen_object.h"

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
  // The engine objects in this order; one that cannot be allocated is absent and the rest go on.
  auto* soundEngine = new (std::nothrow) vellaro::SoundEngine(0, mainWindow, host);
  auto* midiOut = new (std::nothrow) vellaro::MidiOut(0, host);
  auto* midiIn = new (std::nothrow) vellaro::MidiIn(0, host);
  auto* instruments = new (std::nothrow) vellaro::InstrumentBank(host, soundEngine, midiOut);
  host.voices = soundEngine;
  vellaro::PlayerServices services(host, mainWindow);
  services.instruments = instruments;
  services.midiOut = midiOut;
  services.voices = soundEngine;
  static vellaro::Interpreter interpreter(host);  // large fixed tables: kept off the stack
  interpreter.services = &services;
  services.win32Screen().clickedObjectName = interpreter.objects.clickedObjectName;
  services.win32Screen().clickedNameSize = sizeof interpreter.objects.clickedObjectName;
  interpreter.reset();
  std::string path = trimBlanks(commandLine);
  interpreter.runScenario(path.empty() ? "index.scn" : path);
  interpreter.services = nullptr;
  host.voices = nullptr;
  delete soundEngine;  // stops the mixer before anything it borrows from goes
  delete midiOut;
  delete midiIn;
  delete instruments;
  vellaro::destroyObjectWindow(mainWindow);
  vellaro::closeAllWindows();
  return 0;
}
