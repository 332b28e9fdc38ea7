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

void TextBuffer::insertAt(size_t position, char byte) {
  std::memmove(&bytes_[position + 1], &bytes_[position], length_ - position + 1);  // with the terminator
  bytes_[position] = byte;
  ++length_;
}

void TextBuffer::eraseAt(size_t position) {
  std::memmove(&bytes_[position], &bytes_[position + 1], length_ - position);  // with the terminator
  --length_;
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
      --caret_;
      return consumed(true);
    case KEY_RIGHT:
      if (caret_ >= length_) return consumed();
      ++caret_;
      return consumed(true);
    case KEY_DELETE:
      if (caret_ >= length_) return consumed();
      eraseAt(caret_);
      return consumed(true, true);
    case KEY_BACKSPACE:
      if (caret_ == 0) return consumed();
      eraseAt(--caret_);
      return consumed(true, true);
    case KEY_ENTER:
    case KEY_ESCAPE:
      return notified(virtualKey);
    default:
      return EditOutcome{};
  }
}

EditOutcome TextBuffer::character(uint8_t byte) {
  // The byte is read as a signed character, so only 0 to 27 are control characters.
  if (byte <= kLastControlCharacter) return consumed();
  if (length_ + 1 >= bytes_.size()) return consumed();  // full: the terminator needs the last byte
  insertAt(caret_, static_cast<char>(byte));
  ++caret_;
  return consumed(true, true);
}

size_t caretForClick(size_t textLength, int x, const PrefixWidth& prefixWidth) {
  for (size_t k = 0; k <= textLength; ++k) {
    if (prefixWidth(k) > x) return k;
  }
  return textLength;
}

CaretBar caretBar(uint32_t caret, int prefixWidth, int prefixHeight, int objectHeight) {
  if (caret == 0) return CaretBar{0, objectHeight};
  return CaretBar{prefixWidth, prefixHeight};
}

}  // namespace vellaro
