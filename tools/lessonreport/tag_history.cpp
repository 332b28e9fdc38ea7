#include "tag_history.h"

#include <algorithm>
#include <map>

namespace vellaro::lessonreport {

std::vector<TagHistory> historiesByTag(const std::vector<Attempt>& attempts) {
  std::vector<const Attempt*> ordered;
  ordered.reserve(attempts.size());
  for (const Attempt& attempt : attempts) ordered.push_back(&attempt);
  std::stable_sort(ordered.begin(), ordered.end(),
                   [](const Attempt* a, const Attempt* b) { return a->time.seconds < b->time.seconds; });
  std::vector<TagHistory> histories;
  std::map<std::string, size_t> indexOfTag;
  for (const Attempt* attempt : ordered) {
    auto [found, added] = indexOfTag.emplace(attempt->tag, histories.size());
    if (added) histories.push_back({attempt->tag, {}});
    histories[found->second].attempts.push_back(attempt);
  }
  return histories;
}

const Attempt& bestAttempt(const TagHistory& history) {
  const Attempt* best = history.attempts.front();
  for (const Attempt* attempt : history.attempts) {
    if (attempt->score > best->score) best = attempt;
  }
  return *best;
}

std::vector<PositionTally> tallyPositions(const TagHistory& history) {
  std::vector<PositionTally> tallies;
  for (const Attempt* attempt : history.attempts) {
    size_t position = 0;
    for (Verdict verdict : attempt->verdicts) {
      if (verdict == Verdict::Extra) continue;
      if (position == tallies.size()) tallies.emplace_back();
      ++tallies[position].attempts;
      ++tallies[position].verdicts[static_cast<size_t>(verdict)];
      ++position;
    }
  }
  return tallies;
}

std::vector<size_t> positionsThatFailMost(const std::vector<PositionTally>& tallies, size_t count) {
  std::vector<size_t> positions;
  for (size_t i = 0; i < tallies.size(); ++i) {
    if (tallies[i].failures() > 0) positions.push_back(i);
  }
  std::stable_sort(positions.begin(), positions.end(),
                   [&](size_t a, size_t b) { return tallies[a].failures() > tallies[b].failures(); });
  if (positions.size() > count) positions.resize(count);
  return positions;
}

size_t attemptsWithExtraNotes(const TagHistory& history) {
  return std::count_if(history.attempts.begin(), history.attempts.end(), [](const Attempt* attempt) {
    return std::find(attempt->verdicts.begin(), attempt->verdicts.end(), Verdict::Extra) != attempt->verdicts.end();
  });
}

}  // namespace vellaro::lessonreport
