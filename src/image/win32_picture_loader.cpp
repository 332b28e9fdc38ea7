#include "image/win32_picture_loader.h"

#include <cstdint>
#include <cstdio>

#include "base/message_sink.h"
#include "image/bitmap_check.h"
#include "ui/win32_gdi.h"

namespace vellaro {
namespace {

// The file's headers and size as bitmapFitsFile wants them; false when it cannot be read.
bool fileLooksWhole(const char* path) {
  std::FILE* file = std::fopen(path, "rb");
  if (!file) return false;
  uint8_t header[kBitmapHeadersLength];
  size_t length = std::fread(header, 1, sizeof header, file);
  bool whole = std::fseek(file, 0, SEEK_END) == 0;
  long size = std::ftell(file);
  std::fclose(file);
  return whole && size >= 0 && bitmapFitsFile(header, length, static_cast<uint64_t>(size));
}

HBITMAP loadPlainFile(MessageSink& messages, const char* path) {
  // The system decoder trusts the headers and reads past the end of a cut file.
  HANDLE picture = fileLooksWhole(path) ? LoadImageA(nullptr, path, IMAGE_BITMAP, 0, 0,
                                                     LR_CREATEDIBSECTION | LR_LOADFROMFILE)
                                        : nullptr;
  if (!picture) {
    messages.showMessage("Plain BMP Image not found");
    messages.showMessage(path);
  }
  return static_cast<HBITMAP>(picture);
}

}  // namespace

HBITMAP loadBitmap(MessageSink& messages, const char* library, const char* group, const char* file) {
  (void)group;  // not read yet: it names a picture inside a library, and libraries are not read yet
  if (!library || library[0] == '\0') return loadPlainFile(messages, file ? file : "");
  return nullptr;
}

HBITMAP createSolidPicture(int width, int height, Rgb colour) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // positive: bottom-up rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  ScopedGetDC screen(nullptr);
  HBITMAP picture = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!picture || !bits) return picture;
  int rowBytes = (width * 3 + 3) / 4 * 4;  // rows are padded to a multiple of four bytes
  for (int row = 0; row < height; ++row) {
    uint8_t* pixel = static_cast<uint8_t*>(bits) + static_cast<size_t>(row) * static_cast<size_t>(rowBytes);
    for (int x = 0; x < width; ++x, pixel += 3) {
      pixel[0] = colour.blue;
      pixel[1] = colour.green;
      pixel[2] = colour.red;
    }
  }
  return picture;
}

}  // namespace vellaro
