// scnlint: checks a lesson before it is run. Reports "file:line: error|warning|note: message", one per
// line; exit code 0 when clean, 1 for warnings only, 2 for errors. --graph prints the lesson's flow
// as Graphviz DOT instead, and the findings go to standard error. --language prints the scenario
// language (every word with its items, every message the player can show) as JSON.
#include <cstdio>
#include <cstring>
#include <string>

#include "flow_graph.h"
#include "language_json.h"
#include "linter.h"

namespace {

int usage() {
  std::fputs("usage: scnlint [--graph] LESSON.scn\n       scnlint --language\n", stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--language") == 0) {
    std::fputs(vellaro::lint::languageJson().c_str(), stdout);
    return 0;
  }
  bool graph = argc == 3 && std::strcmp(argv[1], "--graph") == 0;
  if (argc != 2 && !graph) return usage();
  std::string path = argv[argc - 1];
  // The player runs the lesson in the lesson file's folder, so every name is taken from there.
  size_t slash = path.find_last_of("/\\");
  std::string root = slash == std::string::npos ? "" : path.substr(0, slash);
  vellaro::lint::Linter linter(root);
  if (!linter.check(slash == std::string::npos ? path : path.substr(slash + 1))) {
    std::fprintf(stderr, "%s:1: error: cannot read the lesson file\n", path.c_str());
    return 2;
  }
  std::FILE* out = graph ? stderr : stdout;
  bool errors = false;
  bool warnings = false;
  for (const vellaro::lint::Finding& finding : linter.findings()) {
    const std::string& file = linter.files()[static_cast<size_t>(finding.file)].shownPath;
    const char* kind = finding.note ? "note" : finding.error ? "error" : "warning";
    std::fprintf(out, "%s:%d: %s: %s\n", file.c_str(), finding.line, kind, finding.message.c_str());
    errors = errors || finding.error;
    warnings = warnings || (!finding.error && !finding.note);
  }
  if (graph) std::fputs(vellaro::lint::flowGraph(linter).c_str(), stdout);
  return errors ? 2 : warnings ? 1 : 0;
}
