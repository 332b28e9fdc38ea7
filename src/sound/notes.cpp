// The two live sources of notes: the PC keyboard laid out as a two-row piano, and the MIDI keyboard.
#include <array>

#include "sound/instrument_bank.h"

namespace vellaro {
namespace {

constexpr uintptr_t kFirstPianoCode = 30;
constexpr uintptr_t kKeyCodes = 200;
constexpr uintptr_t kFirstArrow = 37;  // VK_LEFT
constexpr uintptr_t kLastArrow = 40;   // VK_DOWN
constexpr uint8_t kNoteOnStatus = 0x90;   // channel 1 only
constexpr uint8_t kNoteOffStatus = 0x80;  // channel 1 only
constexpr int kMidiKeyboardOffset = 36;   // MIDI 60, middle C, is note 24: a sample's own pitch

struct PianoKey {
  unsigned code;
  int note;
};

// Virtual-key codes of letters and digits are their upper-case characters.
constexpr PianoKey kPianoKeys[] = {
    // lower row: Z is note 0, the row above it holds the black keys
    {'Z', 0}, {'S', 1}, {'X', 2}, {'D', 3}, {'C', 4}, {'V', 5}, {'G', 6}, {'B', 7}, {'H', 8},
    {'N', 9}, {'J', 10}, {'M', 11}, {188, 12}, {'L', 13}, {190, 14}, {186, 15}, {191, 16},
    // upper row: Q is note 12, the digits above it are the black keys
    {'Q', 12}, {'2', 13}, {'W', 14}, {'3', 15}, {'E', 16}, {'R', 17}, {'5', 18}, {'T', 19}, {'6', 20},
    {'Y', 21}, {'7', 22}, {'U', 23}, {'I', 24}, {'9', 25}, {'O', 26}, {'0', 27}, {'P', 28},
};
// The gaps between black keys play nothing.
constexpr unsigned kGapKeys[] = {'A', 'F', 'K', '1', '4', '8'};

// The KeyNoteTable: 0 means no note, v means note v - 1. Every other code c plays note c - 1.
constexpr std::array<int, kKeyCodes> makeKeyNoteTable() {
  std::array<int, kKeyCodes> table{};
  for (unsigned code = 1; code < kKeyCodes; ++code) table[code] = static_cast<int>(code);
  for (const PianoKey& key : kPianoKeys) table[key.code] = key.note + 1;
  for (unsigned code : kGapKeys) table[code] = 0;
  return table;
}

constexpr std::array<int, kKeyCodes> kKeyNoteTable = makeKeyNoteTable();

}  // namespace

int keyNoteValue(uintptr_t code) { return code < kKeyCodes ? kKeyNoteTable[code] : 0; }

int InstrumentBank::keyboardNote(const KeyEvent& key, int entry) {
  uintptr_t code = key.code;
  if (code < kFirstPianoCode || code >= kKeyCodes) return -1;
  if (key.down && (key.repeated || (code >= kFirstArrow && code <= kLastArrow))) return -1;
  int value = kKeyNoteTable[code];
  if (value <= 0) return -1;
  int note = value - 1;
  if (key.down) {
    noteOn(entry, static_cast<uint16_t>(note), kLiveTag, kFullVelocity);
  } else {
    noteOff(entry, static_cast<uint16_t>(note), kLiveTag);  // arrows are not excluded here
  }
  return note;
}

int InstrumentBank::midiNote(uint8_t status, uint8_t data1, uint8_t data2, int entry) {
  auto note = static_cast<uint16_t>(data1 - kMidiKeyboardOffset);
  int result = 0;
  if (status == kNoteOnStatus && data2 != 0) {
    noteOn(entry, note, kLiveTag, data2);
    result = static_cast<int16_t>(note);
  }
  if (status == kNoteOffStatus || (status == kNoteOnStatus && data2 == 0)) {
    noteOff(entry, note, kLiveTag);
    result = static_cast<int16_t>(note);
  }
  return result;
}

}  // namespace vellaro
