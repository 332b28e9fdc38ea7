// What the page tells about one tag: its attempts in time order and which notes fail most.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "progress_log.h"

namespace vellaro::lessonreport {

struct TagHistory {
  std::string tag;
  std::vector<const Attempt*> attempts;  // in time order; attempts of the same second as read
};

// One history per tag, in the order of each tag's first attempt. The histories point into
// attempts, which must outlive them.
std::vector<TagHistory> historiesByTag(const std::vector<Attempt>& attempts);

// The attempt with the highest score, the earliest of equals.
const Attempt& bestAttempt(const TagHistory& history);

// How the attempts went at one expected note. Positions count the expected notes only (the words
// other than extra), 0 for the first.
struct PositionTally {
  size_t attempts = 0;               // attempts that had a note at this position
  std::array<size_t, 6> verdicts{};  // indexed by Verdict; Extra stays 0

  size_t failures() const { return attempts - verdicts[static_cast<size_t>(Verdict::Ok)]; }
};

std::vector<PositionTally> tallyPositions(const TagHistory& history);

// Up to count positions with failures, most failures first, the earlier position of equals.
std::vector<size_t> positionsThatFailMost(const std::vector<PositionTally>& tallies, size_t count);

// Attempts with at least one extra note.
size_t attemptsWithExtraNotes(const TagHistory& history);

}  // namespace vellaro::lessonreport
