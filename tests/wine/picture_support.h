// Support for the screen and picture Wine tests: BMP files made on the spot, and a player run
// that is looked at while its scenario pauses, then ended by closing its main window.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "harness.h"

namespace vellaro::wine {

// The bytes of a 24-bit bottom-up BMP file of width x height; colourAt(x, y) counts y from the top.
std::string bmpFile(int width, int height, const std::function<Rgb(int x, int y)>& colourAt);
std::string solidBmp(int width, int height, Rgb colour);

constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kGreen{0, 255, 0};
constexpr Rgb kBlue{0, 0, 255};
constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kMagenta{255, 0, 255};
constexpr Rgb kYellow{255, 255, 0};

// A pixel the test expects at a screen position.
struct Spot {
  int x;
  int y;
  Rgb colour;
};

// Runs the scenario lines followed by a long pause in a loop. The pause dispatches the windows'
// messages, so they paint and can be dragged while the test looks; closing the main window ends
// the run.
class PausedPlayer {
 public:
  PausedPlayer(const TestFolder& folder, const std::vector<std::string>& lines);
  ~PausedPlayer();

  HWND mainWindow() const { return mainWindow_; }
  // True once every spot shows its colour (polled until timeoutMs); on failure the last
  // screenshot's wrong pixels are reported.
  bool shows(const std::vector<Spot>& spots, DWORD timeoutMs = 10000);
  // Closes the main window and expects the run to end without a message box.
  void close();

 private:
  Player player_;
  HWND mainWindow_ = nullptr;
  bool closed_ = false;
};

}  // namespace vellaro::wine
