#include "image/lzw_coder.h"

#include "base/messages.h"

#include <algorithm>
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

// Reads 9-bit codes most significant bit first, refilling a 64-bit buffer with up to seven bytes at
// a time while the block has eight left, byte by byte near its end.
class CodeReader {
 public:
  CodeReader(const uint8_t* packed, size_t length) : packed_(packed), length_(length) {}
  bool read(uint32_t* code) {
    if (valid_ < kCodeBits) refill();
    if (valid_ < kCodeBits) return false;
    valid_ -= kCodeBits;
    *code = static_cast<uint32_t>(bits_ >> valid_) & 0x1FF;
    return true;
  }

 private:
  void refill() {
    if (length_ - position_ >= 8) {
      uint64_t word = 0;
      for (int i = 0; i < 8; ++i) word = (word << 8) | packed_[position_ + i];  // one big-endian load
      int bytes = (63 - valid_) / 8;
      bits_ = (bits_ << (8 * bytes)) | (word >> (64 - 8 * bytes));
      position_ += static_cast<size_t>(bytes);
      valid_ += 8 * bytes;
      return;
    }
    while (valid_ <= 56 && position_ < length_) {
      bits_ = (bits_ << 8) | packed_[position_++];
      valid_ += 8;
    }
  }

  const uint8_t* packed_;
  size_t length_;
  size_t position_ = 0;
  uint64_t bits_ = 0;
  int valid_ = 0;
};

// The unpacker's dictionary: entry = (prefix code, last character) and the length its string had
// when the entry was made. An entry made from the string just written and the byte after it also
// knows where that string lies in the output (`offset`), so its string is copied from there.
//
// That copy is the string the prefix chain gives as long as no entry of the chain is made again:
// entries are made again only after a restart, and the only entry of a new round whose prefix can
// come from the round before is its first, made from the last code before the restart. So an entry
// is `copied` when its prefix is a single byte, or a copied entry of its own round; the others
// (only damaged blocks make them) walk their chain as it stands, with its loop check.
struct UnpackEntry {
  uint32_t offset;
  uint16_t prefix;
  uint16_t length;
  uint8_t character;
  bool copied;
};

// Slack after the output for copies that move 16 bytes at a time and stop past a string's end.
constexpr size_t kCopyChunk = 16;

// Copies length bytes from earlier output at from to to, 16 at a time. Each chunk is loaded before
// it is stored, so a source that ends at or before the target is copied exactly even when it is
// closer than 16 bytes; the bytes written past the string lie in the slack or are written again.
void copyEarlierOutput(uint8_t* out, size_t from, size_t to, size_t length) {
  for (size_t done = 0; done < length; done += kCopyChunk) {
    uint8_t chunk[kCopyChunk];
    std::memcpy(chunk, out + from + done, kCopyChunk);
    std::memcpy(out + to + done, chunk, kCopyChunk);
  }
}

class Unpacker {
 public:
  Unpacker(const uint8_t* packed, size_t packedLength, CoderHost& host)
      : reader_(packed, packedLength), packedLength_(packedLength), host_(host) {
    for (uint32_t code = 0; code < kLzwFirstFreeCode; ++code) {
      dictionary_[code] = UnpackEntry{0, 0, 1, static_cast<uint8_t>(code), true};
    }
  }
  UnpackResult run(size_t expectedLength);

 private:
  bool step();
  void emitByte(uint8_t byte);
  void emitCopied(uint32_t code, bool justMade);
  bool emitWalked(uint32_t code);
  bool walkInto(uint32_t code, uint8_t* end, size_t length) const;
  const uint8_t* stringOf(uint32_t code, size_t* length);
  void add(uint32_t prefix, uint8_t character, bool afterRestart) {
    const UnpackEntry& before = dictionary_[prefix];
    uint16_t length = static_cast<uint16_t>(before.length < kLzwLongestString ? before.length + 1 : kLzwLongestString);
    bool copied = prefix < kLzwFirstFreeCode || (before.copied && !afterRestart);
    dictionary_[next_++] = UnpackEntry{static_cast<uint32_t>(previousStart_), static_cast<uint16_t>(prefix), length,
                                       character, copied};
  }
  void report(const char* format, unsigned first, unsigned second) {
    char text[96];
    std::snprintf(text, sizeof text, format, first, second);
    host_.showMessage(text);
  }

