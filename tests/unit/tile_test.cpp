// tileCopies and tileCopiesForRect: the tile arithmetic of fillBackground and fillBackgroundRect.
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

}  // namespace
}  // namespace vellaro
