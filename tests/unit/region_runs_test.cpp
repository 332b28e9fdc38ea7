// transparentRuns: the run scanning behind regionFromColour.
#include <gtest/gtest.h>

#include <string>

#include "image/transparent_runs.h"

namespace vellaro {
namespace {

constexpr Rgb kMagenta{255, 0, 255};

// A bottom-up 24-bit buffer from rows drawn top row first: 'T' is magenta, 'o' is black,
// 'r' is magenta with red one unit less, 'g' green one more, 'b' blue one less.
std::vector<uint8_t> pixelsFromPicture(const std::vector<std::string>& rowsTopFirst, int* rowBytes) {
  int width = static_cast<int>(rowsTopFirst.at(0).size());
  *rowBytes = (width * 3 + 3) / 4 * 4;
  std::vector<uint8_t> pixels(static_cast<size_t>(*rowBytes) * rowsTopFirst.size(), 0xEE);  // padding
  for (size_t r = 0; r < rowsTopFirst.size(); ++r) {
    const std::string& row = rowsTopFirst[rowsTopFirst.size() - 1 - r];  // stored rows start at the bottom
    for (int x = 0; x < width; ++x) {
      uint8_t* pixel = &pixels[r * static_cast<size_t>(*rowBytes) + static_cast<size_t>(3 * x)];
      Rgb colour{0, 0, 0};
      switch (row[static_cast<size_t>(x)]) {
        case 'T': colour = kMagenta; break;
        case 'r': colour = Rgb{254, 0, 255}; break;
        case 'g': colour = Rgb{255, 1, 255}; break;
        case 'b': colour = Rgb{255, 0, 254}; break;
        default: break;
      }
      pixel[0] = colour.blue;
      pixel[1] = colour.green;
      pixel[2] = colour.red;
    }
  }
  return pixels;
}

struct RunsCase {
  const char* what;
  std::vector<std::string> picture;
  std::vector<PixelRun> runs;
};

class TransparentRunsTest : public ::testing::TestWithParam<RunsCase> {};

TEST_P(TransparentRunsTest, FindsEveryRunOfTheColour) {
  int rowBytes = 0;
  std::vector<uint8_t> pixels = pixelsFromPicture(GetParam().picture, &rowBytes);
  int width = static_cast<int>(GetParam().picture[0].size());
  int height = static_cast<int>(GetParam().picture.size());
  EXPECT_EQ(transparentRuns(pixels.data(), width, height, rowBytes, kMagenta), GetParam().runs);
}

INSTANTIATE_TEST_SUITE_P(
    Table, TransparentRunsTest,
    ::testing::Values(
        RunsCase{"no transparent pixel keeps the whole shape", {"ooo", "ooo"}, {}},
        RunsCase{"left half transparent", {"TToo", "TToo"}, {{0, 2, 1}, {0, 2, 0}}},
        RunsCase{"all transparent: one run per row", {"TTTTT", "TTTTT", "TTTTT"},
                 {{0, 5, 2}, {0, 5, 1}, {0, 5, 0}}},
        RunsCase{"one unit off in any component is opaque", {"TrTgTbT"},
                 {{0, 1, 0}, {2, 3, 0}, {4, 5, 0}, {6, 7, 0}}},
        RunsCase{"the first stored row is the bottom row", {"ooo", "ooo", "Too"}, {{0, 1, 2}}},
        RunsCase{"runs end at the right edge and padding is not read", {"oTT", "ToT"}, {{0, 1, 1}, {2, 3, 1}, {1, 3, 0}}},
        RunsCase{"dithered rows give many runs", {"ToToT"}, {{0, 1, 0}, {2, 3, 0}, {4, 5, 0}}}),
    [](const ::testing::TestParamInfo<RunsCase>& info) { return "case" + std::to_string(info.index); });

TEST(TransparentRunsEdgeTest, AnEmptyPictureHasNoRuns) {
  uint8_t pixel[4] = {};
  EXPECT_TRUE(transparentRuns(pixel, 0, 0, 0, kMagenta).empty());
}

}  // namespace
}  // namespace vellaro
