// The boxes for a picture that cannot be shown: one table of files (missing, no BMP, cut, of a kind
// the decoder cannot show, good), run through the shared rule and through the headless screen's
// loadPicture, which must show exactly those boxes and show the picture only when there are none.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bmp_files.h"
#include "fake_host.h"
#include "headless/headless_screen.h"
#include "headless/headless_transcript.h"
#include "image/bmp_decoder.h"
#include "image/picture_messages.h"

namespace vellaro {
namespace {

namespace fs = std::filesystem;
using testing_bmp::BmpForm;

std::vector<uint8_t> goodBmp() {
  Rgb red{255, 0, 0};
  Rgb blue{0, 0, 255};
  return testing_bmp::makeBmp({{red, blue, red}, {blue, red, blue}}, BmpForm::Rgb24);
}

// The same picture with its compression field (offset 30) set to 4, a JPEG inside a BMP.
std::vector<uint8_t> jpegInBmp() {
  std::vector<uint8_t> bytes = goodBmp();
  bytes[30] = 4;
  return bytes;
}

// The same picture with a width of 0 (offset 18).
std::vector<uint8_t> noWidth() {
  std::vector<uint8_t> bytes = goodBmp();
  bytes[18] = 0;
  return bytes;
}

std::vector<uint8_t> bytesOf(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

struct PictureCase {
  const char* file;
  bool exists;
  std::vector<uint8_t> bytes;
  std::vector<std::string> messages;  // PATH stands for the file's path
  bool shown;
};

std::vector<PictureCase> pictureCases() {
  return {
      {"missing.bmp", false, {}, {kPlainPictureMissing, "PATH"}, false},
      {"text.bmp", true, bytesOf("no picture here\r\n"), {kPlainPictureMissing, "PATH"}, false},
      {"empty.bmp", true, {}, {kPlainPictureMissing, "PATH"}, false},
      {"cut.bmp", true, bytesOf("BM\x10"), {kPlainPictureMissing, "PATH"}, false},
      {"jpeg.bmp", true, jpegInBmp(), {"Cannot show the BMP picture PATH: 24-bit pixels with compression 4"}, false},
      {"nowidth.bmp", true, noWidth(), {"Cannot show the BMP picture PATH: a picture of 0 x 2 pixels"}, false},
      {"good.bmp", true, goodBmp(), {}, true},
  };
}

std::vector<std::string> withPath(const std::vector<std::string>& messages, const std::string& path) {
  std::vector<std::string> result;
  for (std::string message : messages) {
    size_t at = message.find("PATH");
    if (at != std::string::npos) message.replace(at, 4, path);
    result.push_back(message);
  }
  return result;
}

TEST(PictureMessagesTest, SharedRuleAndHeadlessScreenShowTheSameBoxes) {
  fs::path folder = fs::temp_directory_path() / "vellaro_picture_messages_test";
  fs::remove_all(folder);
  fs::create_directories(folder);
  for (const PictureCase& c : pictureCases()) {
    std::string path = (folder / c.file).string();
    if (c.exists) {
      std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(c.bytes.data()),
                                                  static_cast<std::streamsize>(c.bytes.size()));
    }
    std::vector<std::string> expected = withPath(c.messages, path);
    BmpDecodeResult decoded = decodeBmp(c.bytes.data(), c.bytes.size());
    EXPECT_EQ(pictureProblemMessages(path, decoded.status, decoded.problem), expected) << c.file;

    FakeHost messages;
    VirtualClock clock;
    Transcript transcript(clock);
    HeadlessScreen screen(messages, transcript);
    PictureHandle picture = screen.loadPicture(path);
    EXPECT_EQ(messages.messages, expected) << c.file << " (headless)";
    EXPECT_EQ(picture != nullptr, c.shown) << c.file << " (headless)";
  }
  fs::remove_all(folder);
}

// A picture missing from its library falls back to a plain file, with its own not-found box.
TEST(PictureMessagesTest, LibraryFallbackHasItsOwnNotFoundBox) {
  EXPECT_EQ(pictureProblemMessages("_lib\\note.bmp", BmpStatus::NotBmp, "", PictureSource::LibraryFallback),
            (std::vector<std::string>{kPictureMissingEverywhere, "_lib\\note.bmp"}));
  EXPECT_EQ(pictureProblemMessages("_lib\\note.bmp", BmpStatus::Unsupported, "why", PictureSource::LibraryFallback),
            (std::vector<std::string>{"Cannot show the BMP picture _lib\\note.bmp: why"}));
}

}  // namespace
}  // namespace vellaro
