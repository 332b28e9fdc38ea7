// Small value types that every subsystem may use, portable and free of platform headers.
#pragma once

#include <cstdint>

namespace vellaro {

// A colour as the scenario writes it: red, green and blue of 8 bits each.
struct Rgb {
  uint8_t red;
  uint8_t green;
  uint8_t blue;
  bool operator==(const Rgb& other) const {
    return red == other.red && green == other.green && blue == other.blue;
  }
};

}  // namespace vellaro
