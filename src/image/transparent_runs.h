// The run scanning behind transparent-colour window shapes, apart from any region calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/types.h"

namespace vellaro {

// A horizontal run of transparent pixels in picture coordinates: x to xEnd (exclusive) of row y.
struct PixelRun {
  int x;
  int xEnd;
  int y;
  bool operator==(const PixelRun& other) const {
    return x == other.x && xEnd == other.xEnd && y == other.y;
  }
};

// Every maximal run of pixels equal to colour (exactly, no tolerance) in a bottom-up 24-bit pixel
// buffer: pixels are blue, green, red; stored row r is picture row height - 1 - r; each stored row
// is rowBytes long. Runs come in stored-row order, left to right within a row.
std::vector<PixelRun> transparentRuns(const uint8_t* pixels, int width, int height, int rowBytes, Rgb colour);

}  // namespace vellaro
