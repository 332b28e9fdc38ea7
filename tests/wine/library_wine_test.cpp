// Pictures as the player shows them: BMP files in every form an image editor saves, each with a
// transparent colour on the real screen, and pictures taken from an image library with the
// fallback to a plain file, loaded in this program's own process.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "bmp_files.h"
#include "harness.h"
#include "recording_host.h"
#include "image/image_library.h"
#include "image/win32_picture_loader.h"
#include "picture_support.h"
#include "script/host.h"

namespace vellaro::wine {
namespace {

using ProductRgb = ::vellaro::Rgb;
using testing_bmp::BmpForm;

constexpr ProductRgb kCut{255, 0, 255};
constexpr ProductRgb kShown{255, 255, 0};
constexpr int kWidth = 40;
constexpr int kHeight = 24;

// Two colours, so that even the 1-bit form holds it: the left part is cut out, and a hole in the
// upper right part tells top from bottom.
testing_bmp::Picture twoColourPicture() {
  testing_bmp::Picture picture(kHeight, std::vector<ProductRgb>(kWidth, kShown));
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      bool hole = x >= 28 && x < 32 && y >= 2 && y < 8;
      if (x < 16 || hole) picture[y][x] = kCut;
    }
  }
  return picture;
}

std::string asText(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

TEST(BmpFormsWine, EveryFormShowsItsPixelsWithTheBackgroundThroughTheTransparentColour) {
  TestFolder folder;
  std::vector<std::string> lines = {"clear *0000FF"};
  const auto& forms = testing_bmp::allBmpForms();
  for (size_t i = 0; i < forms.size(); ++i) {
    std::string file = std::string(forms[i].name) + ".bmp";
    folder.writeFile(file, asText(testing_bmp::makeBmp(twoColourPicture(), forms[i].form)));
    lines.push_back("show " + std::to_string(40 + 60 * i) + " 100 " + file + " " + forms[i].name + " FF00FF");
  }
  PausedPlayer player(folder, lines);
  for (size_t i = 0; i < forms.size(); ++i) {
    int x = 40 + 60 * static_cast<int>(i), y = 100;
    SCOPED_TRACE(forms[i].name);
    EXPECT_TRUE(player.shows({{x + 5, y + 5, kBlue},     // cut out: the background
                              {x + 20, y + 3, kYellow},  // drawn
                              {x + 29, y + 4, kBlue},    // the hole near the top
                              {x + 29, y + 19, kYellow}, // where a picture upside down would have it
                              {x + 39, y + 23, kYellow}}));
  }
  player.close();
}

class QuietCoderHost : public CoderHost {
 public:
  void showMessage(const std::string&) override {}
  bool replaceFile(const std::string& from, const std::string& to) override {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
  }
};

// Library paths are relative to the current directory, as the widgets name them.
class LibraryPictureWine : public ::testing::Test {
 protected:
  void SetUp() override {
    GetCurrentDirectoryA(MAX_PATH, previous_);
    SetCurrentDirectoryA(folder.path().c_str());
    ASSERT_TRUE(createLibrary("pics.sli"));
  }
  void TearDown() override { SetCurrentDirectoryA(previous_); }
  void addEntry(const std::string& group, const std::string& file, const std::vector<uint8_t>& bmp) {
    QuietCoderHost coder;
    ASSERT_TRUE(addLibraryEntry("pics.sli", group, file, bmp.data(), bmp.size(), coder));
  }
  // The colour of picture pixel (x, y from the top) of a bottom-up 24-bit DIB section.
  static ProductRgb pixelOf(HBITMAP picture, int x, int y) {
    BITMAP info{};
    GetObjectA(picture, sizeof info, &info);
    const uint8_t* p = static_cast<const uint8_t*>(info.bmBits) + (info.bmHeight - 1 - y) * info.bmWidthBytes + 3 * x;
    return ProductRgb{p[2], p[1], p[0]};
  }

  TestFolder folder;
  RecordingHost host;

 private:
  char previous_[MAX_PATH] = "";
};

TEST_F(LibraryPictureWine, AnEntryIsUnpackedWithItsPixelsAndTheFallbackFileIsNotTouched) {
  addEntry("ok", "ok1.bmp", testing_bmp::makeBmp(twoColourPicture(), BmpForm::Rgb24));
  folder.writeFile("_pics.sli\\ok\\ok1.bmp", solidBmp(3, 3, kRed));  // would show red if read
  HBITMAP picture = loadBitmap(host, "pics.sli", "ok", "ok1.bmp");
  ASSERT_NE(picture, nullptr);
  BITMAP info{};
  GetObjectA(picture, sizeof info, &info);
  EXPECT_EQ(info.bmWidth, kWidth);
  EXPECT_EQ(info.bmHeight, kHeight);
  EXPECT_EQ(info.bmBitsPixel, 24);
  EXPECT_EQ(pixelOf(picture, 0, 0), kCut);
  EXPECT_EQ(pixelOf(picture, 20, 3), kShown);
  EXPECT_EQ(pixelOf(picture, 29, 4), kCut);
  EXPECT_EQ(pixelOf(picture, 29, 19), kShown);
  EXPECT_EQ(host.messages, Texts{});
  DeleteObject(picture);
}

TEST_F(LibraryPictureWine, AMissingEntryFallsBackToThePlainFileWithTheMessage) {
  addEntry("ok", "ok1.bmp", testing_bmp::makeBmp(twoColourPicture(), BmpForm::Rgb24));
  folder.writeFile("_pics.sli\\ok\\ok2.bmp", asText(testing_bmp::makeBmp(twoColourPicture(), BmpForm::EightBit)));
  HBITMAP picture = loadBitmap(host, "pics.sli", "ok", "ok2.bmp");
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(pixelOf(picture, 29, 4), kCut);
  EXPECT_EQ(pixelOf(picture, 39, 23), kShown);
  EXPECT_EQ(host.messages, Texts{"Image (ok:ok2.bmp) not found in library (pics.sli). Loading from plain file"});
  DeleteObject(picture);
}

TEST_F(LibraryPictureWine, NeitherEntryNorFileGivesAllThreeMessages) {
  EXPECT_EQ(loadBitmap(host, "pics.sli", "ok", "ok3.bmp"), nullptr);
  EXPECT_EQ(host.messages, (Texts{"Image (ok:ok3.bmp) not found in library (pics.sli). Loading from plain file",
                                  "Image not found AT ALL", "_pics.sli\\ok\\ok3.bmp"}));
}

TEST_F(LibraryPictureWine, AMissingLibraryFallsBackLikeAMissingEntry) {
  folder.writeFile("_none.sli\\a.bmp", solidBmp(4, 2, kGreen));
  HBITMAP picture = loadBitmap(host, "none.sli", "", "a.bmp");
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(pixelOf(picture, 3, 1), (ProductRgb{0, 255, 0}));
  EXPECT_EQ(host.messages, Texts{"Image (:a.bmp) not found in library (none.sli). Loading from plain file"});
  DeleteObject(picture);
}

TEST_F(LibraryPictureWine, ALibraryCutInItsLastEntryShowsTheIntactPictureAndNamesTheDamagedOne) {
  addEntry("ok", "ok1.bmp", testing_bmp::makeBmp(twoColourPicture(), BmpForm::Rgb24));
  addEntry("ok", "ok2.bmp", testing_bmp::makeBmp(twoColourPicture(), BmpForm::EightBit));
  QuietCoderHost coder;
  const LibraryRecord last = readLibraryDirectory("pics.sli", coder).entries.at(1);
  folder.writeFile("pics.sli", folder.readFile("pics.sli").substr(0, last.dataOffset + last.packedSize / 2));
  folder.writeFile("_pics.sli\\ok\\ok2.bmp", solidBmp(3, 3, kRed));

  HBITMAP intact = loadBitmap(host, "pics.sli", "ok", "ok1.bmp");
  ASSERT_NE(intact, nullptr);
  EXPECT_EQ(pixelOf(intact, 29, 4), kCut);
  EXPECT_EQ(pixelOf(intact, 29, 19), kShown);
  EXPECT_EQ(host.messages, Texts{});
  DeleteObject(intact);

  HBITMAP fallback = loadBitmap(host, "pics.sli", "ok", "ok2.bmp");
  ASSERT_NE(fallback, nullptr);
  EXPECT_EQ(pixelOf(fallback, 0, 0), (ProductRgb{255, 0, 0}));
  EXPECT_EQ(host.messages, (Texts{"SLI: Damaged library (pics.sli): the data of ok:ok2.bmp lies outside the file",
                                  "Image (ok:ok2.bmp) not found in library (pics.sli). Loading from plain file"}));
  DeleteObject(fallback);
}

TEST_F(LibraryPictureWine, ABmpThatCannotBeShownSaysWhy) {
  std::vector<uint8_t> bmp = testing_bmp::makeBmp(twoColourPicture(), BmpForm::Rgb24);
  bmp[30] = 4;  // JPEG inside a BMP
  folder.writeFile("jpeg.bmp", asText(bmp));
  EXPECT_EQ(loadBitmap(host, "", "", "jpeg.bmp"), nullptr);
  EXPECT_EQ(host.messages, Texts{"Cannot show the BMP picture jpeg.bmp: 24-bit pixels with compression 4"});
}

}  // namespace
}  // namespace vellaro::wine
