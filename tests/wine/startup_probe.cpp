// vellaro_startup_probe.exe PROGRAM FOLDER TRACE [ARGUMENT]: starts PROGRAM (vellaro.exe or the
// bare start-up program) in FOLDER with VELLARO_STARTUP_TRACE=TRACE, so that its main window's
// paints append their times to TRACE, and waits up to 60 seconds for it to exit.
// tools/measure-startup.sh uses it.
//
// Every message box is answered with OK as soon as it is seen and printed as "box: TEXT" (the
// player shows none at start-up, so a box here is the lesson's or a fault); the last line is
// "exit CODE".
#include <cstdio>
#include <string>

#include "harness.h"

namespace {

constexpr DWORD kLimitMs = 60000;

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 && argc != 5) {
    std::fprintf(stderr, "usage: vellaro_startup_probe.exe PROGRAM FOLDER TRACE [ARGUMENT]\n");
    return 2;
  }
  vellaro::wine::PlayerOptions options;
  options.program = argv[1];
  options.arguments = argc == 5 ? argv[4] : "";
  options.environment = {{"VELLARO_STARTUP_TRACE", argv[3]}};
  vellaro::wine::Player player;
  if (!player.start(argv[2], options)) return 1;
  DWORD start = GetTickCount();
  auto remainingMs = [&] { return GetTickCount() - start >= kLimitMs ? 0 : kLimitMs - (GetTickCount() - start); };
  vellaro::wine::Box box;
  while (player.waitForBox(box, remainingMs())) {
    player.answer(box, IDOK);
    std::printf("box: %s\n", box.text.c_str());
    std::fflush(stdout);
  }
  DWORD exitCode = 0;
  if (!player.waitForExit(kLimitMs, &exitCode)) {
    std::fprintf(stderr, "the program did not exit within 60 seconds\n");
    player.kill();
    return 1;
  }
  std::printf("exit %lu\n", static_cast<unsigned long>(exitCode));
  return 0;
}
