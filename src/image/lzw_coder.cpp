#include "image/lzw_coder.h"

#include <array>
#include <cstdio>
#include <cstring>

namespace vellaro {
namespace {

constexpr uint32_t kDictionarySize = 511;
constexpr int kCodeBits = 9;

// Codes as a continuous bit string, most significant bit first; the last byte is zero-padded.
class BitWriter {
 public:
  explicit BitWriter(std::vector<uint8_t>& out) : out_(out) {}
  void write(uint32_t code) {
    buffer_ = (buffer_ << kCodeBits) | code;
    bits_ += kCodeBits;
    while (bits_ >= 8) {
      bits_ -= 8;
      out_.push_back(static_cast<uint8_t>(buffer_ >> bits_));
    }
  }
  void flush() {
    if (bits_ > 0) out_.push_back(static_cast<uint8_t>(buffer_ << (8 - bits_)));
    bits_ = 0;
  }

 private:
  std::vector<uint8_t>& out_;
  uint32_t buffer_ = 0;
  int bits_ = 0;
};

// The packer's dictionary search, in constant time: child[prefix][c] is the code of the entry
// (prefix, c) made since the last restart, or 0. Codes of entries above 255 are always larger than
// their prefix and a pair is added only once, so this finds the same code as the linear search
// upward from the current code. A restart clears exactly the slots made since the previous one.
class PackDictionary {
 public:
  uint16_t find(uint32_t prefix, uint8_t c) const { return child_[prefix][c]; }
  void add(uint32_t prefix, uint8_t c, uint32_t code) {
    child_[prefix][c] = static_cast<uint16_t>(code);
    made_[madeCount_++] = prefix * 256 + c;
  }
  void restart() {
    for (size_t i = 0; i < madeCount_; ++i) child_[made_[i] / 256][made_[i] % 256] = 0;
    madeCount_ = 0;
  }

 private:
  std::array<std::array<uint16_t, 256>, kDictionarySize> child_{};
  std::array<uint32_t, kDictionarySize> made_{};
  size_t madeCount_ = 0;
};

// The unpacker's dictionary: entry = (prefix code, last character).
struct UnpackEntry {
  uint16_t prefix;
  uint8_t character;
};

class Unpacker {
 public:
  Unpacker(const uint8_t* packed, size_t packedLength, CoderHost& host)
      : packed_(packed), packedLength_(packedLength), host_(host) {
    for (uint32_t code = 0; code < kLzwFirstFreeCode; ++code) dictionary_[code] = UnpackEntry{0, static_cast<uint8_t>(code)};
  }
  UnpackResult run(size_t expectedLength);

 private:
  bool readCode(uint32_t* code);
  // Writes the string of code at the end of scratch_ and returns its start, or null for a loop.
  const uint8_t* stringOf(uint32_t code, size_t* length);
  void add(uint32_t prefix, uint8_t character) { dictionary_[next_++] = UnpackEntry{static_cast<uint16_t>(prefix), character}; }
  bool step(std::vector<uint8_t>& out, size_t room);

