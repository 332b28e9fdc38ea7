#include "base/file_append.h"

#include <cstdio>
#include <filesystem>
#include <system_error>
#include <utility>

#include "base/file_open.h"

namespace vellaro {
namespace {

// Unbuffered, so that one fwrite is one write to the file and its count says what reached it.
class StdioAppendFile final : public AppendFile {
 public:
  StdioAppendFile(std::FILE* file, std::string path) : file_(file), path_(std::move(path)) {
    std::setvbuf(file_, nullptr, _IONBF, 0);
  }
  ~StdioAppendFile() override {
    if (file_) std::fclose(file_);
  }

  bool size(uint64_t* bytes) override {
    std::error_code error;
    uintmax_t found = std::filesystem::file_size(path_, error);
    if (error) return false;
    *bytes = found;
    return true;
  }
  size_t write(const char* bytes, size_t count) override { return std::fwrite(bytes, 1, count, file_); }
  bool truncate(uint64_t bytes) override {
    if (file_) std::fflush(file_);
    std::error_code error;
    std::filesystem::resize_file(path_, bytes, error);
    return !error;
  }
  bool finish() override {
    bool flushed = std::fflush(file_) == 0;
    bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    return flushed && closed;
  }

 private:
  std::FILE* file_;
  std::string path_;
};

}  // namespace

bool appendWhole(AppendFile& file, const std::string& bytes) {
  uint64_t before = 0;
  if (!file.size(&before)) {
    file.finish();
    return false;
  }
  bool written = file.write(bytes.data(), bytes.size()) == bytes.size();
  if (!written) file.truncate(before);
  bool finished = file.finish();
  if (written && !finished) file.truncate(before);
  return written && finished;
}

bool appendToPlayerFile(const std::string& playerPath, const std::string& bytes) {
  std::FILE* opened = openPlayerFile(playerPath, "ab");
  if (!opened) return false;
  StdioAppendFile file(opened, pathOnDisk(playerPath, true));
  return appendWhole(file, bytes);
}

}  // namespace vellaro
