#include "wav_writer.h"

#include <cstdio>

#include "sound/mixer.h"

namespace vellaro {
namespace {

constexpr uint32_t kChannels = 2;
constexpr uint32_t kBlockAlign = 4;
constexpr uint32_t kHeaderBytes = 44;

// Writes the file's fields one after another, little-endian whatever the machine.
class FieldWriter {
 public:
  explicit FieldWriter(std::vector<uint8_t>& out) : out_(out) {}
  void put32(uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) out_[at_++] = static_cast<uint8_t>(value >> shift);
  }
  void put16(uint32_t value) {
    out_[at_++] = static_cast<uint8_t>(value);
    out_[at_++] = static_cast<uint8_t>(value >> 8);
  }
  void putTag(const char (&tag)[5]) {
    for (int i = 0; i < 4; ++i) out_[at_++] = static_cast<uint8_t>(tag[i]);
  }

 private:
  std::vector<uint8_t>& out_;
  size_t at_ = 0;
};

}  // namespace

std::vector<uint8_t> wavBytes(const std::vector<int16_t>& samples) {
  uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
  std::vector<uint8_t> out(kHeaderBytes + size_t{dataBytes});
  FieldWriter field(out);
  field.putTag("RIFF");
  field.put32(kHeaderBytes - 8 + dataBytes);
  field.putTag("WAVE");
  field.putTag("fmt ");
  field.put32(16);
  field.put16(1);  // PCM
  field.put16(kChannels);
  field.put32(kOutputRate);
  field.put32(kOutputRate * kBlockAlign);
  field.put16(kBlockAlign);
  field.put16(16);
  field.putTag("data");
  field.put32(dataBytes);
  for (int16_t sample : samples) field.put16(static_cast<uint16_t>(sample));
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
