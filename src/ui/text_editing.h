// The editing rules of a text field, apart from any window (no windows.h here): the text buffer
// with its caret, the effect of each key and typed character, and where the caret goes for a
// click or is drawn, given the widths the window side measures.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/text_encoding.h"

namespace vellaro {

// Bytes of a new buffer: 255 characters and the terminator.
constexpr size_t kTextBufferSize = 256;

// Key codes the editing rules know (the Windows virtual-key values).
enum EditKey : int {
  KEY_BACKSPACE = 0x08,
  KEY_ENTER = 0x0D,
  KEY_ESCAPE = 0x1B,
  KEY_END = 0x23,
  KEY_HOME = 0x24,
  KEY_LEFT = 0x25,
  KEY_RIGHT = 0x27,
  KEY_DELETE = 0x2E,
};

// What one key or character did. result is the window hook's answer: 0 when the field consumed
// it, 1 when default processing should see it.
struct EditOutcome {
  int result = 1;
  bool repaint = false;
  bool changed = false;    // the text changed: the change notification is due
  int notifyKey = 0;       // 13 or 27: the key notification is due
  bool operator==(const EditOutcome& other) const {
    return result == other.result && repaint == other.repaint && changed == other.changed &&
           notifyKey == other.notifyKey;
  }
};

// A zero-terminated text in a buffer of fixed size, and the caret as a byte index. In a UTF-8
// field the caret, Delete and Backspace step over whole characters, and a typed character goes in
// whole or not at all. Only setText enlarges the buffer; typing never writes past it.
class TextBuffer {
 public:
  TextBuffer() : bytes_(kTextBufferSize, '\0') {}

  // Replaces the text and puts the caret at its end. A text of 255 characters or more gets a
  // buffer of exactly its length plus one.
  void setText(const char* text);
  const char* text() const { return bytes_.data(); }
  size_t length() const { return length_; }
  size_t capacity() const { return bytes_.size(); }
  uint32_t caret() const { return caret_; }
  // Puts the caret at position, at most the text length.
  void setCaret(size_t position);
  TextEncoding encoding() const { return encoding_; }
  void setEncoding(TextEncoding encoding) { encoding_ = encoding; }

  // A WM_KEYDOWN of the virtual key.
  EditOutcome key(int virtualKey);
  // A WM_CHAR of the byte. 0 to 27 are ignored; a character that would not fit into the buffer
  // is dropped (consumed, no change), so a field holds at most capacity() - 1 characters.
  EditOutcome character(uint8_t byte);
  // A typed character as its bytes in the field's encoding (a whole UTF-8 sequence in a UTF-8
  // field); its first byte is judged as character() judges a byte.
  EditOutcome typed(const std::string& bytes);

 private:
  void insertAt(size_t position, const std::string& bytes);
  void eraseAt(size_t position, size_t count);
  size_t next(size_t position) const { return nextCharacter(bytes_.data(), length_, position, encoding_); }
  size_t previous(size_t position) const { return previousCharacter(bytes_.data(), position, encoding_); }

  std::vector<char> bytes_;
  size_t length_ = 0;
  uint32_t caret_ = 0;
  TextEncoding encoding_ = TextEncoding::Ansi;
};

// Width of the first k characters of the text, measured by the window side.
using PrefixWidth = std::function<int(size_t k)>;

// The caret position for a click at x: the smallest k whose prefix is wider than x, or the text
// length when there is none.
size_t caretForClick(size_t textLength, int x, const PrefixWidth& prefixWidth);
// The same over the field's text, trying only the places between whole characters.
size_t caretForClick(const TextBuffer& text, int x, const PrefixWidth& prefixWidth);

// The caret bar: one pixel wide at x, height pixels high.
struct CaretBar {
  int x;
  int height;
  bool operator==(const CaretBar& other) const { return x == other.x && height == other.height; }
};

// At position 0 the bar is at x 0 and as high as the object; elsewhere it stands after the first
// caret characters and is as high as their measured extent.
CaretBar caretBar(uint32_t caret, int prefixWidth, int prefixHeight, int objectHeight);

}  // namespace vellaro
