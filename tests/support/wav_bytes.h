// WAV files built byte by byte for the tests, the Wine tests and the benchmarks: no sample file is
// checked in, every one is generated where it is used.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace vellaro {

// A WAV file as bytes: chunks are appended exactly as given, with no pad byte after odd sizes.
class WavBytes {
 public:
  WavBytes& chunk(const char* id, const std::vector<uint8_t>& body) { return chunk(id, body, body.size()); }
  // A chunk whose header declares declaredSize, whatever the body holds.
  WavBytes& chunk(const char* id, const std::vector<uint8_t>& body, uint32_t declaredSize) {
    bytes.insert(bytes.end(), id, id + 4);
    put32(declaredSize);
    bytes.insert(bytes.end(), body.begin(), body.end());
    return *this;
  }
  WavBytes& riff(const char* form) {
    bytes.insert(bytes.end(), {'R', 'I', 'F', 'F', 0, 0, 0, 0});
    bytes.insert(bytes.end(), form, form + 4);
    return *this;
  }
  static std::vector<uint8_t> format(uint16_t channels, uint32_t rate, uint16_t bits, uint16_t tag = 1) {
    WavBytes b;
    uint16_t blockAlign = static_cast<uint16_t>(channels * bits / 8);
    b.put16(tag);
    b.put16(channels);
    b.put32(rate);
    b.put32(rate * blockAlign);
    b.put16(blockAlign);
    b.put16(bits);
    return b.bytes;
  }
  // The 40-byte extensible form; its subformat GUID is of the standard family, carrying subTag.
  static std::vector<uint8_t> extensible(uint16_t subTag, uint16_t channels, uint32_t rate, uint16_t bits) {
    WavBytes b;
    b.bytes = format(channels, rate, bits, 0xFFFE);
    b.put16(22);
    b.put16(bits);
    b.put32(channels == 1 ? 4 : 3);  // front centre, or front left and right
    b.put16(subTag);
    b.bytes.insert(b.bytes.end(), {0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71});
    return b.bytes;
  }
  static std::vector<uint8_t> words(const std::vector<int16_t>& samples) {
    WavBytes b;
    for (int16_t s : samples) b.put16(static_cast<uint16_t>(s));
    return b.bytes;
  }
  // A whole 16-bit mono file of the given samples.
  static WavBytes mono16(uint32_t rate, const std::vector<int16_t>& samples) {
    WavBytes file;
    file.riff("WAVE").chunk("fmt ", format(1, rate, 16)).chunk("data", words(samples));
    return file;
  }
  void put16(uint16_t v) { bytes.insert(bytes.end(), {uint8_t(v), uint8_t(v >> 8)}); }
  void put32(uint32_t v) {
    bytes.insert(bytes.end(), {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)});
  }

  std::vector<uint8_t> bytes;
};

// A sine of hz at amplitude (of full scale) on every channel, stored as 8-, 16-, 24- or 32-bit
// PCM, or as 32-bit float when tag is 3.
inline std::vector<uint8_t> toneData(uint16_t tag, uint16_t bits, uint16_t channels, uint32_t rate, size_t frames,
                                     double hz = 441.0, double amplitude = 0.5) {
  WavBytes b;
  for (size_t i = 0; i < frames * channels; ++i) {
    double v = amplitude * std::sin(2 * 3.14159265358979 * hz * static_cast<double>(i / channels) / rate);
    if (tag == 3) {
      float f = static_cast<float>(v);
      uint32_t raw;
      std::memcpy(&raw, &f, sizeof raw);
      b.put32(raw);
    } else if (bits == 8) {
      b.bytes.push_back(static_cast<uint8_t>(std::lround(128 + 127 * v)));
    } else {
      auto q = static_cast<uint64_t>(std::llround(v * static_cast<double>((int64_t{1} << (bits - 1)) - 1)));
      for (int k = 0; k < bits / 8; ++k) b.bytes.push_back(static_cast<uint8_t>(q >> (8 * k)));
    }
  }
  return b.bytes;
}

}  // namespace vellaro
