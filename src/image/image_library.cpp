#include "image/image_library.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "base/text_format.h"
#include "base/messages.h"
#include "base/file_replace.h"

namespace vellaro {
namespace {

const char kMagic[4] = {'Z', 'E', 'L', 'T'};
const char kTemporaryName[] = "slitemp.000";

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

File openFile(const std::string& path, const char* mode) { return File(std::fopen(path.c_str(), mode)); }

uint64_t fileSize(std::FILE* file) {
  if (std::fseek(file, 0, SEEK_END) != 0) return 0;
  long size = std::ftell(file);
  std::fseek(file, 0, SEEK_SET);
  return size > 0 ? static_cast<uint64_t>(size) : 0;
}

bool readBytes(std::FILE* file, uint8_t* out, size_t count) { return std::fread(out, 1, count, file) == count; }
bool writeBytes(std::FILE* file, const uint8_t* bytes, size_t count) {
  return count == 0 || std::fwrite(bytes, 1, count, file) == count;
}

uint32_t readU32(const uint8_t* bytes) {
  return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 | static_cast<uint32_t>(bytes[2]) << 16 |
         static_cast<uint32_t>(bytes[3]) << 24;
}
void putU32(uint8_t* out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}

// The coder of names stays quiet: a damaged name is reported once, as damage of the directory.
class QuietHost : public CoderHost {
 public:
  explicit QuietHost(CoderHost& host) : host_(host) {}
  void showMessage(const std::string&) override {}
  void pumpMessages() override { host_.pumpMessages(); }

