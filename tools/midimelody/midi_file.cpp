// The Standard MIDI File reader: a header chunk MThd, then chunks of 4-byte type and 4-byte
// big-endian length; track chunks MTrk hold events of a variable-length delta time and a channel
// message (with running status), a meta event (FF type length data) or a SysEx event (F0 or F7
// length data). Chunks of other types are skipped, as the file format asks.
#include "midi_file.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace vellaro::midimelody {
namespace {

constexpr size_t kChunkHeaderSize = 8;
constexpr size_t kHeaderDataSize = 6;
constexpr uint8_t kMetaEvent = 0xFF;
constexpr uint8_t kSysExEvent = 0xF0;
constexpr uint8_t kSysExEscape = 0xF7;
constexpr uint8_t kMetaEndOfTrack = 0x2F;
constexpr uint8_t kMetaTempo = 0x51;
constexpr uint8_t kMetaTimeSignature = 0x58;
constexpr uint8_t kNoteOff = 0x80;
constexpr uint8_t kNoteOn = 0x90;
constexpr size_t kNoOpenNote = SIZE_MAX;

std::string tracksText(size_t count) { return std::to_string(count) + (count == 1 ? " track" : " tracks"); }

std::string hexByte(uint8_t value) {
  const char* digits = "0123456789ABCDEF";
  return std::string{digits[value >> 4], digits[value & 0x0F]};
}

uint32_t bigEndian(const uint8_t* bytes, int count) {
  uint32_t value = 0;
  for (int i = 0; i < count; ++i) value = value << 8 | bytes[i];
  return value;
}

// One track chunk's events. Every read is checked against the chunk's end; the first problem is
// kept in error_ with the track and the byte of the file where it lies.
class TrackReader {
 public:
  TrackReader(const uint8_t* data, size_t size, size_t fileOffset, int track)
      : data_(data), size_(size), fileOffset_(fileOffset), track_(track) {
    open_.fill(kNoOpenNote);
  }

  bool read(MidiTrack* track, MidiFile* file);
  const std::string& error() const { return error_; }

 private:
  bool fail(const std::string& what) {
    error_ = "track " + std::to_string(track_) + ", byte " + std::to_string(fileOffset_ + eventStart_) + ": " + what;
    return false;
  }
  bool byte(uint8_t* value);
  bool quantity(uint32_t* value);
  bool event(MidiTrack* track, MidiFile* file);
  bool metaEvent(MidiFile* file);
  bool channelMessage(uint8_t status, uint8_t first, MidiTrack* track);
  void noteEnds(MidiTrack* track, unsigned slot);

