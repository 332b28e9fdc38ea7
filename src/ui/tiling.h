// The tile arithmetic of background filling, apart from any drawing calls (no windows.h here).
#pragma once

#include <vector>

namespace vellaro {

// One BitBlt of a tile piece: destination position and size, source position inside the tile.
struct TileCopy {
  int x;
  int y;
  int width;
  int height;
  int sourceX;
  int sourceY;
  bool operator==(const TileCopy& other) const {
    return x == other.x && y == other.y && width == other.width && height == other.height &&
           sourceX == other.sourceX && sourceY == other.sourceY;
  }
};

struct TileSource {
  int width;    // of the tile
  int height;
  int originX;  // where the tile starts in the source surface
  int originY;
};

// Whole tiles from (0, 0) over a screenWidth x screenHeight surface, columns as the outer loop.
std::vector<TileCopy> tileCopies(const TileSource& tile, int screenWidth, int screenHeight);

// The same surface as tileCopies leaves, in a few copies however small the tile: `fromTile` puts
// the tile once at (0, 0); each of `fromSurface`, in order, copies the part already filled onto
// the surface itself (source positions inside the surface), doubling the filled width up to
// screenWidth, then the filled height up to screenHeight. A 2 x 2 tile on a 1024 x 768 screen
// takes 19 copies instead of 196 608.
struct DoublingFill {
  std::vector<TileCopy> fromTile;  // none for an empty tile, else one
  std::vector<TileCopy> fromSurface;
};
DoublingFill tileCopiesByDoubling(const TileSource& tile, int screenWidth, int screenHeight);

// The pieces that re-tile exactly the rectangle (x, y, width, height), the tile grid staying
// anchored at (0, 0): rows of tiles as the outer loop, left to right inside a row.
std::vector<TileCopy> tileCopiesForRect(const TileSource& tile, int x, int y, int width, int height);

}  // namespace vellaro
