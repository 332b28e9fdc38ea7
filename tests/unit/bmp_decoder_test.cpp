// decodeBmp: every form an image editor saves gives the same 24-bit bottom-up pixels, and headers
// that lie give a black remainder or a reason, never a read outside the file.
#include <gtest/gtest.h>

#include "bmp_files.h"
#include "image/bmp_decoder.h"

namespace vellaro {
namespace {

using testing_bmp::BmpForm;
using testing_bmp::Picture;

constexpr Rgb M{255, 0, 255}, K{0, 0, 0}, W{255, 255, 255}, G{0, 255, 0}, B{0, 0, 255};

// Colours whose components are 0 or 255 survive the 16-bit form exactly.
const Picture kPicture = {{M, M, K, W, G}, {B, M, M, K, W}, {G, G, G, M, B}};
const Picture kTwoColours = {{M, M, G, G, M}, {G, M, M, G, G}, {M, G, G, M, M}};

std::vector<uint8_t> expectedPixels(const Picture& picture) {
  size_t rowBytes = (picture[0].size() * 3 + 3) / 4 * 4;
  std::vector<uint8_t> pixels(rowBytes * picture.size(), 0);
  for (size_t r = 0; r < picture.size(); ++r) {
    const auto& row = picture[picture.size() - 1 - r];
    for (size_t x = 0; x < row.size(); ++x) {
      pixels[r * rowBytes + 3 * x] = row[x].blue;
      pixels[r * rowBytes + 3 * x + 1] = row[x].green;
      pixels[r * rowBytes + 3 * x + 2] = row[x].red;
    }
  }
  return pixels;
}

class BmpForms : public ::testing::TestWithParam<testing_bmp::BmpFormInfo> {};

TEST_P(BmpForms, DecodeToTheSameBottomUpPixels) {
  const Picture& picture = GetParam().form == BmpForm::OneBit ? kTwoColours : kPicture;
  std::vector<uint8_t> file = testing_bmp::makeBmp(picture, GetParam().form);
  BmpDecodeResult result = decodeBmp(file.data(), file.size());
  ASSERT_EQ(result.status, BmpStatus::Ok) << result.problem;
  EXPECT_EQ(result.picture.width, 5);
  EXPECT_EQ(result.picture.height, 3);
  EXPECT_EQ(result.picture.rowBytes, 16);
  EXPECT_EQ(result.picture.pixels, expectedPixels(picture));
}

INSTANTIATE_TEST_SUITE_P(Table, BmpForms, ::testing::ValuesIn(testing_bmp::allBmpForms()));

void put32(std::vector<uint8_t>& file, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) file[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

struct LyingCase {
  const char* what;
  BmpForm form;
  std::vector<uint8_t> (*change)(std::vector<uint8_t>);
  BmpStatus status;
  std::string problem;
  Picture shown;  // for Ok: what the picture shows
};

class BmpLyingHeaders : public ::testing::TestWithParam<LyingCase> {};

TEST_P(BmpLyingHeaders, AreReadInsideTheFile) {
  const LyingCase& c = GetParam();
  std::vector<uint8_t> file = c.change(testing_bmp::makeBmp(kPicture, c.form));
  BmpDecodeResult result = decodeBmp(file.data(), file.size());
  EXPECT_EQ(result.status, c.status);
  EXPECT_EQ(result.problem, c.problem);
  if (c.status == BmpStatus::Ok) {
    EXPECT_EQ(result.picture.pixels, expectedPixels(c.shown));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, BmpLyingHeaders,
    ::testing::Values(
        LyingCase{"not a BMP", BmpForm::Rgb24, [](std::vector<uint8_t> f) { return f[0] = 'X', f; }, BmpStatus::NotBmp, "", {}},
        LyingCase{"too short for the headers", BmpForm::Rgb24, [](std::vector<uint8_t> f) { return f.resize(20), f; },
                  BmpStatus::NotBmp, "", {}},
        LyingCase{"a 40-byte header cut short", BmpForm::Rgb24, [](std::vector<uint8_t> f) { return f.resize(40), f; },
                  BmpStatus::Unsupported, "a header of 40 bytes", {}},
        LyingCase{"a huge width", BmpForm::Rgb24, [](std::vector<uint8_t> f) { return put32(f, 18, 0x7FFFFFFF), f; },
                  BmpStatus::Unsupported, "a picture of 2147483647 x 3 pixels", {}},
        LyingCase{"a height of minus 2^31", BmpForm::Rgb24, [](std::vector<uint8_t> f) { return put32(f, 22, 0x80000000), f; },
                  BmpStatus::Unsupported, "a picture of 5 x 2147483648 pixels", {}},
        LyingCase{"JPEG inside", BmpForm::Rgb24, [](std::vector<uint8_t> f) { return put32(f, 30, 4), f; },
                  BmpStatus::Unsupported, "24-bit pixels with compression 4", {}},
        LyingCase{"top-down RLE", BmpForm::Rle8, [](std::vector<uint8_t> f) { return put32(f, 22, static_cast<uint32_t>(-3)), f; },
                  BmpStatus::Unsupported, "top-down rows with run-length coding", {}},
        LyingCase{"pixel rows cut off: the top row stays black", BmpForm::Rgb24,
                  [](std::vector<uint8_t> f) { return f.resize(f.size() - 16), f; }, BmpStatus::Ok, "",
                  {{K, K, K, K, K}, {B, M, M, K, W}, {G, G, G, M, B}}},
        LyingCase{"pixel offset past the end: the pixels follow the palette", BmpForm::EightBit,
                  [](std::vector<uint8_t> f) { return put32(f, 10, 0xFFFFFFF0), f; }, BmpStatus::Ok, "", kPicture},
        LyingCase{"palette smaller than the indices: black", BmpForm::EightBit,
                  [](std::vector<uint8_t> f) {
                    // Five colours in the file, the header says two; the pixel offset still points at the pixels.
                    return put32(f, 46, 2), f;
                  },
                  BmpStatus::Ok, "", {{M, M, K, K, K}, {K, M, M, K, K}, {K, K, K, M, K}}},
        LyingCase{"RLE moving past the picture", BmpForm::Rle8,
                  [](std::vector<uint8_t> f) {
                    std::vector<uint8_t> rle = {0, 2, 200, 200, 3, 0, 0, 0, 0, 1};  // delta far away, then a run
                    f.resize(f[10] | f[11] << 8);
                    f.insert(f.end(), rle.begin(), rle.end());
                    return f;
                  },
                  BmpStatus::Ok, "", {{K, K, K, K, K}, {K, K, K, K, K}, {K, K, K, K, K}}}));

}  // namespace
}  // namespace vellaro
