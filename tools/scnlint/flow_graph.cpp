#include "flow_graph.h"

#include "script/text.h"

namespace vellaro::lint {
namespace {

std::string quoted(const std::string& text) {
  std::string result = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') result += '\\';
    result += c;
  }
  return result + "\"";
}

std::string nodeId(const Linter& linter, int file, const std::string& label) {
  if (label.empty()) return format("f%d", file);
  const std::vector<std::string>& labels = linter.files()[static_cast<size_t>(file)].labels;
  for (size_t i = 0; i < labels.size(); ++i) {
    if (labels[i] == label) return format("f%d_l%d", file, static_cast<int>(i));
  }
  return format("f%d", file);  // a target line that is not a label line: the file stands for it
}

const char* edgeStyle(EdgeKind kind) {
  switch (kind) {
    case EdgeKind::Jump: return "[label=\"goto\"]";
    case EdgeKind::Call: return "[label=\"call\", style=dashed]";
    case EdgeKind::Load: return "[label=\"load\", style=bold, color=blue]";
    case EdgeKind::FallThrough: return "[style=dotted, color=gray40]";
  }
  return "";
}

}  // namespace

std::string flowGraph(const Linter& linter) {
  std::string dot = "digraph lesson {\n  node [fontname=\"Helvetica\"];\n  edge [fontname=\"Helvetica\", fontsize=10];\n";
  const std::vector<CheckedFile>& files = linter.files();
  for (int f = 0; f < static_cast<int>(files.size()); ++f) {
    const CheckedFile& file = files[static_cast<size_t>(f)];
    dot += format("  subgraph cluster_%d {\n    label=%s;\n", f, quoted(file.playerPath).c_str());
    dot += format("    f%d [label=%s, shape=box, style=filled, fillcolor=lightyellow];\n", f,
                  quoted(file.playerPath).c_str());
    for (int i = 0; i < static_cast<int>(file.labels.size()); ++i) {
      const std::string& label = file.labels[static_cast<size_t>(i)];
      const char* shape = label[0] == '&' ? "ellipse, style=dashed" : "ellipse";
      dot += format("    f%d_l%d [label=%s, shape=%s];\n", f, i, quoted(label).c_str(), shape);
    }
    dot += "  }\n";
  }
  for (const FlowEdge& edge : linter.edges()) {
    dot += format("  %s -> %s %s;\n", nodeId(linter, edge.fromFile, edge.fromLabel).c_str(),
                  nodeId(linter, edge.toFile, edge.toLabel).c_str(), edgeStyle(edge.kind));
  }
  return dot + "}\n";
}

}  // namespace vellaro::lint
