// Test harness that runs the real vellaro.exe the way a learner meets it: in a folder of its
// own, answering its message boxes, clicking, typing and looking at the screen.
//
// The test program lies next to vellaro.exe and finds it through its own path. Each test gets a
// fresh TestFolder, writes its scenario and files into it, starts a Player there and either lets
// runPlayer() answer every message box, or drives the player step by step.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <deque>
#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

namespace vellaro::wine {

// A fresh, empty folder under the temporary folder, removed again at the end of the test unless
// the test failed (then its path is printed, so that its files can be looked at).
class TestFolder {
 public:
  TestFolder();
  ~TestFolder();
  TestFolder(const TestFolder&) = delete;
  TestFolder& operator=(const TestFolder&) = delete;

  // Full Windows path without a trailing backslash.
  const std::string& path() const { return path_; }
  // path() + "\" + relative.
  std::string pathOf(const std::string& relative) const;

  // Writes the lines joined with CR LF. By default the last line ends with CR LF as well, as a
  // scenario saved by an editor does (the player then reads one more, empty line).
  void writeScenario(const std::string& relative, const std::vector<std::string>& lines,
                     bool finalLineEnd = true) const;
  // Writes exactly these bytes; missing parent folders are made.
  void writeFile(const std::string& relative, const std::string& bytes) const;
  void makeFolder(const std::string& relative) const;
  bool exists(const std::string& relative) const;
  // The file's bytes, or "" when it cannot be read.
  std::string readFile(const std::string& relative) const;

 private:
  std::string path_;
};

// The full path of vellaro.exe: the folder of this test program plus "vellaro.exe".
std::string playerPath();

// A message box seen on screen: its window, caption and text, in the order they appeared.
struct Box {
  HWND window = nullptr;
  std::string caption;
  std::string text;
};

// What a whole run of the player produced.
struct RunResult {
  std::vector<Box> boxes;
  DWORD exitCode = 0;
  bool timedOut = false;  // the player was still running at the time limit and was killed

  std::vector<std::string> texts() const;  // the boxes' texts, in order
};

using Texts = std::vector<std::string>;

// The player ended by itself, with exit code 0.
inline void expectCleanExit(const RunResult& run) {
  EXPECT_FALSE(run.timedOut);
  EXPECT_EQ(run.exitCode, 0u);
}

// The MIDI input's state on this machine as the player gives it, where no box shows it: the line a
// debug log begins with each time it comes on, and the debug menu's MIDI entry.
std::string midiInputState();

struct PlayerOptions {
  // Full path of the player to start; "" for the vellaro.exe next to this test program.
  std::string program;
  // Text after the program name on the command line (the scenario path), or "" for none.
  std::string arguments;
  // Variables added to (or replacing those of) this program's environment for the player. They
  // reach its Windows environment; under Wine its Unix side (ALSA, X) keeps the Unix environment
  // that wine-env.sh gave the test program.
  std::vector<std::pair<std::string, std::string>> environment;
};

// One run of vellaro.exe in a test folder. Every wait has a time limit. A player that is still
// running when the object is destroyed is killed and the test fails.
class Player {
 public:
  Player() = default;
  ~Player();
  Player(const Player&) = delete;
  Player& operator=(const Player&) = delete;

  // Starts vellaro.exe with `folder` as its current directory. False (and a test failure) when
  // the process could not be created.
  bool start(const std::string& folder, const PlayerOptions& options = {});
  bool running() const;
  DWORD processId() const { return processId_; }

  // Waits up to timeoutMs for a message box of the player that has not been returned before.
  // Returns false (and no failure) when none appeared in time or the player exited.
  bool waitForBox(Box& box, DWORD timeoutMs);
  // Presses the box's button `id` (IDOK, IDCANCEL) and waits until the box has closed.
  bool answer(const Box& box, int id);

  // Waits for the player to exit; true with its exit code when it did.
  bool waitForExit(DWORD timeoutMs, DWORD* exitCode = nullptr);
  void kill();

  // A visible top-level window of the player with exactly this title, or null.
  HWND findWindow(const std::string& title) const;
  // findWindow once it finds the window and the window's thread takes messages (within timeoutMs).
  HWND waitForWindow(const std::string& title, DWORD timeoutMs) const;
  // All visible top-level windows of the player, in z-order.
  std::vector<HWND> windows() const;

 private:
  HANDLE process_ = nullptr;
  HANDLE job_ = nullptr;
  DWORD processId_ = 0;
  std::vector<HWND> seenBoxes_;  // boxes already returned by waitForBox that still exist
  void closeHandles();
};

// Answers for runPlayer: a queue of button ids taken one per box; once empty, every further box
// is answered with `otherwise`.
struct Answers {
  std::deque<int> queue;
  int otherwise = IDOK;
};

// Starts the player in `folder`, records and answers every message box until it exits, and
// returns what happened. A player that does not exit within timeoutMs is killed and the test
// fails.
RunResult runPlayer(const std::string& folder, const Answers& answers = {},
                    DWORD timeoutMs = 10000, const PlayerOptions& options = {});

// --- The learner's hands: input reaches the window under the pointer or with the focus. ---
void mouseMove(int x, int y);
void mouseDown(int x, int y);
void mouseUp(int x, int y);
void clickAt(int x, int y);
void pressKey(WORD virtualKey);
void releaseKey(WORD virtualKey);
void tapKey(WORD virtualKey);  // press and release
// Centre of a window on the screen.
POINT windowCentre(HWND window);

// --- The learner's eyes ---
struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
  bool operator!=(const Rgb& o) const { return !(*this == o); }
};
std::ostream& operator<<(std::ostream& out, const Rgb& c);

// A copy of the whole screen, taken at one moment.
class Screenshot {
 public:
  int width() const { return width_; }
  int height() const { return height_; }
  // Colour at (x, y); black outside the screen.
  Rgb pixel(int x, int y) const;
  // Writes a 24-bit BMP file (bottom-up rows, as BMP files are).
  bool saveBmp(const std::string& path) const;

 private:
  friend Screenshot screenshot();
  int width_ = 0;
  int height_ = 0;
  std::vector<uint32_t> pixels_;  // top-down rows of 0x00RRGGBB
};
Screenshot screenshot();

// Sleeps in small steps until `condition` holds or timeoutMs passed; returns the last result.
template <typename Condition>
bool waitUntil(Condition condition, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    if (condition()) return true;
    if (GetTickCount() - start >= timeoutMs) return condition();
    Sleep(10);
  }
}

}  // namespace vellaro::wine
