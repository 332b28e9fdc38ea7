// The WAV reader: walks a RIFF file chunk by chunk and keeps the "fmt " fields and the "data" bytes.
// Chunks follow each other directly, with no pad byte after an odd size; "LIST", "fact" and unknown
// chunks are skipped by their size; a later "fmt " replaces an earlier one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace vellaro {

constexpr uint16_t kWavPcm = 1;
constexpr uint16_t kWavFloat = 3;
constexpr uint16_t kWavExtensible = 0xFFFE;

struct WavFormat {
  uint16_t formatTag = 0;  // kWavPcm, kWavFloat, kWavExtensible; anything else is compressed
  uint16_t channels = 0;
  uint32_t sampleRate = 0;
  uint16_t blockAlign = 0;
  uint16_t bitsPerSample = 0;
  // The extensible form names its encoding by a GUID; a GUID of the standard family gives its format
  // tag here, any other GUID (or another form) 0.
  uint16_t subFormat = 0;
};

struct WavSample {
  WavFormat format;                 // all zero when no "fmt " chunk came before "data"
  std::unique_ptr<uint8_t[]> data;  // never null after a successful read, even for 0 bytes
  size_t size = 0;                  // bytes of data actually present in the file
};

enum class WavResult {
  Loaded,
  CannotOpen,  // the file cannot be opened or read
  NotWave,     // a RIFF chunk of another form type
  NoData,      // the file ended before a "data" chunk
};

// Parses a whole file held in memory. A "data" chunk longer than the rest of the file keeps the
// bytes that are there.
WavResult parseWav(const uint8_t* bytes, size_t length, WavSample& sample);

// Reads the file at path and parses it.
WavResult readWavFile(const char* path, WavSample& sample);

}  // namespace vellaro
