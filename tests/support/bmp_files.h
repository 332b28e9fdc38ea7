// BMP files in the forms image editors save them, made from one small picture, so that tests can
// check that every form shows the same pixels. Portable: used by the unit and the Wine tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/types.h"

namespace vellaro {
namespace testing_bmp {

enum class BmpForm { OneBit, FourBit, EightBit, Rle8, Rle4, Os2, Rgb16, Rgb24, Rgb32, BitFields32, TopDown24 };

struct BmpFormInfo {
  BmpForm form;
  const char* name;
};
// Every form, with a short name for file names and test output.
const std::vector<BmpFormInfo>& allBmpForms();

// A picture as rows of colours, top row first.
using Picture = std::vector<std::vector<Rgb>>;

// The file bytes. One-bit files need a picture of at most two colours, four-bit ones at most 16,
// eight-bit ones at most 256; the 16-bit form keeps the top five bits of each component.
std::vector<uint8_t> makeBmp(const Picture& picture, BmpForm form);

}  // namespace testing_bmp
}  // namespace vellaro
