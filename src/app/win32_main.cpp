// Start-up and shutdown of the player.
#include <windows.h>

#include <memory>
#include <new>
#include <string>

#include "app/command_line.h"
#include "app/win32_host.h"
#include "script/interpreter.h"
#include "sound/instrument_bank.h"
#include "sound/win32_microphone.h"
#include "sound/win32_midi.h"
#include "sound/win32_sound_engine.h"
#include "ui/win32_lesson_watch.h"
#include "ui/win32_object_windows.h"
#include "ui/win32_player_services.h"
#include "ui/win32_screen_object.h"

namespace {

// With --watch, the waits also watch the first scenario's folder; a saved .scn file there reloads
// the running file as the debug menu's Reload lesson does.
std::unique_ptr<vellaro::LessonWatch> watchLesson(const vellaro::CommandLine& line, vellaro::Interpreter& in,
                                                  HWND mainWindow, vellaro::Host& host) {
  if (!line.watch) return nullptr;
  auto reload = [&in, mainWindow] {
    if (in.requestReload()) vellaro::wakeWaiter(mainWindow);
  };
  auto watch = std::make_unique<vellaro::LessonWatch>(vellaro::folderOfPath(line.scenario), reload, host);
  if (!watch->watching()) return nullptr;
  vellaro::setWaitSource(watch.get());
  return watch;
}

uint32_t hostClock(void* host) { return static_cast<vellaro::Host*>(host)->clockMs(); }

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  vellaro::initWindowing(instance, "Vellaro");
  HWND mainWindow = vellaro::createMainWindow(nullptr);
  ShowWindow(mainWindow, SW_SHOW);
  vellaro::Win32Host host;
  host.setBoxOwner(mainWindow);
  // The engine objects in this order; one that cannot be allocated is absent and the rest go on.
  std::unique_ptr<vellaro::SoundEngine> soundEngine(new (std::nothrow) vellaro::SoundEngine(0, mainWindow, host));
  std::unique_ptr<vellaro::MidiOut> midiOut(new (std::nothrow) vellaro::MidiOut(0, host));
  std::unique_ptr<vellaro::MidiIn> midiIn(new (std::nothrow) vellaro::MidiIn(0));
  // Opened by listen only: a lesson that does not listen never touches the recording device.
  std::unique_ptr<vellaro::Win32Microphone> microphone(new (std::nothrow) vellaro::Win32Microphone(hostClock, static_cast<vellaro::Host*>(&host)));
  std::unique_ptr<vellaro::InstrumentBank> instruments(
      new (std::nothrow) vellaro::InstrumentBank(host, soundEngine.get(), midiOut.get()));
  vellaro::PlayerServices services(host, mainWindow);
  services.instruments = instruments.get();
  services.midiOut = midiOut.get();
  services.voices = soundEngine.get();
  services.midiIn = midiIn.get();
  services.microphone = microphone.get();
  static vellaro::Interpreter interpreter(host);  // large fixed tables: kept off the stack
  interpreter.services = &services;
  services.win32Screen().clickedObjectName = interpreter.objects.clickedObjectName;
  services.win32Screen().clickedNameSize = sizeof interpreter.objects.clickedObjectName;
  interpreter.reset();
  vellaro::CommandLine line = vellaro::parseCommandLine(commandLine);
  std::unique_ptr<vellaro::LessonWatch> watch = watchLesson(line, interpreter, mainWindow, host);
  interpreter.runScenario(line.scenario);
  vellaro::setWaitSource(nullptr);
  watch.reset();
  interpreter.services = nullptr;
  // Not the reverse of creation: the sound engine stops the mixer before the samples it borrows
  // from the instrument bank go.
  soundEngine.reset();
  midiOut.reset();
  midiIn.reset();
  microphone.reset();
  instruments.reset();
  vellaro::destroyObjectWindow(mainWindow);
  vellaro::closeAllWindows();
  return 0;
}
