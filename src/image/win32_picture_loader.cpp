#include "image/win32_picture_loader.h"

#include "base/messages.h"
#include "base/text_format.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "base/message_sink.h"
#include "base/win32_gdi.h"
#include "base/win32_messages.h"
#include "image/bmp_decoder.h"
#include "image/image_library.h"
#include "image/picture_messages.h"

namespace vellaro {
namespace {

// The library coder's side of the player: its messages go to the message box, and the windows
// stay alive while a large entry unpacks.
class PlayerCoderHost : public CoderHost {
 public:
  explicit PlayerCoderHost(MessageSink& host) : host_(host) {}
  void showMessage(const std::string& text) override { host_.showMessage(text); }
  void pumpMessages() override { pumpPending(nullptr); }

 private:
  MessageSink& host_;
};

bool readFile(const char* path, std::vector<uint8_t>* bytes) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path, "rb"), std::fclose);
  if (!file) return false;
  uint8_t buffer[65536];
  size_t count;
  while ((count = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) bytes->insert(bytes->end(), buffer, buffer + count);
  return !std::ferror(file.get());
}

// A bottom-up 24-bit DIB section holding the decoded pixels.
HBITMAP pictureFrom(const DecodedPicture& decoded) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = decoded.width;
  info.bmiHeader.biHeight = decoded.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  ScopedGetDC screen(nullptr);
  HBITMAP picture = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (picture && bits) std::memcpy(bits, decoded.pixels.data(), decoded.pixels.size());
  return picture;
}

// A picture from BMP bytes; null with status NotBmp or Unsupported (the reason in *problem).
HBITMAP pictureFromBytes(const std::vector<uint8_t>& bytes, BmpStatus* status, std::string* problem) {
  BmpDecodeResult decoded = decodeBmp(bytes.data(), bytes.size());
  *status = decoded.status;
  *problem = decoded.problem;
  return decoded.status == BmpStatus::Ok ? pictureFrom(decoded.picture) : nullptr;
}

// A plain BMP file, quietly: null when it is missing or no BMP it can show.
HBITMAP loadFile(const char* path, BmpStatus* status, std::string* problem) {
  std::vector<uint8_t> bytes;
  *status = BmpStatus::NotBmp;
  return readFile(path, &bytes) ? pictureFromBytes(bytes, status, problem) : nullptr;
}

// A picture that decoded but could not be made is reported as not found.
HBITMAP loadAndReport(MessageSink& host, const std::string& path, PictureSource source) {
  BmpStatus status;
  std::string problem;
  HBITMAP picture = loadFile(path.c_str(), &status, &problem);
  if (!picture && status == BmpStatus::Ok) status = BmpStatus::NotBmp;
  for (const std::string& message : pictureProblemMessages(path, status, problem, source)) host.showMessage(message);
  return picture;
}

// "_" library "\" group "\" file, the place of a picture that is missing from its library.
std::string fallbackPath(const std::string& library, const std::string& group, const std::string& file) {
  std::string path = "_";
  if (!library.empty()) path += library + "\\";
  if (!group.empty()) path += group + "\\";
  return path + file;
}

HBITMAP loadFromLibrary(MessageSink& host, const std::string& library, const std::string& group, const std::string& file) {
  PlayerCoderHost coderHost(host);
  LibraryEntryData entry = loadLibraryEntry(library, group, file, coderHost);
  if (entry.found) {
    BmpStatus status;
    std::string problem;
    // A damaged entry still shows what could be unpacked; the rest of the picture stays black.
    if (HBITMAP picture = pictureFromBytes(entry.bytes, &status, &problem)) return picture;
    host.showMessage(
        pictureCannotShowMessage(format(kLibraryPictureIn, libraryKey(group, file).c_str(), library.c_str()),
                                 problem.empty() ? kPictureNotBmp : problem));
  }
  host.showMessage(format(kLibraryPictureMissing, group.c_str(), file.c_str(), library.c_str()));
  return loadAndReport(host, fallbackPath(library, group, file), PictureSource::LibraryFallback);
}

}  // namespace

HBITMAP loadBitmap(MessageSink& host, const char* library, const char* group, const char* file) {
  if (!library || library[0] == '\0') return loadAndReport(host, file ? file : "", PictureSource::PlainFile);
  return loadFromLibrary(host, library, group ? group : "", file ? file : "");
}

HBITMAP createSolidPicture(int width, int height, Rgb colour) {
  if (width <= 0 || height <= 0) return nullptr;
  DecodedPicture picture;
  picture.width = width;
  picture.height = height;
  picture.rowBytes = (width * 3 + 3) / 4 * 4;  // rows are padded to a multiple of four bytes
  picture.pixels.assign(static_cast<size_t>(picture.rowBytes) * static_cast<size_t>(height), 0);
  for (int row = 0; row < height; ++row) {
    uint8_t* pixel = picture.pixels.data() + static_cast<size_t>(row) * static_cast<size_t>(picture.rowBytes);
    for (int x = 0; x < width; ++x, pixel += 3) {
      pixel[0] = colour.blue;
      pixel[1] = colour.green;
      pixel[2] = colour.red;
    }
  }
  return pictureFrom(picture);
}

}  // namespace vellaro
