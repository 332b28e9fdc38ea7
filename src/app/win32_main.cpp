// Start-up and shutdown of the player.
#include <windows.h>

#include <memory>
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
  std::unique_ptr<vellaro::SoundEngine> soundEngine(new (std::nothrow) vellaro::SoundEngine(0, mainWindow, host));
  std::unique_ptr<vellaro::MidiOut> midiOut(new (std::nothrow) vellaro::MidiOut(0, host));
  std::unique_ptr<vellaro::MidiIn> midiIn(new (std::nothrow) vellaro::MidiIn(0, host));
  std::unique_ptr<vellaro::InstrumentBank> instruments(
      new (std::nothrow) vellaro::InstrumentBank(host, soundEngine.get(), midiOut.get()));
  host.voices = soundEngine.get();
  vellaro::PlayerServices services(host, mainWindow);
  services.instruments = instruments.get();
  services.midiOut = midiOut.get();
  services.voices = soundEngine.get();
  services.midiIn = midiIn.get();
  static vellaro::Interpreter interpreter(host);  // large fixed tables: kept off the stack
  interpreter.services = &services;
  services.win32Screen().clickedObjectName = interpreter.objects.clickedObjectName;
  services.win32Screen().clickedNameSize = sizeof interpreter.objects.clickedObjectName;
  interpreter.reset();
  std::string path = trimBlanks(commandLine);
  interpreter.runScenario(path.empty() ? "index.scn" : path);
  interpreter.services = nullptr;
  host.voices = nullptr;
  // Not the reverse of creation: the sound engine stops the mixer before the samples it borrows
  // from the instrument bank go.
  soundEngine.reset();
  midiOut.reset();
  midiIn.reset();
  instruments.reset();
  vellaro::destroyObjectWindow(mainWindow);
  vellaro::closeAllWindows();
  return 0;
}
