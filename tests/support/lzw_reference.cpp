// The image library's LZW unpacker as it was before strings were copied from earlier output: each
// string walked down its prefix chain, byte by byte. Tests and the fuzz target hold the unpacker to
// it, byte for byte and message for message, on valid and on damaged blocks.
#include "lzw_reference.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

namespace vellaro {
namespace {

constexpr uint32_t kDictionarySize = 511;
constexpr int kCodeBits = 9;

// The unpacker's dictionary: entry = (prefix code, last character), plus the length its string had
// when the entry was made, so that a string is written straight into the output from its end.
struct UnpackEntry {
  uint16_t prefix;
  uint8_t character;
  uint16_t length;
};

class Unpacker {
 public:
  Unpacker(const uint8_t* packed, size_t packedLength, CoderHost& host)
      : packed_(packed), packedLength_(packedLength), host_(host) {
    for (uint32_t code = 0; code < kLzwFirstFreeCode; ++code) dictionary_[code] = UnpackEntry{0, static_cast<uint8_t>(code), 1};
  }
  UnpackResult run(size_t expectedLength);

 private:
  bool readCode(uint32_t* code);
  bool step();
  bool emit(uint32_t code);
  bool walkInto(uint32_t code, uint8_t* end, size_t length) const;
  const uint8_t* stringOf(uint32_t code, size_t* length);
  void add(uint32_t prefix, uint8_t character) {
    uint16_t length = static_cast<uint16_t>(dictionary_[prefix].length < kLzwLongestString ? dictionary_[prefix].length + 1
                                                                                            : kLzwLongestString);
    dictionary_[next_++] = UnpackEntry{static_cast<uint16_t>(prefix), character, length};
  }
  void report(const char* format, unsigned first, unsigned second) {
    char text[96];
    std::snprintf(text, sizeof text, format, first, second);
    host_.showMessage(text);
  }

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
  uint8_t previousFirst_ = 0;  // first byte of the string of previous_ (code 0 is the byte 0)
  bool firstCode_ = true;
  std::vector<uint8_t> out_;
  size_t size_ = 0;      // bytes unpacked so far
  size_t expected_ = 0;  // the caller's length
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

// The string of code, walked from its end down its prefix chain into scratch_; null when the walk
// passes the dictionary's size, which only a chain that loops back on itself can do.
const uint8_t* Unpacker::stringOf(uint32_t code, size_t* length) {
  size_t start = scratch_.size();
  while (code >= kLzwFirstFreeCode) {
    if (start == 1) return nullptr;
    scratch_[--start] = dictionary_[code].character;
    code = dictionary_[code].prefix;
  }
  scratch_[--start] = static_cast<uint8_t>(code);
  *length = scratch_.size() - start;
  return scratch_.data() + start;
}

// The fast path: the chain walked straight into the output. False when the chain is not exactly
// as long as the entry's remembered length (only damage changes a chain after its entry was made).
bool Unpacker::walkInto(uint32_t code, uint8_t* start, size_t length) const {
  for (size_t i = length - 1; i > 0; --i) {
    if (code < kLzwFirstFreeCode) return false;
    start[i] = dictionary_[code].character;
    code = dictionary_[code].prefix;
  }
  start[0] = static_cast<uint8_t>(code);
  return code < kLzwFirstFreeCode;
}

// Appends the string of code, cut at the expected length; false when its chain loops.
bool Unpacker::emit(uint32_t code) {
  size_t length = dictionary_[code].length;
  if (size_ + length <= std::min(expected_, out_.size()) && walkInto(code, out_.data() + size_, length)) {
    previousFirst_ = out_[size_];
    size_ += length;
    return true;
  }
  const uint8_t* string = stringOf(code, &length);
  if (!string) return false;
  if (length > expected_ - size_) length = expected_ - size_;
  if (size_ + length > out_.size()) out_.resize(size_ + length);
  std::memcpy(out_.data() + size_, string, length);
  previousFirst_ = string[0];
  size_ += length;
  return true;
}

// One code; false when the stream ends here with damage (its message has been shown).
bool Unpacker::step() {
  if (next_ >= kLzwRestartCode) next_ = kLzwFirstFreeCode;
  uint32_t code = 0;
  if (!readCode(&code)) {
    report("SLI: Unpacking ERROR: the data ends after %u of %u bytes", static_cast<unsigned>(size_),
           static_cast<unsigned>(expected_));
    return false;
  }
  host_.pumpMessages();
  if (code > next_) {
    report("SLI: Unpacking ERROR %u>%u", code, next_);
    return false;
  }
  bool whole = true;
  if (code == next_) {
    // The string the packer had just added and used at once: the previous string and its first byte.
    add(previous_, previousFirst_);
    whole = emit(code);
  } else if (code >= kLzwFirstFreeCode) {
    whole = emit(code);
    add(previous_, previousFirst_);
  } else {
    if (!firstCode_) add(previous_, static_cast<uint8_t>(code));
    if (size_ >= out_.size()) out_.resize(size_ + 1);
    out_[size_++] = static_cast<uint8_t>(code);
    previousFirst_ = static_cast<uint8_t>(code);
  }
  previous_ = code;
  firstCode_ = false;
  if (!whole) report("SLI: Unpacking ERROR: code %u leads round in a circle", code, 0);
  return whole;
}

UnpackResult Unpacker::run(size_t expectedLength) {
  // Never trust the expected length with the allocation: the block bounds what it can give.
  uint64_t largest = lzwLargestUnpackedSize(packedLength_);
  expected_ = expectedLength;
  out_.resize(expectedLength < largest ? expectedLength : static_cast<size_t>(largest));
  bool whole = true;
  while (size_ < expected_ && (whole = step())) {
  }
  out_.resize(size_);
  UnpackResult result;
  result.bytes = std::move(out_);
  result.damaged = !whole;
  return result;
}

}  // namespace

UnpackResult referenceLzwUnpack(const uint8_t* packed, size_t packedLength, size_t expectedLength, CoderHost& host) {
  Unpacker unpacker(packed, packedLength, host);
  return unpacker.run(expectedLength);
}

}  // namespace vellaro
