// tileCopies, tileCopiesByDoubling and tileCopiesForRect: the tile arithmetic of fillBackground and
// fillBackgroundRect.
#include <gtest/gtest.h>

#include "ui/tiling.h"

namespace vellaro {
namespace {

using Copies = std::vector<TileCopy>;

TEST(TileCopiesTest, A100By80TileCovers1024By768WithElevenColumnsOfTenRows) {
  Copies copies = tileCopies(TileSource{100, 80, 0, 0}, 1024, 768);
  ASSERT_EQ(copies.size(), 110u);
  EXPECT_EQ(copies[0], (TileCopy{0, 0, 100, 80, 0, 0}));
  EXPECT_EQ(copies[1], (TileCopy{0, 80, 100, 80, 0, 0}));    // columns are the outer loop
  EXPECT_EQ(copies[10], (TileCopy{100, 0, 100, 80, 0, 0}));
  EXPECT_EQ(copies[109], (TileCopy{1000, 720, 100, 80, 0, 0}));  // cut at the edge by the copy itself
}

TEST(TileCopiesTest, ASeeThroughTileStartsAtTheWindowOffsetInsideTheParent) {
  Copies copies = tileCopies(TileSource{1024, 768, 200, 100}, 1024, 768);
  EXPECT_EQ(copies, (Copies{{0, 0, 1024, 768, 200, 100}}));
}

TEST(TileCopiesTest, AnEmptyTileGivesNoCopies) {
  EXPECT_TRUE(tileCopies(TileSource{0, 80, 0, 0}, 1024, 768).empty());
  EXPECT_TRUE(tileCopies(TileSource{100, 0, 0, 0}, 1024, 768).empty());
}

struct RectCase {
  const char* what;
  TileSource tile;
  int x, y, width, height;
  Copies copies;
};

class TileRectTest : public ::testing::TestWithParam<RectCase> {};

TEST_P(TileRectTest, RetilesExactlyTheRectangle) {
  const RectCase& c = GetParam();
  EXPECT_EQ(tileCopiesForRect(c.tile, c.x, c.y, c.width, c.height), c.copies) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Table, TileRectTest,
    ::testing::Values(
        RectCase{"four pieces across a tile corner",
                 {100, 80, 0, 0}, 150, 50, 100, 100,
                 {{150, 50, 50, 30, 50, 50}, {200, 50, 50, 30, 0, 50}, {150, 80, 50, 70, 50, 0}, {200, 80, 50, 70, 0, 0}}},
        RectCase{"inside one tile", {100, 80, 0, 0}, 110, 90, 20, 10, {{110, 90, 20, 10, 10, 10}}},
        RectCase{"exactly one tile", {100, 80, 0, 0}, 100, 80, 100, 80, {{100, 80, 100, 80, 0, 0}}},
        RectCase{"the source origin is added", {1024, 768, 200, 100}, 10, 20, 30, 40, {{10, 20, 30, 40, 210, 120}}},
        RectCase{"an empty rectangle", {100, 80, 0, 0}, 10, 10, 0, 0, {}},
        RectCase{"a rectangle left of the surface keeps the grid", {100, 80, 0, 0}, -30, 0, 50, 10,
                 {{-30, 0, 30, 10, 70, 0}, {0, 0, 20, 10, 0, 0}}}));

// A surface of cells and copies clipped to it as BitBlt clips them; each source cell holds a
// value of its own, so a copy from the wrong place shows.
class Surface {
 public:
  Surface(int width, int height) : width_(width), height_(height), cells_(size_t(width) * height, -1) {}

  static int sourceCell(int x, int y) { return x * 1000 + y; }

  void copyFromSource(const TileCopy& copy) {
    apply(copy, [&](int x, int y) { return sourceCell(x, y); });
  }
  void copyFromItself(const TileCopy& copy) {
    std::vector<int> before = cells_;  // the pieces never overlap; reading the old cells proves it
    apply(copy, [&](int x, int y) { return inside(x, y) ? before[index(x, y)] : -2; });
  }
  bool operator==(const Surface& other) const { return cells_ == other.cells_; }

 private:
  template <typename Read>
  void apply(const TileCopy& copy, Read read) {
    for (int dy = 0; dy < copy.height; ++dy) {
      for (int dx = 0; dx < copy.width; ++dx) {
        int x = copy.x + dx;
        int y = copy.y + dy;
        if (inside(x, y)) cells_[index(x, y)] = read(copy.sourceX + dx, copy.sourceY + dy);
      }
    }
  }
  bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
  size_t index(int x, int y) const { return size_t(y) * width_ + x; }

  int width_;
  int height_;
  std::vector<int> cells_;
};

struct DoublingCase {
  const char* what;
  TileSource tile;
  int screenWidth, screenHeight;
  size_t surfaceCopies;
};

class TileDoublingTest : public ::testing::TestWithParam<DoublingCase> {};

TEST_P(TileDoublingTest, LeavesTheSurfaceThePlainTilingLeaves) {
  const DoublingCase& c = GetParam();
  Surface plain(c.screenWidth, c.screenHeight);
  for (const TileCopy& copy : tileCopies(c.tile, c.screenWidth, c.screenHeight)) plain.copyFromSource(copy);
  Surface doubled(c.screenWidth, c.screenHeight);
  DoublingFill fill = tileCopiesByDoubling(c.tile, c.screenWidth, c.screenHeight);
  for (const TileCopy& copy : fill.fromTile) doubled.copyFromSource(copy);
  for (const TileCopy& copy : fill.fromSurface) doubled.copyFromItself(copy);
  EXPECT_TRUE(plain == doubled) << c.what;
  EXPECT_EQ(fill.fromSurface.size(), c.surfaceCopies) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Table, TileDoublingTest,
    ::testing::Values(DoublingCase{"the white 2 x 2 tile of a new main window", {2, 2, 0, 0}, 64, 48, 10},
                      DoublingCase{"a tile that does not divide the screen", {5, 3, 0, 0}, 37, 23, 6},
                      DoublingCase{"a one-pixel tile", {1, 1, 0, 0}, 20, 9, 9},
                      DoublingCase{"a tile of the screen's size", {37, 23, 0, 0}, 37, 23, 0},
                      DoublingCase{"a tile larger than the screen", {50, 40, 0, 0}, 37, 23, 0},
                      DoublingCase{"a tile as high as the screen", {7, 23, 0, 0}, 37, 23, 3},
                      DoublingCase{"a source origin inside the source", {6, 4, 3, 2}, 40, 30, 6},
                      DoublingCase{"an empty tile", {0, 4, 0, 0}, 40, 30, 0}));

}  // namespace
}  // namespace vellaro
