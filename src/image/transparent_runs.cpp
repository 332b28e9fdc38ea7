#include "image/transparent_runs.h"

namespace vellaro {
namespace {

bool isColour(const uint8_t* pixel, Rgb colour) {
  return pixel[0] == colour.blue && pixel[1] == colour.green && pixel[2] == colour.red;
}

}  // namespace

std::vector<PixelRun> transparentRuns(const uint8_t* pixels, int width, int height, int rowBytes, Rgb colour) {
  std::vector<PixelRun> runs;
  for (int storedRow = 0; storedRow < height; ++storedRow) {
    const uint8_t* row = pixels + static_cast<size_t>(storedRow) * static_cast<size_t>(rowBytes);
    int y = height - 1 - storedRow;
    int x = 0;
    while (x < width) {
      int end = x;
      while (end < width && isColour(row + 3 * end, colour)) ++end;
      if (end > x) runs.push_back(PixelRun{x, end, y});
      x = end + 1;  // the pixel at end, when there is one, is opaque
    }
  }
  return runs;
}

}  // namespace vellaro