  const uint8_t* data_;
  size_t size_;
  size_t fileOffset_;
  int track_;
  size_t pos_ = 0;
  size_t eventStart_ = 0;
  uint64_t tick_ = 0;
  uint8_t status_ = 0;  // the running status; 0 before the first channel message
  bool ended_ = false;
  std::array<size_t, 16 * 128> open_;  // per channel and key, the sounding note's index
  std::string error_;
};

bool TrackReader::byte(uint8_t* value) {
  if (pos_ >= size_) return fail("an event runs past the end of its chunk (a length that lies?)");
  *value = data_[pos_++];
  return true;
}

// A variable-length quantity: 7 bits a byte, high bit set on all but the last, at most four bytes.
bool TrackReader::quantity(uint32_t* value) {
  *value = 0;
  for (int i = 0; i < 4; ++i) {
    uint8_t b = 0;
    if (!byte(&b)) return false;
    *value = *value << 7 | (b & 0x7F);
    if (!(b & 0x80)) return true;
  }
  return fail("a variable-length number longer than four bytes");
}

void TrackReader::noteEnds(MidiTrack* track, unsigned slot) {
  if (open_[slot] != kNoOpenNote) track->notes[open_[slot]].endTick = tick_;
  open_[slot] = kNoOpenNote;
}

bool TrackReader::channelMessage(uint8_t status, uint8_t first, MidiTrack* track) {
  uint8_t type = status & 0xF0;
  uint8_t second = 0;
  bool twoBytes = type != 0xC0 && type != 0xD0;  // program change and channel pressure have one
  if (twoBytes && !byte(&second)) return false;
  if ((first | second) & 0x80) return fail("a channel message is cut short by a status byte");
  unsigned slot = (status & 0x0F) * 128u + first;
  if (type == kNoteOn && second != 0) {
    noteEnds(track, slot);  // a key struck again ends its previous note
    open_[slot] = track->notes.size();
    track->notes.push_back(NoteOn{tick_, tick_, static_cast<uint8_t>(status & 0x0F), first});
  } else if (type == kNoteOff || type == kNoteOn) {
    noteEnds(track, slot);
  }
  return true;
}

bool TrackReader::metaEvent(MidiFile* file) {
  uint8_t type = 0;
  uint32_t length = 0;
  if (!byte(&type) || !quantity(&length)) return false;
  if (length > size_ - pos_) return fail("a meta event runs past the end of its chunk (a length that lies?)");
  if (type == kMetaTempo) {
    if (length != 3) return fail("a tempo event of " + std::to_string(length) + " bytes; it has 3");
    file->tempos.push_back(TempoChange{tick_, bigEndian(data_ + pos_, 3)});
  }
  if (type == kMetaTimeSignature) {  // numerator, denominator, clocks per click, 32nds per quarter
    if (length != 4) return fail("a time signature event of " + std::to_string(length) + " bytes; it has 4");
    file->metronome.push_back(MetronomeChange{tick_, data_[pos_ + 2]});
  }
  if (type == kMetaEndOfTrack) ended_ = true;
  pos_ += length;
  return true;
}

// One event. Meta and SysEx events keep the running status, so a file that leans on it after
// them is still read.
bool TrackReader::event(MidiTrack* track, MidiFile* file) {
  eventStart_ = pos_;
  if (ended_) return fail("bytes after the end-of-track event (a length that lies?)");
  uint32_t delta = 0;
  uint8_t lead = 0;
  if (!quantity(&delta) || !byte(&lead)) return false;
  tick_ += delta;
  if (lead == kMetaEvent) return metaEvent(file);
  if (lead == kSysExEvent || lead == kSysExEscape) {
    uint32_t length = 0;
    if (!quantity(&length)) return false;
    if (length > size_ - pos_) return fail("a SysEx event runs past the end of its chunk (a length that lies?)");
    pos_ += length;
    return true;
  }
  if (lead >= 0xF0) return fail("status byte " + hexByte(lead) + " has no place in a MIDI file");
  if (lead & 0x80) {
    status_ = lead;
    if (!byte(&lead)) return false;
  } else if (status_ == 0) {
    return fail("a data byte with no status byte before it");
  }
  return channelMessage(status_, lead, track);
}

bool TrackReader::read(MidiTrack* track, MidiFile* file) {
  while (pos_ < size_) {
    if (!event(track, file)) return false;
  }
  if (!ended_) {
    eventStart_ = pos_;
    return fail("the track has no end-of-track event");
  }
  track->endTick = tick_;
  for (unsigned slot = 0; slot < open_.size(); ++slot) noteEnds(track, slot);  // notes never released
  return true;
}

bool readHeader(const uint8_t* data, size_t size, MidiFile* file, uint32_t* tracks, std::string* error) {
  if (size < 4 || std::memcmp(data, "MThd", 4) != 0) {
    *error = "not a MIDI file: it does not begin with MThd";
    return false;
  }
  uint32_t length = size < kChunkHeaderSize ? 0 : bigEndian(data + 4, 4);
  if (size < kChunkHeaderSize + kHeaderDataSize || length < kHeaderDataSize || length > size - kChunkHeaderSize) {
    *error = "the header chunk is cut off or too short";
    return false;
  }
  const uint8_t* header = data + kChunkHeaderSize;
  uint32_t format = bigEndian(header, 2);
  *tracks = bigEndian(header + 2, 2);
  uint32_t division = bigEndian(header + 4, 2);
  if (format > 1) {
    *error = "format " + std::to_string(format) + "; midimelody reads formats 0 and 1";
  } else if (format == 0 && *tracks != 1) {
    *error = "a format 0 file has one track; the header announces " + std::to_string(*tracks);
  } else if (division & 0x8000) {
    *error = "the division counts SMPTE frames; midimelody reads only divisions in ticks per quarter note";
  } else if (division == 0) {
    *error = "a division of 0 ticks per quarter note";
  } else {
    file->format = static_cast<int>(format);
    file->ticksPerQuarter = static_cast<uint16_t>(division);
    return true;
  }
  return false;
}

// The changes of all tracks in one map: by tick, and in file order where ticks are equal.
template <typename Change>
void orderByTick(std::vector<Change>* changes) {
  std::stable_sort(changes->begin(), changes->end(), [](const Change& a, const Change& b) { return a.tick < b.tick; });
}

}  // namespace

bool readMidiFile(const uint8_t* data, size_t size, MidiFile* file, std::string* error) {
  *file = MidiFile{};
  uint32_t announced = 0;
  if (!readHeader(data, size, file, &announced, error)) return false;
  size_t pos = kChunkHeaderSize + bigEndian(data + 4, 4);
  while (pos < size) {
    if (size - pos < kChunkHeaderSize) {
      *error = "the chunk at byte " + std::to_string(pos) + " is cut off";
      return false;
    }
    uint32_t length = bigEndian(data + pos + 4, 4);
    if (length > size - pos - kChunkHeaderSize) {
      *error = "the chunk at byte " + std::to_string(pos) + " announces " + std::to_string(length) + " bytes; " +
               std::to_string(size - pos - kChunkHeaderSize) + " follow (a cut file or a length that lies?)";
      return false;
    }
    if (std::memcmp(data + pos, "MTrk", 4) == 0) {
      if (file->tracks.size() == announced) {
        *error = "the header announces " + tracksText(announced) + "; the file holds more";
        return false;
      }
      TrackReader reader(data + pos + kChunkHeaderSize, length, pos + kChunkHeaderSize,
                         static_cast<int>(file->tracks.size()));
      file->tracks.emplace_back();
      if (!reader.read(&file->tracks.back(), file)) {
        *error = reader.error();
        return false;
      }
    }
    pos += kChunkHeaderSize + length;
  }
  if (file->tracks.size() != announced) {
    *error = "the header announces " + tracksText(announced) + "; the file holds " + std::to_string(file->tracks.size());
    return false;
  }
  orderByTick(&file->tempos);
  orderByTick(&file->metronome);
  return true;
}

}  // namespace vellaro::midimelody
