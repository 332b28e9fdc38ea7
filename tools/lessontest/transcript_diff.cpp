#include "transcript_diff.h"

#include <algorithm>
#include <cstdint>
#include <string>


namespace vellaro {
namespace {

constexpr size_t kContext = 2;
// Above this many cells the middle part is shown as removed and added as a whole.
constexpr size_t kLargestTable = 16u * 1024u * 1024u;

struct Edit {
  char mark;       // ' ', '-' or '+'
  size_t before;   // line index in expected (the next one, for '+')
  size_t after;    // line index in actual (the next one, for '-')
};

using Lines = std::vector<std::string>;

// The edits that turn expected[from..] into actual[from..], by the longest common subsequence of
// the lines between the common start and the common end.
std::vector<Edit> editScript(const Lines& a, const Lines& b) {
  size_t start = 0;
  while (start < a.size() && start < b.size() && a[start] == b[start]) ++start;
  size_t endA = a.size();
  size_t endB = b.size();
  while (endA > start && endB > start && a[endA - 1] == b[endB - 1]) --endA, --endB;
  size_t n = endA - start;
  size_t m = endB - start;
  std::vector<Edit> edits;
  for (size_t i = 0; i < start; ++i) edits.push_back({' ', i, i});
  std::vector<uint32_t> table;
  bool small = (n + 1) * (m + 1) <= kLargestTable;
  if (small) table.assign((n + 1) * (m + 1), 0);
  auto cell = [&](size_t i, size_t j) -> uint32_t& { return table[i * (m + 1) + j]; };
  for (size_t i = n; small && i-- > 0;) {
    for (size_t j = m; j-- > 0;) {
      cell(i, j) = a[start + i] == b[start + j] ? cell(i + 1, j + 1) + 1 : std::max(cell(i + 1, j), cell(i, j + 1));
    }
  }
  size_t i = 0;
  size_t j = 0;
  while (i < n || j < m) {
    if (small && i < n && j < m && a[start + i] == b[start + j]) {
      edits.push_back({' ', start + i++, start + j++});
    } else if (i < n && (j == m || !small || cell(i + 1, j) >= cell(i, j + 1))) {
      edits.push_back({'-', start + i++, start + j});
    } else {
      edits.push_back({'+', start + i, start + j++});
    }
  }
  for (size_t k = 0; endA + k < a.size(); ++k) edits.push_back({' ', endA + k, endB + k});
  return edits;
}

std::string hunk(const std::vector<Edit>& edits, size_t first, size_t last, const Lines& a, const Lines& b) {
  size_t countA = 0;
  size_t countB = 0;
  std::string body;
  for (size_t k = first; k < last; ++k) {
    const Edit& edit = edits[k];
    const std::string& text = edit.mark == '+' ? b[edit.after] : a[edit.before];
    body += edit.mark + text + "\n";
    countA += edit.mark != '+';
    countB += edit.mark != '-';
  }
  size_t startA = edits[first].before + (countA ? 1 : 0);
  size_t startB = edits[first].after + (countB ? 1 : 0);
  auto range = [](size_t start, size_t count) { return std::to_string(start) + "," + std::to_string(count); };
  return "@@ -" + range(startA, countA) + " +" + range(startB, countB) + " @@\n" + body;
}

}  // namespace

std::vector<std::string> splitLines(const std::string& text) {
  Lines lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

std::string unifiedDiff(const Lines& expected, const Lines& actual, const std::string& expectedName,
                        const std::string& actualName) {
  if (expected == actual) return "";
  std::vector<Edit> edits = editScript(expected, actual);
  std::string diff = "--- " + expectedName + "\n+++ " + actualName + "\n";
  size_t k = 0;
  while (k < edits.size()) {
    while (k < edits.size() && edits[k].mark == ' ') ++k;
    if (k == edits.size()) break;
    size_t first = k > kContext ? k - kContext : 0;
    size_t last = k + 1;  // one past the latest change of this hunk
    // Changes with at most twice the context between them share a hunk.
    for (size_t e = k + 1; e < edits.size() && e - last <= 2 * kContext; ++e) {
      if (edits[e].mark != ' ') last = e + 1;
    }
    last = std::min(edits.size(), last + kContext);
    diff += hunk(edits, first, last, expected, actual);
    k = last;
  }
  return diff;
}

}  // namespace vellaro
