// The lesson's flow as a Graphviz DOT graph: files and labels are nodes; jumps, calls, loads and a
// section running on into the next label are edges.
#pragma once

#include <string>

#include "linter.h"

namespace vellaro::lint {

std::string flowGraph(const Linter& linter);

}  // namespace vellaro::lint
