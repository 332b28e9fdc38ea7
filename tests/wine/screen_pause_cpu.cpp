// vellaro_pause_cpu.exe [--watch] FOLDER [WAKE_AFTER_MS]: runs the player in FOLDER (its index.scn
// written by the caller; with --watch, watching that folder) the way the Wine tests do, answering the start-up MIDI box, and waits up to 60
// seconds for it to exit. tools/measure-pause-cpu.sh uses it to time a wait while it reads the
// player's processor time from Linux (Wine does not report another process's times through
// GetProcessTimes).
//
// With WAKE_AFTER_MS, a wait without a time limit is measured: once FOLDER\begin.sto exists and
// WAKE_AFTER_MS more have passed, the first line of the debug menu's Labels list (navi.scn) is
// chosen on the player's main window, which ends the wait.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "harness.h"

namespace {

constexpr DWORD kLimitMs = 60000;
constexpr WPARAM kFirstNaviLine = 1500;

bool wakeAfter(vellaro::wine::Player& player, const std::string& folder, DWORD delayMs) {
  HWND mainWindow = player.waitForWindow("Vellaro", kLimitMs);
  std::string begin = folder + "\\begin.sto";
  bool begun = vellaro::wine::waitUntil(
      [&] { return GetFileAttributesA(begin.c_str()) != INVALID_FILE_ATTRIBUTES; }, kLimitMs);
  if (!mainWindow || !begun) {
    std::fprintf(stderr, "the player did not begin its wait\n");
    return false;
  }
  Sleep(delayMs);  // the length of the measured wait
  PostMessageA(mainWindow, WM_COMMAND, kFirstNaviLine, 0);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  vellaro::wine::PlayerOptions options;
  if (argc > 1 && std::string(argv[1]) == "--watch") {
    options.arguments = "--watch";
    --argc;
    ++argv;
  }
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: vellaro_pause_cpu.exe [--watch] FOLDER [WAKE_AFTER_MS]\n");
    return 2;
  }
  vellaro::wine::Player player;
  if (!player.start(argv[1], options)) return 1;
  if (argc == 3 && !wakeAfter(player, argv[1], static_cast<DWORD>(std::atoi(argv[2])))) {
    player.kill();
    return 1;
  }
  DWORD exitCode = 0;
  if (!player.waitForExit(kLimitMs, &exitCode)) {
    std::fprintf(stderr, "the player did not exit within 60 seconds\n");
    player.kill();
    return 1;
  }
  return static_cast<int>(exitCode);
}
