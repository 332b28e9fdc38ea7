// vellaro_pause_cpu.exe FOLDER: runs the player in FOLDER (its index.scn written by the caller)
// the way the Wine tests do, answering the start-up MIDI box, and waits up to 60 seconds for it to
// exit. tools/measure-pause-cpu.sh uses it to time a pause while it reads the player's processor
// time from Linux (Wine does not report another process's times through GetProcessTimes).
#include <cstdio>

#include "harness.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: vellaro_pause_cpu.exe FOLDER\n");
    return 2;
  }
  vellaro::wine::Player player;
  if (!player.start(argv[1])) return 1;
  DWORD exitCode = 0;
  if (!player.waitForExit(60000, &exitCode)) {
    std::fprintf(stderr, "the player did not exit within 60 seconds\n");
    player.kill();
    return 1;
  }
  return static_cast<int>(exitCode);
}