 private:
  CoderHost& host_;
};

std::string damageLine(const std::string& path, const std::string& what) {
  return format(kLibraryDamaged, path.c_str(), what.c_str());
}

// Reads one directory record. Returns what keeps the rest of the directory from being read (the
// record is then lost), empty otherwise; damage of the entry's data goes into the record.
std::string readEntry(std::FILE* file, const std::string& path, uint64_t librarySize, CoderHost& host,
                      LibraryRecord* record) {
  uint8_t fixed[kLibraryEntryFixedSize];
  if (!readBytes(file, fixed, sizeof fixed)) return kLibraryDirectoryEnds;
  record->dataOffset = readU32(fixed);
  record->packedSize = readU32(fixed + 4);
  record->unpackedSize = readU32(fixed + 8);
  record->packedNameSize = fixed[12];
  uint8_t nameLength = fixed[13];
  uint8_t packedName[kLibraryPackedNameLength];
  if (!readBytes(file, packedName, record->packedNameSize)) return kLibraryNameCut;
  QuietHost quiet(host);
  UnpackResult name = lzwUnpack(packedName, record->packedNameSize, nameLength, quiet);
  if (name.damaged) return kLibraryNameDamaged;
  record->name.assign(name.bytes.begin(), name.bytes.end());
  if (static_cast<uint64_t>(record->dataOffset) + record->packedSize > librarySize) {
    record->problem = damageLine(path, format(kLibraryDataOutside, record->name.c_str()));
  } else if (record->unpackedSize > kLibraryLargestEntry ||
             record->unpackedSize > lzwLargestUnpackedSize(record->packedSize)) {
    record->problem = damageLine(path, format(kLibrarySizeImpossible, record->name.c_str()));
  }
  return "";
}

std::vector<uint8_t> readBlock(std::FILE* file, uint32_t offset, uint32_t size) {
  std::vector<uint8_t> block(size);
  if (std::fseek(file, static_cast<long>(offset), SEEK_SET) != 0 || !readBytes(file, block.data(), size)) block.clear();
  return block;
}

// The directory entry in file form.
std::vector<uint8_t> encodeEntry(uint32_t offset, uint32_t packedSize, uint32_t unpackedSize,
                                 const std::vector<uint8_t>& packedName, size_t nameLength) {
  std::vector<uint8_t> entry(kLibraryEntryFixedSize + packedName.size());
  putU32(&entry[0], offset);
  putU32(&entry[4], packedSize);
  putU32(&entry[8], unpackedSize);
  entry[12] = static_cast<uint8_t>(packedName.size());
  entry[13] = static_cast<uint8_t>(nameLength);
  std::copy(packedName.begin(), packedName.end(), entry.begin() + kLibraryEntryFixedSize);
  return entry;
}

std::string temporaryPathFor(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? kTemporaryName : path.substr(0, slash + 1) + kTemporaryName;
}

struct NewEntry {
  std::vector<uint8_t> packedKey;
  size_t keyLength;
  std::vector<uint8_t> packedData;
  size_t dataLength;
};

// Header, shifted old entries, the new entry, the old blocks and the new block, in file order.
bool writeRebuilt(std::FILE* out, std::FILE* old, const LibraryDirectory& directory, const NewEntry& added,
                  CoderHost& host) {
  uint8_t header[kLibraryHeaderSize] = {'Z', 'E', 'L', 'T', 0, 0};
  size_t count = directory.entries.size() + 1;
  header[4] = static_cast<uint8_t>(count);
  header[5] = static_cast<uint8_t>(count >> 8);
  if (!writeBytes(out, header, sizeof header)) return false;
  uint32_t shift = static_cast<uint32_t>(kLibraryEntryFixedSize + added.packedKey.size());
  uint64_t dataEnd = directory.size + shift;
  QuietHost quiet(host);
  for (const LibraryRecord& record : directory.entries) {
    std::vector<uint8_t> name = lzwPack(reinterpret_cast<const uint8_t*>(record.name.data()), record.name.size(), quiet);
    std::vector<uint8_t> entry = encodeEntry(record.dataOffset + shift, record.packedSize, record.unpackedSize, name,
                                             record.name.size());
    if (!writeBytes(out, entry.data(), entry.size())) return false;
    dataEnd += record.packedSize;
  }
  std::vector<uint8_t> entry = encodeEntry(static_cast<uint32_t>(dataEnd), static_cast<uint32_t>(added.packedData.size()),
                                           static_cast<uint32_t>(added.dataLength), added.packedKey, added.keyLength);
  if (!writeBytes(out, entry.data(), entry.size())) return false;
  for (const LibraryRecord& record : directory.entries) {
    std::vector<uint8_t> block = readBlock(old, record.dataOffset, record.packedSize);
    if (block.size() != record.packedSize) return false;
    if (std::fseek(out, static_cast<long>(record.dataOffset + shift), SEEK_SET) != 0) return false;
    if (!writeBytes(out, block.data(), block.size())) return false;
  }
  if (std::fseek(out, static_cast<long>(dataEnd), SEEK_SET) != 0) return false;
  return writeBytes(out, added.packedData.data(), added.packedData.size()) && std::fflush(out) == 0;
}

// Everything addLibraryEntry refuses before touching a file; empty when the entry can be added.
std::string refusal(const std::string& path, const LibraryDirectory& directory, const NewEntry& added,
                    const std::string& key) {
  if (directory.status == LibraryStatus::Missing) return format(kLibraryCannotOpen, path.c_str());
  if (directory.status == LibraryStatus::NotLibrary) return format(kLibraryNotLibrary, path.c_str());
  if (directory.status == LibraryStatus::Damaged) return libraryProblems(directory).front();
  if (key.size() > kLibraryNameLength || added.packedKey.size() > kLibraryPackedNameLength) {
    return format(kLibraryNameTooLong, key.c_str());
  }
  if (directory.entries.size() >= 0xFFFF) return format(kLibraryFull, path.c_str());
  if (added.dataLength > kLibraryLargestEntry) return format(kLibraryEntryTooLarge, key.c_str());
  uint64_t total = directory.size + kLibraryEntryFixedSize + added.packedKey.size() + added.packedData.size();
  for (const LibraryRecord& record : directory.entries) total += record.packedSize;
  if (total > 0x7FFFFFFF) return format(kLibraryTooLarge, path.c_str());
  return "";
}

}  // namespace

bool CoderHost::replaceFile(const std::string& from, const std::string& to) { return replaceFileWithFlush(from, to); }

std::string libraryKey(const std::string& group, const std::string& file) {
  return group.empty() ? file : group + ":" + file;
}

LibraryDirectory readLibraryDirectory(const std::string& path, CoderHost& host) {
  LibraryDirectory directory;
  File file = openFile(path, "rb");
  if (!file) return directory;
  uint64_t librarySize = fileSize(file.get());
  uint8_t header[kLibraryHeaderSize];
  directory.size = kLibraryHeaderSize;
  if (!readBytes(file.get(), header, sizeof header) || std::memcmp(header, kMagic, 4) != 0) {
    directory.status = LibraryStatus::NotLibrary;
    return directory;
  }
  directory.status = LibraryStatus::Ok;
  unsigned count = header[4] | header[5] << 8;
  for (unsigned i = 0; i < count; ++i) {
    LibraryRecord record;
    std::string cut = readEntry(file.get(), path, librarySize, host, &record);
    if (!cut.empty()) {
      directory.problem = damageLine(path, cut);
      directory.status = LibraryStatus::Damaged;
      break;
    }
    if (!record.intact()) directory.status = LibraryStatus::Damaged;
    directory.size += static_cast<uint32_t>(kLibraryEntryFixedSize + record.packedNameSize);
    directory.entries.push_back(std::move(record));
  }
  return directory;
}

std::vector<std::string> libraryProblems(const LibraryDirectory& directory) {
  std::vector<std::string> problems;
  for (const LibraryRecord& record : directory.entries) {
    if (!record.intact()) problems.push_back(record.problem);
  }
  if (!directory.problem.empty()) problems.push_back(directory.problem);
  return problems;
}

LibraryEntryData loadLibraryEntry(const std::string& path, const std::string& group, const std::string& file,
                                  CoderHost& host) {
  LibraryEntryData result;
  LibraryDirectory directory = readLibraryDirectory(path, host);
  std::string key = libraryKey(group, file);
  auto record = std::find_if(directory.entries.begin(), directory.entries.end(),
                             [&key](const LibraryRecord& r) { return r.name == key; });
  if (record == directory.entries.end()) {
    if (!directory.problem.empty()) host.showMessage(directory.problem);  // the cut may have taken it
    return result;
  }
  if (!record->intact()) {
    host.showMessage(record->problem);
    return result;
  }
  File library = openFile(path, "rb");
  if (!library) return result;
  std::vector<uint8_t> block = readBlock(library.get(), record->dataOffset, record->packedSize);
  library.reset();
  if (block.size() != record->packedSize) return result;
  result.found = true;
  result.bytes = lzwUnpack(block.data(), block.size(), record->unpackedSize, host).bytes;
  return result;
}

bool createLibrary(const std::string& path) {
  File file = openFile(path, "wb");
  const uint8_t header[kLibraryHeaderSize] = {'Z', 'E', 'L', 'T', 0, 0};
  return file && writeBytes(file.get(), header, sizeof header) && std::fflush(file.get()) == 0;
}

bool isLibrary(const std::string& path) {
  File file = openFile(path, "rb");
  uint8_t header[kLibraryHeaderSize];
  return file && readBytes(file.get(), header, sizeof header) && std::memcmp(header, kMagic, 4) == 0;
}

bool addLibraryEntry(const std::string& path, const std::string& group, const std::string& file, const uint8_t* data,
                     size_t length, CoderHost& host) {
  std::string key = libraryKey(group, file);
  NewEntry added{lzwPack(reinterpret_cast<const uint8_t*>(key.data()), key.size(), host), key.size(),
                 lzwPack(data, length, host), length};
  LibraryDirectory directory = readLibraryDirectory(path, host);
  std::string problem = refusal(path, directory, added, key);
  if (!problem.empty()) {
    host.showMessage(problem);
    return false;
  }
  File old = openFile(path, "rb");
  std::string temporary = temporaryPathFor(path);
  File out = openFile(temporary, "w+b");
  if (!old || !out) {
    host.showMessage(format(kLibraryCannotWriteFile, (old ? temporary : path).c_str()));
    return false;
  }
  bool written = writeRebuilt(out.get(), old.get(), directory, added, host);
  old.reset();
  written = std::fclose(out.release()) == 0 && written;
  if (!written || !host.replaceFile(temporary, path)) {
    std::remove(temporary.c_str());
    host.showMessage(format(kLibraryCannotWrite, path.c_str()));
    return false;
  }
  return true;
}

std::vector<std::string> libraryNames(const std::string& path, CoderHost& host) {
  std::vector<std::string> names;
  for (const LibraryRecord& record : readLibraryDirectory(path, host).entries) names.push_back(record.name);
  return names;
}

}  // namespace vellaro
