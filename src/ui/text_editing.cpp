#include "ui/text_editing.h"

#include <cstring>

namespace vellaro {
namespace {

constexpr int kConsumed = 0;
constexpr uint8_t kLastControlCharacter = 27;  // Escape; 28 to 31 are typed like letters

EditOutcome consumed(bool repaint = false, bool changed = false) {
  EditOutcome outcome;
  outcome.result = kConsumed;
  outcome.repaint = repaint;
  outcome.changed = changed;
  return outcome;
}

EditOutcome notified(int key) {
  EditOutcome outcome = consumed();
  outcome.notifyKey = key;
  return outcome;
}

}  // namespace

void TextBuffer::setText(const char* text) {
  size_t length = std::strlen(text);
  if (length + 1 >= kTextBufferSize) bytes_.assign(length + 1, '\0');
  std::memcpy(bytes_.data(), text, length + 1);
  length_ = length;
  caret_ = static_cast<uint32_t>(length);
}

void TextBuffer::setCaret(size_t position) {
  caret_ = static_cast<uint32_t>(position < length_ ? position : length_);
}

void TextBuffer::insertAt(size_t position, const std::string& bytes) {
  size_t count = bytes.size();
  std::memmove(&bytes_[position + count], &bytes_[position], length_ - position + 1);  // with the terminator
  std::memcpy(&bytes_[position], bytes.data(), count);
  length_ += count;
}

void TextBuffer::eraseAt(size_t position, size_t count) {
  std::memmove(&bytes_[position], &bytes_[position + count], length_ - position - count + 1);  // with the terminator
  length_ -= count;
}

EditOutcome TextBuffer::key(int virtualKey) {
  switch (virtualKey) {
    case KEY_END:
      caret_ = static_cast<uint32_t>(length_);
      return consumed(true);
    case KEY_HOME:
      caret_ = 0;
      return consumed(true);
    case KEY_LEFT:
      if (caret_ == 0) return EditOutcome{};  // passed on, so the window may use it
      caret_ = static_cast<uint32_t>(previous(caret_));
      return consumed(true);
    case KEY_RIGHT:
      if (caret_ >= length_) return consumed();
      caret_ = static_cast<uint32_t>(next(caret_));
      return consumed(true);
    case KEY_DELETE:
      if (caret_ >= length_) return consumed();
      eraseAt(caret_, next(caret_) - caret_);
      return consumed(true, true);
    case KEY_BACKSPACE: {
      if (caret_ == 0) return consumed();
      size_t start = previous(caret_);
      eraseAt(start, caret_ - start);
      caret_ = static_cast<uint32_t>(start);
      return consumed(true, true);
    }
    case KEY_ENTER:
    case KEY_ESCAPE:
      return notified(virtualKey);
    default:
      return EditOutcome{};
  }
}

EditOutcome TextBuffer::character(uint8_t byte) { return typed(std::string(1, static_cast<char>(byte))); }

EditOutcome TextBuffer::typed(const std::string& bytes) {
  // The byte is read as a signed character, so only 0 to 27 are control characters.
  if (bytes.empty() || static_cast<uint8_t>(bytes[0]) <= kLastControlCharacter) return consumed();
  if (length_ + bytes.size() >= bytes_.size()) return consumed();  // full: the terminator needs the last byte
  insertAt(caret_, bytes);
  caret_ += static_cast<uint32_t>(bytes.size());
  return consumed(true, true);
}

size_t caretForClick(size_t textLength, int x, const PrefixWidth& prefixWidth) {
  for (size_t k = 0; k <= textLength; ++k) {
    if (prefixWidth(k) > x) return k;
  }
  return textLength;
}

size_t caretForClick(const TextBuffer& text, int x, const PrefixWidth& prefixWidth) {
  size_t length = text.length();
  for (size_t k = 0; k < length; k = nextCharacter(text.text(), length, k, text.encoding())) {
    if (prefixWidth(k) > x) return k;
  }
  return length;
}

CaretBar caretBar(uint32_t caret, int prefixWidth, int prefixHeight, int objectHeight) {
  if (caret == 0) return CaretBar{0, objectHeight};
  return CaretBar{prefixWidth, prefixHeight};
}

}  // namespace vellaro
