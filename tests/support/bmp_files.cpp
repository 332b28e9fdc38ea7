#include "bmp_files.h"

#include <algorithm>

namespace vellaro {
namespace testing_bmp {
namespace {

void put16(std::vector<uint8_t>& out, unsigned value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}
void put32(std::vector<uint8_t>& out, uint32_t value) {
  put16(out, value & 0xFFFF);
  put16(out, value >> 16);
}

std::vector<Rgb> paletteOf(const Picture& picture) {
  std::vector<Rgb> palette;
  for (const auto& row : picture) {
    for (const Rgb& colour : row) {
      if (std::find(palette.begin(), palette.end(), colour) == palette.end()) palette.push_back(colour);
    }
  }
  return palette;
}

unsigned indexOf(const std::vector<Rgb>& palette, Rgb colour) {
  return static_cast<unsigned>(std::find(palette.begin(), palette.end(), colour) - palette.begin());
}

unsigned bitsOf(BmpForm form) {
  switch (form) {
    case BmpForm::OneBit: return 1;
    case BmpForm::FourBit: case BmpForm::Rle4: return 4;
    case BmpForm::EightBit: case BmpForm::Rle8: case BmpForm::Os2: return 8;
    case BmpForm::Rgb16: return 16;
    case BmpForm::Rgb32: case BmpForm::BitFields32: return 32;
    default: return 24;
  }
}

// One stored row of uncompressed pixels, padded to four bytes.
std::vector<uint8_t> packedRow(const std::vector<Rgb>& row, const std::vector<Rgb>& palette, BmpForm form) {
  unsigned bits = bitsOf(form);
  std::vector<uint8_t> out((row.size() * bits + 31) / 32 * 4, 0);
  for (size_t x = 0; x < row.size(); ++x) {
    const Rgb& c = row[x];
    if (bits < 8) {
      out[x * bits / 8] |= static_cast<uint8_t>(indexOf(palette, c) << (8 - bits - x * bits % 8));
    } else if (bits == 8) {
      out[x] = static_cast<uint8_t>(indexOf(palette, c));
    } else if (bits == 16) {
      unsigned v = (c.red >> 3) << 10 | (c.green >> 3) << 5 | c.blue >> 3;
      out[2 * x] = static_cast<uint8_t>(v), out[2 * x + 1] = static_cast<uint8_t>(v >> 8);
    } else {
      uint8_t* p = &out[x * bits / 8];
      p[0] = c.blue, p[1] = c.green, p[2] = c.red;
    }
  }
  return out;
}

// Run-length rows: runs of equal indices as (count, colour) pairs, then end of line; end of picture.
std::vector<uint8_t> rleRows(const Picture& picture, const std::vector<Rgb>& palette, bool four) {
  std::vector<uint8_t> out;
  for (size_t r = picture.size(); r-- > 0;) {
    const auto& row = picture[r];
    for (size_t x = 0; x < row.size();) {
      size_t end = x;
      while (end < row.size() && end - x < 254 && row[end] == row[x]) ++end;
      unsigned index = indexOf(palette, row[x]);
      out.push_back(static_cast<uint8_t>(end - x));
      out.push_back(static_cast<uint8_t>(four ? (index << 4 | index) : index));
      x = end;
    }
    out.push_back(0), out.push_back(0);
  }
  out.push_back(0), out.push_back(1);
  return out;
}

}  // namespace

const std::vector<BmpFormInfo>& allBmpForms() {
  static const std::vector<BmpFormInfo> forms = {
      {BmpForm::OneBit, "1bit"},   {BmpForm::FourBit, "4bit"},        {BmpForm::EightBit, "8bit"},
      {BmpForm::Rle8, "rle8"},     {BmpForm::Rle4, "rle4"},           {BmpForm::Os2, "os2"},
      {BmpForm::Rgb16, "16bit"},   {BmpForm::Rgb24, "24bit"},         {BmpForm::Rgb32, "32bit"},
      {BmpForm::BitFields32, "32bitfields"}, {BmpForm::TopDown24, "topdown"}};
  return forms;
}

std::vector<uint8_t> makeBmp(const Picture& picture, BmpForm form) {
  int width = static_cast<int>(picture.at(0).size());
  int height = static_cast<int>(picture.size());
  unsigned bits = bitsOf(form);
  std::vector<Rgb> palette = bits <= 8 ? paletteOf(picture) : std::vector<Rgb>{};
  bool os2 = form == BmpForm::Os2;
  std::vector<uint8_t> pixels;
  if (form == BmpForm::Rle8 || form == BmpForm::Rle4) {
    pixels = rleRows(picture, palette, form == BmpForm::Rle4);
  } else {
    for (int r = 0; r < height; ++r) {
      const auto& row = form == BmpForm::TopDown24 ? picture[static_cast<size_t>(r)] : picture[static_cast<size_t>(height - 1 - r)];
      std::vector<uint8_t> packed = packedRow(row, palette, form);
      pixels.insert(pixels.end(), packed.begin(), packed.end());
    }
  }
  std::vector<uint8_t> header;
  uint32_t compression = form == BmpForm::Rle8 ? 1 : form == BmpForm::Rle4 ? 2 : form == BmpForm::BitFields32 ? 3 : 0;
  if (os2) {
    put32(header, 12), put16(header, static_cast<unsigned>(width)), put16(header, static_cast<unsigned>(height));
    put16(header, 1), put16(header, bits);
  } else {
    put32(header, 40), put32(header, static_cast<uint32_t>(width));
    put32(header, static_cast<uint32_t>(form == BmpForm::TopDown24 ? -height : height));
    put16(header, 1), put16(header, bits), put32(header, compression), put32(header, static_cast<uint32_t>(pixels.size()));
    put32(header, 2835), put32(header, 2835), put32(header, static_cast<uint32_t>(palette.size())), put32(header, 0);
  }
  if (form == BmpForm::BitFields32) put32(header, 0xFF0000), put32(header, 0xFF00), put32(header, 0xFF);
  // OS/2 files always carry the full palette of their depth.
  if (os2) palette.resize(size_t{1} << bits, Rgb{0, 0, 0});
  for (const Rgb& c : palette) {
    header.push_back(c.blue), header.push_back(c.green), header.push_back(c.red);
    if (!os2) header.push_back(0);
  }
  std::vector<uint8_t> file{'B', 'M'};
  put32(file, static_cast<uint32_t>(14 + header.size() + pixels.size()));
  put32(file, 0);
  put32(file, static_cast<uint32_t>(14 + header.size()));
  file.insert(file.end(), header.begin(), header.end());
  file.insert(file.end(), pixels.begin(), pixels.end());
  return file;
}

}  // namespace testing_bmp
}  // namespace vellaro
