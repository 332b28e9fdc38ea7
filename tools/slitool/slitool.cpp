// slitool: makes, lists and unpacks image libraries (.sli) on any machine.
//   slitool pack LIB FILE...   adds each FILE (group:path puts it under group); creates LIB if missing
//   slitool list LIB           one line per entry: name, tab, unpacked size, tab, packed size
//   slitool unpack LIB DIR     writes every entry below DIR, a group as a subfolder
// Exit code 0 on success; otherwise 1 with a one-line message on stderr per problem. A damaged
// library is read as far as it goes: list and unpack keep every intact entry and name each damaged
// one (and a cut directory) on stderr; pack refuses it. pack works on a copy and renames it over
// LIB at the end, so an interrupted or refused pack leaves LIB as it was.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include "image/image_library.h"

namespace fs = std::filesystem;
using vellaro::CoderHost;
using vellaro::LibraryDirectory;
using vellaro::LibraryStatus;

namespace {

class ToolHost : public CoderHost {
 public:
  void showMessage(const std::string& text) override { std::cerr << text << '\n'; }
};

int fail(const std::string& message) {
  std::cerr << "slitool: " << message << '\n';
  return 1;
}

int usage() {
  return fail("usage: slitool pack LIB FILE... | slitool list LIB | slitool unpack LIB DIR");
}

bool readFile(const std::string& path, std::vector<uint8_t>* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes->assign(std::istreambuf_iterator<char>(in), {});
  return !in.bad();
}

// 0 for a library the tool can read; otherwise 1 after its message.
int openProblem(const std::string& path, const LibraryDirectory& directory) {
  switch (directory.status) {
    case LibraryStatus::Ok:
    case LibraryStatus::Damaged: return 0;
    case LibraryStatus::Missing: return fail("cannot open library " + path);
    case LibraryStatus::NotLibrary: return fail(path + " is not an image library");
  }
  return 0;
}

// Names each damage of the directory on stderr; 1 when there was any.
int reportDamage(const LibraryDirectory& directory) {
  std::vector<std::string> problems = vellaro::libraryProblems(directory);
  for (const std::string& problem : problems) std::cerr << problem << '\n';
  return problems.empty() ? 0 : 1;
}

struct PackItem {
  std::string group;
  std::string path;
};

// "group:path" or a plain path; a drive letter (C:\ or C:/) is part of the path, not a group.
PackItem splitItem(const std::string& argument) {
  size_t colon = argument.find(':');
  bool drive = colon == 1 && argument.size() > 2 && (argument[2] == '\\' || argument[2] == '/');
  if (colon == std::string::npos || drive) return PackItem{"", argument};
  return PackItem{argument.substr(0, colon), argument.substr(colon + 1)};
}

std::string baseName(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

int pack(const std::string& library, const std::vector<std::string>& arguments) {
  ToolHost host;
  std::string work = library + ".slitool-new";
  std::error_code error;
  bool exists = fs::exists(library, error);
  if (exists) {
    LibraryDirectory directory = vellaro::readLibraryDirectory(library, host);
    if (openProblem(library, directory) != 0 || reportDamage(directory) != 0) return 1;
    fs::copy_file(library, work, fs::copy_options::overwrite_existing, error);
  } else if (!vellaro::createLibrary(work)) {
    error = std::make_error_code(std::errc::io_error);
  }
  if (error) return fail("cannot write " + work);
  for (const std::string& argument : arguments) {
    PackItem item = splitItem(argument);
    std::vector<uint8_t> data;
    bool added = readFile(item.path, &data) &&
                 vellaro::addLibraryEntry(work, item.group, baseName(item.path), data.data(), data.size(), host);
    if (!added) {
      fs::remove(work, error);
      return fail("cannot add " + argument + "; " + library + " is unchanged");
    }
  }
  if (!host.replaceFile(work, library)) {
    fs::remove(work, error);
    return fail("cannot write " + library);
  }
  return 0;
}

int list(const std::string& library) {
  ToolHost host;
  LibraryDirectory directory = vellaro::readLibraryDirectory(library, host);
  if (openProblem(library, directory) != 0) return 1;
  for (const vellaro::LibraryRecord& record : directory.entries) {
    std::cout << record.name << '\t' << record.unpackedSize << '\t' << record.packedSize << '\n';
  }
  return reportDamage(directory);
}

// A group or file name that stays inside the target folder: one plain component.
bool isSafeComponent(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  return name.find_first_of("/\\:") == std::string::npos;
}

// The place of an entry below dir, or empty when its name would lead outside of dir.
fs::path entryPath(const fs::path& dir, const std::string& name) {
  size_t colon = name.find(':');
  if (colon == std::string::npos) return isSafeComponent(name) ? dir / name : fs::path();
  std::string group = name.substr(0, colon);
  std::string file = name.substr(colon + 1);
  return isSafeComponent(group) && isSafeComponent(file) ? dir / group / file : fs::path();
}

bool writeEntry(const fs::path& target, const std::vector<uint8_t>& bytes) {
  std::error_code error;
  fs::create_directories(target.parent_path(), error);
  std::ofstream out(target, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out.flush());
}

int unpack(const std::string& library, const std::string& dir) {
  ToolHost host;
  LibraryDirectory directory = vellaro::readLibraryDirectory(library, host);
  if (openProblem(library, directory) != 0) return 1;
  int result = 0;
  for (const vellaro::LibraryRecord& record : directory.entries) {
    if (!record.intact()) {  // its data is not in the file: nothing of it is written
      std::cerr << record.problem << '\n';
      result = 1;
      continue;
    }
    fs::path target = entryPath(dir, record.name);
    if (target.empty()) {
      result = fail("refusing " + record.name + ": it would be written outside " + dir);
      continue;
    }
    std::ifstream in(library, std::ios::binary);
    std::vector<uint8_t> block(record.packedSize);
    in.seekg(record.dataOffset);
    in.read(reinterpret_cast<char*>(block.data()), static_cast<std::streamsize>(block.size()));
    vellaro::UnpackResult bytes = vellaro::lzwUnpack(block.data(), block.size(), record.unpackedSize, host);
    if (!in || bytes.damaged) result = fail(record.name + " is damaged; wrote what could be unpacked");
    if (!writeEntry(target, bytes.bytes)) result = fail("cannot write " + target.string());
  }
  if (!directory.problem.empty()) {
    std::cerr << directory.problem << '\n';
    result = 1;
  }
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  if (arguments.size() >= 3 && arguments[0] == "pack") {
    return pack(arguments[1], std::vector<std::string>(arguments.begin() + 2, arguments.end()));
  }
  if (arguments.size() == 2 && arguments[0] == "list") return list(arguments[1]);
  if (arguments.size() == 3 && arguments[0] == "unpack") return unpack(arguments[1], arguments[2]);
  return usage();
}
