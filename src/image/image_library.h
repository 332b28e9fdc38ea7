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
// No picture of this program comes near it; a directory that claims more is not believed.
constexpr uint32_t kLibraryLargestEntry = 256u * 1024u * 1024u;

struct LibraryRecord {
  uint32_t dataOffset = 0;
  uint32_t packedSize = 0;
  uint32_t unpackedSize = 0;
  uint8_t packedNameSize = 0;
  std::string name;
};

enum class LibraryStatus { Ok, Missing, NotLibrary, Damaged };

struct LibraryDirectory {
  LibraryStatus status = LibraryStatus::Missing;
  std::vector<LibraryRecord> entries;
  uint32_t size = 0;    // header plus every directory entry, in bytes
  std::string problem;  // for Damaged: what is wrong, one line
};

// The directory. A library whose directory, names or data blocks run past the end of the file, or
// whose sizes cannot be true, is Damaged with no entries, so no lookup trusts any of it.
LibraryDirectory readLibraryDirectory(const std::string& path, CoderHost& host);

// The entry key: group ":" file, or file alone when the group is empty.
std::string libraryKey(const std::string& group, const std::string& file);

struct LibraryEntryData {
  bool found = false;
  std::vector<uint8_t> bytes;  // what could be unpacked; shorter than the entry when damaged
};
// The entry's bytes; not found when the library is missing, damaged (its message is shown) or has
// no entry of that name.
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
// The entry names in directory order (empty for a missing or damaged library).
std::vector<std::string> libraryNames(const std::string& path, CoderHost& host);

}  // namespace vellaro
