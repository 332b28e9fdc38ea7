// The bytes as index.scn: read by the line reader, tokenized and run by the interpreter on the
// unit tests' fake host, with a bound on executed lines so that endless loops end.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fake_host.h"
#include "script/interpreter.h"
#include "scratch_folder.h"

namespace {

constexpr uint64_t kLineLimit = 20000;

// A store file name with a slash could leave the scratch folder; such inputs are not run.
bool mayWriteOutside(const uint8_t* data, size_t size) {
  return std::memchr(data, '/', size) != nullptr && memmem(data, size, "store", 5) != nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (mayWriteOutside(data, size)) return 0;
  vellaro::ScratchFolder folder;
  folder.writeFile("index.scn", data, size);
  vellaro::FakeHost host;
  vellaro::Interpreter interpreter(host);
  interpreter.reset();
  interpreter.lineLimit = kLineLimit;
  interpreter.runScenario("index.scn");
  return 0;
}
