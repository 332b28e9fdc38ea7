// Image libraries (.sli): many BMP files packed into one file, each entry and each entry name
// coded on its own with the LZW coder. Little-endian layout:
//   header     "ZELT", entry count N (16 bits)
//   directory  N entries of: data offset (32), packed size (32), unpacked size (32),
//              packed name size P (8), name length L (8), the packed name (P bytes)
//   data       the packed blocks, in directory order without gaps (readers use only the offsets)
// Entry names are group ":" file, or just file without a group; the first entry in directory order
// wins a lookup, so adding a name again leaves lookups finding the older entry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "image/lzw_coder.h"

namespace vellaro {

constexpr size_t kLibraryHeaderSize = 6;
constexpr size_t kLibraryEntryFixedSize = 14;
constexpr size_t kLibraryNameLength = 255;
constexpr size_t kLibraryPackedNameLength = 255;  // its size is one byte of the entry
// No picture of this program comes near it; a directory that claims more is not believed.
constexpr uint32_t kLibraryLargestEntry = 256u * 1024u * 1024u;

struct LibraryRecord {
  uint32_t dataOffset = 0;
  uint32_t packedSize = 0;
  uint32_t unpackedSize = 0;
  uint8_t packedNameSize = 0;
  std::string name;
  // Empty when the entry's data lies inside the file and its sizes can be true; otherwise the
  // damage as one message line, and no reader touches the entry's data.
  std::string problem;
  bool intact() const { return problem.empty(); }
};

enum class LibraryStatus { Ok, Missing, NotLibrary, Damaged };

struct LibraryDirectory {
  LibraryStatus status = LibraryStatus::Missing;
  // Every directory record that could be read, damaged ones included, in directory order.
  std::vector<LibraryRecord> entries;
  uint32_t size = 0;    // header plus every directory entry read, in bytes
  std::string problem;  // when the directory itself is cut or garbled: what is wrong, one line
};

// The directory, read like a damaged archive: a record whose data runs past the end of the file
// or whose sizes cannot be true is kept with its problem; a directory that is cut, or whose name
// cannot be read or unpacked, keeps the records before that point and says so in `problem`. The
// status is Damaged when anything was damaged.
LibraryDirectory readLibraryDirectory(const std::string& path, CoderHost& host);

// Every damage of a directory, one message line each: the damaged records in directory order,
// then the directory's own problem.
std::vector<std::string> libraryProblems(const LibraryDirectory& directory);

// The entry key: group ":" file, or file alone when the group is empty.
std::string libraryKey(const std::string& group, const std::string& file);

struct LibraryEntryData {
  bool found = false;
  std::vector<uint8_t> bytes;  // what could be unpacked; shorter than the entry when damaged
};
// The entry's bytes; not found when the library is missing or has no entry of that name. Damage
// is shown only where it concerns this entry: a damaged entry is not found, with its message; an
// entry not among the records of a cut directory is not found, with the directory's message.
LibraryEntryData loadLibraryEntry(const std::string& path, const std::string& group, const std::string& file,
                                  CoderHost& host);

// An empty library (header with N = 0); false when the file cannot be written.
bool createLibrary(const std::string& path);
// True when the file begins with the magic.
bool isLibrary(const std::string& path);
// Appends one entry, rebuilding the library through the temporary file "slitemp.000" in the
// library's folder and a rename, so an interrupted write leaves the old library whole. False, with
// a message, when the library is missing, damaged or not a library, the name is too long to pack
// into the directory, the library would pass 4 GB, or a file cannot be written.
bool addLibraryEntry(const std::string& path, const std::string& group, const std::string& file, const uint8_t* data,
                     size_t length, CoderHost& host);
// The names of every directory record that could be read, in directory order.
std::vector<std::string> libraryNames(const std::string& path, CoderHost& host);

}  // namespace vellaro
