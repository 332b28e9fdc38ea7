// The pictures of a tag's section, as inline SVG whose colours come from the page's style sheet.
#pragma once

#include <string>

#include "tag_history.h"

namespace vellaro::lessonreport {

// The score (0 to 100) over the attempts on a dated time axis: a line through one
// <circle class="attempt"> per attempt, each with a title that gives its date, time and score.
std::string scoreChart(const TagHistory& history);

// A strip per attempt with one cell per verdict word (class "note" and the word: "note ok",
// "note late", ...), the notes' positions above them and each position's failures below.
std::string noteStrips(const TagHistory& history, const std::vector<PositionTally>& tallies);

// One cell of each colour with its word, to explain the strips.
std::string verdictLegend();

}  // namespace vellaro::lessonreport
