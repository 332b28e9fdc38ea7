// The bytes as a store file read back by restore. The first line (up to 255 bytes) is the list of
// variables asked for, the rest is the file.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fake_host.h"
#include "script/commands/commands.h"
#include "script/interpreter.h"
#include "script/text.h"
#include "script/tokenizer.h"
#include "scratch_folder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto* newline = static_cast<const uint8_t*>(std::memchr(data, '\n', size));
  size_t listLength = newline ? static_cast<size_t>(newline - data) : 0;
  size_t fileStart = newline ? listLength + 1 : 0;

  vellaro::ScratchFolder folder;
  folder.writeFile("progress.sto", data + fileStart, size - fileStart);

  static char slots[6][vellaro::kArgumentSize];
  std::memset(slots, 0, sizeof slots);
  std::strcpy(slots[0], "restore");
  std::strcpy(slots[1], "progress.sto");
  std::memcpy(slots[2], data, listLength < 255 ? listLength : 255);
  vellaro::CommandArgs args{{slots[0], slots[1], slots[2], slots[3], slots[4], slots[5]}, ""};
  vellaro::FakeHost host;
  vellaro::Interpreter interpreter(host);
  interpreter.reset();
  interpreter.variables.assign("score", "7");
  vellaro::cmdRestore(interpreter, args);
  return 0;
}