  const uint8_t* packed_;
  size_t packedLength_;
  size_t position_ = 0;
  uint32_t bitBuffer_ = 0;
  int validBits_ = 0;
  CoderHost& host_;
  std::array<UnpackEntry, kDictionarySize> dictionary_{};
  std::array<uint8_t, kLzwLongestString> scratch_{};
  uint32_t next_ = kLzwFirstFreeCode;
  uint32_t previous_ = 0;
  bool first_ = true;
};

bool Unpacker::readCode(uint32_t* code) {
  while (validBits_ < kCodeBits) {
    if (position_ >= packedLength_) return false;
    bitBuffer_ = (bitBuffer_ << 8) | packed_[position_++];
    validBits_ += 8;
  }
  validBits_ -= kCodeBits;
  *code = (bitBuffer_ >> validBits_) & 0x1FF;
  return true;
}

const uint8_t* Unpacker::stringOf(uint32_t code, size_t* length) {
  size_t start = scratch_.size();
  while (code >= kLzwFirstFreeCode) {
    // A chain longer than the dictionary can hold loops back on itself: only damage makes one.
    if (start == 1) return nullptr;
    scratch_[--start] = dictionary_[code].character;
    code = dictionary_[code].prefix;
  }
  scratch_[--start] = static_cast<uint8_t>(code);
  *length = scratch_.size() - start;
  return scratch_.data() + start;
}

// One code; false when the stream ends here (a message has been shown where it is damage).
bool Unpacker::step(std::vector<uint8_t>& out, size_t room) {
  if (next_ >= kLzwRestartCode) next_ = kLzwFirstFreeCode;
  uint32_t code = 0;
  if (!readCode(&code)) {
    char text[96];
    std::snprintf(text, sizeof text, "SLI: Unpacking ERROR: the data ends after %zu of %zu bytes", out.size(),
                  out.size() + room);
    host_.showMessage(text);
    return false;
  }
  host_.pumpMessages();
  if (code > next_) {
    char text[64];
    std::snprintf(text, sizeof text, "SLI: Unpacking ERROR %d>%d", static_cast<int>(code), static_cast<int>(next_));
    host_.showMessage(text);
    return false;
  }
  size_t length = 0;
  const uint8_t* string = nullptr;
  if (code == next_) {
    // The string the packer had just added and used at once: previous string plus its first byte.
    const uint8_t* before = stringOf(previous_, &length);
    if (before) add(previous_, before[0]);
    previous_ = code;
    string = before ? stringOf(code, &length) : nullptr;
  } else if (code >= kLzwFirstFreeCode) {
    string = stringOf(code, &length);
    if (string) add(previous_, string[0]);
    previous_ = code;
  } else {
    if (!first_) add(previous_, static_cast<uint8_t>(code));
    scratch_.back() = static_cast<uint8_t>(code);
    string = &scratch_.back();
    length = 1;
    previous_ = code;
  }
  first_ = false;
  if (!string) {
    char text[80];
    std::snprintf(text, sizeof text, "SLI: Unpacking ERROR: code %d leads round in a circle", static_cast<int>(code));
    host_.showMessage(text);
    return false;
  }
  out.insert(out.end(), string, string + (length < room ? length : room));
  return true;
}

UnpackResult Unpacker::run(size_t expectedLength) {
  UnpackResult result;
  // Never trust the expected length with the allocation: the block bounds what it can give.
  uint64_t largest = lzwLargestUnpackedSize(packedLength_);
  result.bytes.reserve(expectedLength < largest ? expectedLength : static_cast<size_t>(largest));
  while (result.bytes.size() < expectedLength) {
    if (!step(result.bytes, expectedLength - result.bytes.size())) {
      result.damaged = true;
      break;
    }
  }
  return result;
}

}  // namespace

std::vector<uint8_t> lzwPack(const uint8_t* input, size_t length, CoderHost& host) {
  std::vector<uint8_t> out;
  out.reserve(length + length / 8 + 2);
  BitWriter writer(out);
  static thread_local PackDictionary dictionary;  // 260 KB: too large for the stack
  dictionary.restart();
  uint32_t next = kLzwFirstFreeCode;
  uint32_t current = 0;
  size_t matched = 0;
  for (size_t i = 0; i < length;) {
    uint8_t c = input[i++];
    uint32_t found = matched == 0 ? c : dictionary.find(current, c);
    if (found != 0 || matched == 0) {
      current = found;
      ++matched;
      continue;
    }
    dictionary.add(current, c, next);
    if (++next >= kLzwRestartCode) {
      next = kLzwFirstFreeCode;
      dictionary.restart();
    }
    writer.write(current);
    host.pumpMessages();
    current = 0;
    matched = 0;
    --i;  // c starts the next string
  }
  if (matched > 0) {
    writer.write(current);
    host.pumpMessages();
  }
  writer.flush();
  return out;
}

UnpackResult lzwUnpack(const uint8_t* packed, size_t packedLength, size_t expectedLength, CoderHost& host) {
  Unpacker unpacker(packed, packedLength, host);
  return unpacker.run(expectedLength);
}

uint64_t lzwLargestUnpackedSize(uint64_t packedLength) {
  return packedLength * 8 / kCodeBits * kLzwLongestString;
}

}  // namespace vellaro
