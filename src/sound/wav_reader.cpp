#include "sound/wav_reader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "base/file_open.h"

namespace vellaro {
namespace {

// The fields we use end with the extensible form's subformat GUID at bytes 24 to 39.
constexpr size_t kFormatFieldBytes = 40;
constexpr size_t kSubFormatOffset = 24;
// The GUID family of the extensible subformats: the format tag in its first two bytes, then these.
constexpr uint8_t kSubFormatTail[14] = {0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};

uint32_t le32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

bool isId(const uint8_t* p, const char* id) { return std::memcmp(p, id, 4) == 0; }

WavFormat readFormat(const uint8_t* body, size_t available) {
  uint8_t fields[kFormatFieldBytes] = {};  // a short body leaves the missing fields 0
  std::memcpy(fields, body, std::min(available, kFormatFieldBytes));
  WavFormat format;
  format.formatTag = le16(fields);
  format.channels = le16(fields + 2);
  format.sampleRate = le32(fields + 4);
  format.blockAlign = le16(fields + 12);
  format.bitsPerSample = le16(fields + 14);
  const uint8_t* guid = fields + kSubFormatOffset;
  if (format.formatTag == kWavExtensible && available >= kFormatFieldBytes &&
      std::memcmp(guid + 2, kSubFormatTail, sizeof kSubFormatTail) == 0) {
    format.subFormat = le16(guid);
  }
  return format;
}

}  // namespace

WavResult parseWav(const uint8_t* bytes, size_t length, WavSample& sample) {
  WavFormat format;
  uint64_t offset = 0;  // 64 bits: a chunk size near 4 GB must not wrap the walk back
  while (offset + 8 <= length) {
    const uint8_t* header = bytes + offset;
    uint32_t size = le32(header + 4);
    offset += 8;
    size_t rest = length - static_cast<size_t>(offset);
    if (isId(header, "RIFF")) {
      if (rest < 4) break;
      if (!isId(bytes + offset, "WAVE")) return WavResult::NotWave;
      offset += 4;  // the RIFF size is not used: its sub-chunks follow
    } else if (isId(header, "fmt ")) {
      format = readFormat(bytes + offset, std::min<size_t>(size, rest));
      offset += size;
    } else if (isId(header, "data")) {
      size_t present = std::min<size_t>(size, rest);
      sample.format = format;
      sample.data.reset(new uint8_t[present ? present : 1]);
      std::memcpy(sample.data.get(), bytes + offset, present);
      sample.size = present;
      return WavResult::Loaded;
    } else {
      offset += size;  // "fact", "LIST" and anything else
    }
  }
  return WavResult::NoData;
}

WavResult readWavFile(const char* path, WavSample& sample) {
  std::FILE* file = openPlayerFile(path, "rb");
  if (!file) return WavResult::CannotOpen;
  std::vector<uint8_t> bytes;
  uint8_t block[16384];
  size_t got;
  while ((got = std::fread(block, 1, sizeof block, file)) > 0) bytes.insert(bytes.end(), block, block + got);
  bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) return WavResult::CannotOpen;
  return parseWav(bytes.data(), bytes.size(), sample);
}

}  // namespace vellaro
