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

// One note of a melody capture: when it started (clockMs milliseconds; 0 marks an empty entry) and
// its note number, kept to 16 bits (-1, a key that started no note, is held as 0xFFFF).
struct NoteEvent {
  uint32_t time;
  uint16_t note;
};

// A rectangle of a drawing surface: the left and top edges belong to it, the right and bottom do not.
struct PixelRect {
  int left;
  int top;
  int right;
  int bottom;
};

}  // namespace vellaro
