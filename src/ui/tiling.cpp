#include "ui/tiling.h"

#include <algorithm>

namespace vellaro {
namespace {

// The start of the tile that holds position, for position >= 0 and for negative positions.
int tileStart(int position, int size) {
  int remainder = position % size;
  if (remainder < 0) remainder += size;
  return position - remainder;
}

int positiveModulo(int value, int size) {
  int remainder = value % size;
  return remainder < 0 ? remainder + size : remainder;
}

}  // namespace

std::vector<TileCopy> tileCopies(const TileSource& tile, int screenWidth, int screenHeight) {
  std::vector<TileCopy> copies;
  if (tile.width <= 0 || tile.height <= 0) return copies;  // an empty tile would never advance
  for (int x = 0; x < screenWidth; x += tile.width) {
    for (int y = 0; y < screenHeight; y += tile.height) {
      copies.push_back(TileCopy{x, y, tile.width, tile.height, tile.originX, tile.originY});
    }
  }
  return copies;
}

std::vector<TileCopy> tileCopiesForRect(const TileSource& tile, int x, int y, int width, int height) {
  std::vector<TileCopy> copies;
  if (tile.width <= 0 || tile.height <= 0 || width <= 0 || height <= 0) return copies;
  for (int ty = tileStart(y, tile.height); ty < y + height; ty += tile.height) {
    int bandTop = std::max(ty, y);
    int bandBottom = std::min(ty + tile.height, y + height);
    for (int tx = tileStart(x, tile.width); tx < x + width; tx += tile.width) {
      int spanLeft = std::max(tx, x);
      int spanRight = std::min(tx + tile.width, x + width);
      copies.push_back(TileCopy{spanLeft, bandTop, spanRight - spanLeft, bandBottom - bandTop,
                                positiveModulo(spanLeft, tile.width) + tile.originX,
                                positiveModulo(bandTop, tile.height) + tile.originY});
    }
  }
  return copies;
}

}  // namespace vellaro
