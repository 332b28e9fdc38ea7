#include "script/host.h"

#include "base/file_replace.h"

namespace vellaro {

bool Host::replaceFile(const std::string& from, const std::string& to) { return replaceFileWithFlush(from, to); }

}  // namespace vellaro