  CodeReader reader_;
  size_t packedLength_;
  CoderHost& host_;
  std::array<UnpackEntry, kDictionarySize> dictionary_{};
  std::array<uint8_t, kLzwLongestString> scratch_{};
  uint32_t next_ = kLzwFirstFreeCode;
  uint32_t previous_ = 0;
  uint8_t previousFirst_ = 0;  // first byte of the string of previous_ (code 0 is the byte 0)
  size_t previousStart_ = 0;   // where the string of previous_ begins in the output
  bool firstCode_ = true;
  std::vector<uint8_t> out_;
  uint8_t* data_ = nullptr;  // out_.data(): room for capacity_ bytes and the copy slack
  size_t capacity_ = 0;      // bytes the output can hold
  size_t size_ = 0;          // bytes unpacked so far
  size_t expected_ = 0;      // the caller's length
};

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

// The chain walked straight into the output. False when the chain is not exactly as long as the
// entry's remembered length (only damage changes a chain after its entry was made).
bool Unpacker::walkInto(uint32_t code, uint8_t* start, size_t length) const {
  for (size_t i = length - 1; i > 0; --i) {
    if (code < kLzwFirstFreeCode) return false;
    start[i] = dictionary_[code].character;
    code = dictionary_[code].prefix;
  }
  start[0] = static_cast<uint8_t>(code);
  return code < kLzwFirstFreeCode;
}

void Unpacker::emitByte(uint8_t byte) {
  if (size_ < capacity_) data_[size_++] = byte;
  previousFirst_ = byte;
}

// Appends the string of a copied entry from where it lies in the output, cut at the expected
// length. The entry made by this very code is its prefix's string and that string's first byte:
// the prefix's string ends where this one begins, so it is copied and its first byte put after it.
void Unpacker::emitCopied(uint32_t code, bool justMade) {
  const UnpackEntry& entry = dictionary_[code];
  size_t length = std::min<size_t>(entry.length, std::min(expected_, capacity_) - size_);
  previousFirst_ = data_[entry.offset];
  if (!justMade || length < entry.length) {
    copyEarlierOutput(data_, entry.offset, size_, length);
  } else {
    copyEarlierOutput(data_, entry.offset, size_, length - 1);
    data_[size_ + length - 1] = previousFirst_;
  }
  size_ += length;
}

// Appends the string of an entry that is not copied, walking its chain; false when it loops.
bool Unpacker::emitWalked(uint32_t code) {
  size_t length = dictionary_[code].length;
  if (size_ + length <= std::min(expected_, capacity_) && walkInto(code, data_ + size_, length)) {
    previousFirst_ = data_[size_];
    size_ += length;
    return true;
  }
  const uint8_t* string = stringOf(code, &length);
  if (!string) return false;
  length = std::min(length, std::min(expected_, capacity_) - size_);
  std::memcpy(data_ + size_, string, length);
  previousFirst_ = string[0];
  size_ += length;
  return true;
}

// One code; false when the stream ends here with damage (its message has been shown).
bool Unpacker::step() {
  bool afterRestart = next_ >= kLzwRestartCode;
  if (afterRestart) next_ = kLzwFirstFreeCode;
  uint32_t code = 0;
  if (!reader_.read(&code)) {
    report(kUnpackDataEnds, static_cast<unsigned>(size_),
           static_cast<unsigned>(expected_));
    return false;
  }
  host_.pumpMessages();
  if (code > next_) {
    report(kUnpackCodeAhead, code, next_);
    return false;
  }
  size_t start = size_;
  bool whole = true;
  if (code < kLzwFirstFreeCode) {
    if (!firstCode_) add(previous_, static_cast<uint8_t>(code), afterRestart);
    emitByte(static_cast<uint8_t>(code));
  } else {
    // A code equal to next is the string the packer had just added and used at once: the previous
    // string and its first byte. Any other code's entry is made from the first byte of its string.
    bool justMade = code == next_;
    if (justMade) add(previous_, previousFirst_, afterRestart);
    if (dictionary_[code].copied) {
      emitCopied(code, justMade);
    } else {
      whole = emitWalked(code);
    }
    if (!justMade) add(previous_, previousFirst_, afterRestart);
  }
  previous_ = code;
  previousStart_ = start;
  firstCode_ = false;
  if (!whole) report(kUnpackCodeCircle, code, 0);
  return whole;
}

UnpackResult Unpacker::run(size_t expectedLength) {
  // Never trust the expected length with the allocation: the block bounds what it can give.
  uint64_t largest = lzwLargestUnpackedSize(packedLength_);
  expected_ = expectedLength;
  capacity_ = expectedLength < largest ? expectedLength : static_cast<size_t>(largest);
  out_.resize(capacity_ + kCopyChunk);
  data_ = out_.data();
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
