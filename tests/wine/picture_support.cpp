#include "picture_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>

namespace vellaro::wine {
namespace {

void putLittleEndian(std::string& bytes, uint32_t value, int count) {
  for (int i = 0; i < count; ++i) bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

}  // namespace

std::string bmpFile(int width, int height, const std::function<Rgb(int x, int y)>& colourAt) {
  uint32_t rowBytes = static_cast<uint32_t>(width * 3 + 3) / 4 * 4;
  uint32_t pixelBytes = rowBytes * static_cast<uint32_t>(height);
  std::string bytes = "BM";
  putLittleEndian(bytes, 54 + pixelBytes, 4);
  putLittleEndian(bytes, 0, 4);
  putLittleEndian(bytes, 54, 4);
  putLittleEndian(bytes, 40, 4);
  putLittleEndian(bytes, static_cast<uint32_t>(width), 4);
  putLittleEndian(bytes, static_cast<uint32_t>(height), 4);
  putLittleEndian(bytes, 1, 2);   // planes
  putLittleEndian(bytes, 24, 2);  // bits per pixel
  putLittleEndian(bytes, 0, 4);   // BI_RGB
  putLittleEndian(bytes, pixelBytes, 4);
  putLittleEndian(bytes, 2835, 4);
  putLittleEndian(bytes, 2835, 4);
  putLittleEndian(bytes, 0, 4);
  putLittleEndian(bytes, 0, 4);
  for (int storedRow = 0; storedRow < height; ++storedRow) {
    int y = height - 1 - storedRow;  // the first stored row is the bottom one
    std::string row;
    for (int x = 0; x < width; ++x) {
      Rgb colour = colourAt(x, y);
      row += static_cast<char>(colour.b);
      row += static_cast<char>(colour.g);
      row += static_cast<char>(colour.r);
    }
    row.resize(rowBytes, '\0');
    bytes += row;
  }
  return bytes;
}

std::string solidBmp(int width, int height, Rgb colour) {
  return bmpFile(width, height, [colour](int, int) { return colour; });
}

PausedPlayer::PausedPlayer(const TestFolder& folder, const std::vector<std::string>& lines) {
  std::vector<std::string> scenario = lines;
  // A click on a named picture ends a pause, so the pause runs in a loop that only closing ends.
  scenario.push_back(":paused");
  scenario.push_back("pause 60000 ms");
  scenario.push_back("goto :paused");
  folder.writeScenario("index.scn", scenario);
  if (!player_.start(folder.path())) return;
  mainWindow_ = player_.waitForWindow("Vellaro", 10000);
  EXPECT_NE(mainWindow_, nullptr) << "the main window titled Vellaro did not appear";
}

PausedPlayer::~PausedPlayer() {
  if (!closed_) close();
}

bool PausedPlayer::shows(const std::vector<Spot>& spots, DWORD timeoutMs) {
  Screenshot last;
  auto allMatch = [&] {
    last = screenshot();
    for (const Spot& spot : spots) {
      if (last.pixel(spot.x, spot.y) != spot.colour) return false;
    }
    return true;
  };
  if (waitUntil(allMatch, timeoutMs)) return true;
  std::ostringstream wrong;
  for (const Spot& spot : spots) {
    Rgb seen = last.pixel(spot.x, spot.y);
    if (seen != spot.colour) wrong << " (" << spot.x << ", " << spot.y << ") is " << seen << " not " << spot.colour;
  }
  ADD_FAILURE() << "the screen does not show the expected pixels:" << wrong.str();
  return false;
}

void PausedPlayer::close() {
  closed_ = true;
  if (mainWindow_) PostMessageA(mainWindow_, WM_CLOSE, 0, 0);
  DWORD exitCode = 1;
  EXPECT_TRUE(player_.waitForExit(10000, &exitCode)) << "closing the main window did not end the pause";
  EXPECT_EQ(exitCode, 0u);
  Box box;
  EXPECT_FALSE(player_.waitForBox(box, 0)) << "unexpected box: " << box.text;
}

}  // namespace vellaro::wine
