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

DoublingFill tileCopiesByDoubling(const TileSource& tile, int screenWidth, int screenHeight) {
  DoublingFill fill;
  if (tile.width <= 0 || tile.height <= 0) return fill;
  fill.fromTile.push_back(TileCopy{0, 0, tile.width, tile.height, tile.originX, tile.originY});
  // The filled part stays a whole number of tiles wide and high, so the copies keep the grid.
  int filledHeight = std::min(tile.height, screenHeight);
  for (int filled = tile.width; filled < screenWidth; filled *= 2) {
    fill.fromSurface.push_back(TileCopy{filled, 0, std::min(filled, screenWidth - filled), filledHeight, 0, 0});
  }
  for (int filled = tile.height; filled < screenHeight; filled *= 2) {
    fill.fromSurface.push_back(TileCopy{0, filled, screenWidth, std::min(filled, screenHeight - filled), 0, 0});
  }
  return fill;
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
