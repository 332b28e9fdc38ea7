// Adding a line to a file whole or not at all, for logs that a teacher reads later: a line is
// never half-written, also when the disk fills up or the file may not be written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vellaro {

// A file opened for appending, as a platform reaches it; the tests fake it.
class AppendFile {
 public:
  virtual ~AppendFile() = default;
  // The file's size in bytes now; false when it cannot be told.
  virtual bool size(uint64_t* bytes) = 0;
  // One write of count bytes at the end of the file; the number of bytes written, fewer when the
  // disk is full.
  virtual size_t write(const char* bytes, size_t count) = 0;
  // Cuts the file back to bytes long.
  virtual bool truncate(uint64_t bytes) = 0;
  // Flushes and closes the file; false when what was written did not reach it.
  virtual bool finish() = 0;
};

// Appends bytes with one write. On a short write or a failed finish the file is cut back to the
// size it had before, so it holds either its old bytes or its old bytes and all of bytes. False
// when the bytes were not added.
bool appendWhole(AppendFile& file, const std::string& bytes);

// appendWhole on the file a lesson names (openPlayerFile's mapping; created when missing) through
// the C library. False when it cannot be opened for appending (read-only, a folder) or the write
// failed.
bool appendToPlayerFile(const std::string& playerPath, const std::string& bytes);

}  // namespace vellaro
