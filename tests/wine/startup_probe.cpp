// vellaro_startup_probe.exe PROGRAM FOLDER TRACE [ARGUMENT]: starts PROGRAM (vellaro.exe or the
// bare start-up program) in FOLDER with VELLARO_STARTUP_TRACE=TRACE, so that its main window's
// paints append their times to TRACE, and waits up to 60 seconds for it to exit.
// tools/measure-startup.sh uses it.
//
// Every message box is answered with OK as soon as it is seen. The start-up box "Cannot init MIDI
// IN device" (shown where no MIDI input exists, as under Wine) holds up the player until it is
// answered, so the probe prints when it was seen and when it had closed, in milliseconds since the
// program's process was created, on one line: "box SEEN CLOSED". Other boxes are printed as
// "other box: TEXT"; the last line is "exit CODE".
#include <cstdint>
#include <cstdio>
#include <string>

#include "harness.h"

namespace {

constexpr DWORD kLimitMs = 60000;

uint64_t fileTimeValue(const FILETIME& time) { return (uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime; }

// Milliseconds since the process was created, or 0 when its times cannot be read.
class SinceCreation {
 public:
  explicit SinceCreation(DWORD processId) : process_(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId)) {
    FILETIME unused;
    if (process_ && GetProcessTimes(process_, &created_, &unused, &unused, &unused)) valid_ = true;
  }
  ~SinceCreation() {
    if (process_) CloseHandle(process_);
  }
  SinceCreation(const SinceCreation&) = delete;
  SinceCreation& operator=(const SinceCreation&) = delete;

  unsigned long long ms() const {
    if (!valid_) return 0;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return (fileTimeValue(now) - fileTimeValue(created_)) / 10000;  // FILETIME counts 100 ns
  }

 private:
  HANDLE process_;
  FILETIME created_{};
  bool valid_ = false;
};

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
  options.skipStartupBox = false;
  vellaro::wine::Player player;
  if (!player.start(argv[2], options)) return 1;
  SinceCreation clock(player.processId());
  DWORD start = GetTickCount();
  auto remainingMs = [&] { return GetTickCount() - start >= kLimitMs ? 0 : kLimitMs - (GetTickCount() - start); };
  vellaro::wine::Box box;
  while (player.waitForBox(box, remainingMs())) {
    unsigned long long seen = clock.ms();
    player.answer(box, IDOK);
    if (box.text == vellaro::wine::kMidiInStartupBox) {
      std::printf("box %llu %llu\n", seen, clock.ms());
    } else {
      std::printf("other box: %s\n", box.text.c_str());
    }
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
