#include "wav_writer.h"

#include <cstdio>

#include "sound/mixer.h"

namespace vellaro {
namespace {

constexpr uint32_t kChannels = 2;
constexpr uint32_t kBlockAlign = 4;
constexpr uint32_t kHeaderBytes = 44;

// WAV fields are little-endian whatever the machine.
void put32(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

void put16(std::vector<uint8_t>& out, uint32_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

void putTag(std::vector<uint8_t>& out, const char* tag) { out.insert(out.end(), tag, tag + 4); }

}  // namespace

std::vector<uint8_t> wavBytes(const std::vector<int16_t>& samples) {
  uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
  std::vector<uint8_t> out;
  out.reserve(kHeaderBytes + dataBytes);
  putTag(out, "RIFF");
  put32(out, kHeaderBytes - 8 + dataBytes);
  putTag(out, "WAVE");
  putTag(out, "fmt ");
  put32(out, 16);
  put16(out, 1);  // PCM
  put16(out, kChannels);
  put32(out, kOutputRate);
  put32(out, kOutputRate * kBlockAlign);
  put16(out, kBlockAlign);
  put16(out, 16);
  putTag(out, "data");
  put32(out, dataBytes);
  for (int16_t sample : samples) put16(out, static_cast<uint16_t>(sample));
  return out;
}

bool writeWav(const std::string& path, const std::vector<int16_t>& samples) {
  std::vector<uint8_t> bytes = wavBytes(samples);
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

}  // namespace vellaro
