// Putting a finished temporary file in place of another, shared by store files and image libraries.
#pragma once

#include <string>

namespace vellaro {

// Flushes the complete file at from to the disk (where the platform allows it from portable code)
// and renames it over to, so that to holds either its old or its new bytes. Where rename refuses
// an existing target, to is removed first and the rename tried again. False when it failed; from
// is then still there.
bool replaceFileWithFlush(const std::string& from, const std::string& to);

}  // namespace vellaro
