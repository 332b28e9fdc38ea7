#include "report_page.h"

#include "html_text.h"
#include "report_svg.h"
#include "tag_history.h"

namespace vellaro::lessonreport {

namespace {

constexpr size_t kFailingPositionsNamed = 3;

// The verdict colours are those of the player's judged rhythm diagram.
constexpr const char* kStyleSheet = R"(
body { font-family: sans-serif; margin: 24px; color: #222; background: #fff; }
h1 { font-size: 24px; margin-bottom: 4px; }
h2 { font-size: 20px; margin: 32px 0 4px; border-bottom: 1px solid #ccc; }
h3 { font-size: 15px; margin: 16px 0 4px; }
p { margin: 4px 0; }
.scores b { font-size: 18px; }
.strip-box { overflow-x: auto; }
svg text { font-family: sans-serif; font-size: 11px; fill: #444; }
svg text.when, svg text.score { font-family: monospace; }
svg text.cell-letter { font-size: 10px; font-weight: bold; fill: #fff; }
svg text.cell-count { font-size: 9px; fill: #222; }
.grid { stroke: #e4e4e4; stroke-width: 1; }
.axis { stroke: #888; stroke-width: 1; }
.trend { fill: none; stroke: #1565c0; stroke-width: 2; }
.attempt { fill: #1565c0; stroke: #fff; stroke-width: 1.5; }
.note.ok { fill: #2e9e44; }
.note.early, .note.late { fill: #f08c00; }
.note.wrong { fill: #d32f2f; }
.note.missed { fill: #fff; stroke: #d32f2f; stroke-width: 2; }
.note.extra { fill: #9e9e9e; }
.fails { fill: #d32f2f; }
.skipped li { font-family: monospace; }
)";

std::string element(const char* name, const std::string& text, const char* cls = nullptr) {
  std::string open = cls ? std::string("<") + name + " class=\"" + cls + "\">" : std::string("<") + name + ">";
  return open + text + "</" + name + ">\n";
}

std::string plural(size_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string sectionId(size_t index) { return "exercise-" + std::to_string(index + 1); }

std::string overview(const ProgressLog& log, const std::vector<TagHistory>& histories,
                     const std::vector<std::string>& sources) {
  std::string names;
  for (const std::string& source : sources) names += (names.empty() ? "" : ", ") + pageText(source);
  std::string out = element("p", "Read from " + names + ".");
  if (histories.empty()) return out + element("p", "These logs hold no attempts.");
  LogTime first = log.attempts.front().time, last = first;
  for (const Attempt& attempt : log.attempts) {
    if (attempt.time.seconds < first.seconds) first = attempt.time;
    if (attempt.time.seconds > last.seconds) last = attempt.time;
  }
  out += element("p", plural(log.attempts.size(), "attempt", "attempts") + " at " +
                          plural(histories.size(), "exercise", "exercises") + ", from " + formatDateTime(first) +
                          " to " + formatDateTime(last) + ".");
  std::string items;
  for (size_t i = 0; i < histories.size(); ++i) {
    const TagHistory& history = histories[i];
    items += "<li><a href=\"#" + sectionId(i) + "\">" + pageText(history.tag) +
             "</a>: " + plural(history.attempts.size(), "attempt", "attempts") + ", best " +
             std::to_string(bestAttempt(history).score) + ", latest " + std::to_string(history.attempts.back()->score) +
             "</li>\n";
  }
  return out + "<ul class=\"contents\">\n" + items + "</ul>\n";
}

std::string scoreLine(const TagHistory& history) {
  const Attempt& best = bestAttempt(history);
  const Attempt& latest = *history.attempts.back();
  return element("p",
                 plural(history.attempts.size(), "attempt", "attempts") + ". Best score <b class=\"best\">" +
                     std::to_string(best.score) + "</b> (" + formatDateTime(best.time) +
                     "), latest score <b class=\"latest\">" + std::to_string(latest.score) + "</b> (" +
                     formatDateTime(latest.time) + ", accuracy " + std::to_string(latest.accuracyMs) +
                     " ms, compensation " + std::to_string(latest.compensationMs) + " ms).",
                 "scores");
}

// "note 4: 7 of 9 attempts not ok (4 late, 3 wrong)".
std::string failingPosition(size_t position, const PositionTally& tally) {
  std::string detail;
  for (size_t v = 0; v < tally.verdicts.size(); ++v) {
    if (v == static_cast<size_t>(Verdict::Ok) || tally.verdicts[v] == 0) continue;
    detail += (detail.empty() ? "" : ", ") + std::to_string(tally.verdicts[v]) + " " + verdictWord(Verdict(v));
  }
  return "note " + std::to_string(position + 1) + ": " + std::to_string(tally.failures()) + " of " +
         plural(tally.attempts, "attempt", "attempts") + " not ok (" + detail + ")";
}

std::string failureSummary(const TagHistory& history, const std::vector<PositionTally>& tallies) {
  std::vector<size_t> positions = positionsThatFailMost(tallies, kFailingPositionsNamed);
  std::string text;
  for (size_t position : positions) text += (text.empty() ? "" : "; ") + failingPosition(position, tallies[position]);
  text = positions.empty() ? "Every expected note was ok in every attempt." : "Notes that fail most: " + text + ".";
  size_t extra = attemptsWithExtraNotes(history);
  if (extra > 0)
    text +=
        " Extra notes in " + std::to_string(extra) + " of " + std::to_string(history.attempts.size()) + " attempts.";
  return element("p", text, "fails-most");
}

std::string tagSection(const TagHistory& history, size_t index) {
  std::vector<PositionTally> tallies = tallyPositions(history);
  std::string out = "<section class=\"exercise\" id=\"" + sectionId(index) + "\">\n";
  out += element("h2", pageText(history.tag));
  out += scoreLine(history);
  out += scoreChart(history) + "\n";
  out += element("h3", "Note by note");
  out += verdictLegend() + "\n";
  out += "<div class=\"strip-box\">" + noteStrips(history, tallies) + "</div>\n";
  out += failureSummary(history, tallies);
  return out + "</section>\n";
}

std::string skippedSection(const ProgressLog& log) {
  std::string out = "<section class=\"skipped\">\n" + element("h2", skippedHeading(log.skippedCount));
  if (log.skipped.empty()) return out + "</section>\n";
  out += element("p", "Lines that are no attempt of a progress log (damaged, edited or from another program):");
  out += "<ul>\n";
  for (const SkippedLine& skipped : log.skipped) {
    out += "<li>" + pageText(skipped.source) + " line " + std::to_string(skipped.line) + ": " +
           pageText(skipped.reason) + "</li>\n";
  }
  if (log.skippedCount > log.skipped.size()) {
    out += "<li>and " + std::to_string(log.skippedCount - log.skipped.size()) + " more</li>\n";
  }
  return out + "</ul>\n</section>\n";
}

}  // namespace

std::string skippedHeading(size_t count) {
  if (count == 0) return "No line skipped";
  return plural(count, "line", "lines") + " skipped";
}

std::string reportPage(const ProgressLog& log, const std::vector<std::string>& sources) {
  std::vector<TagHistory> histories = historiesByTag(log.attempts);
  std::string out =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<title>Progress report</title>\n<style>" +
      std::string(kStyleSheet) + "</style>\n</head>\n<body>\n";
  out += element("h1", "Progress report");
  out += overview(log, histories, sources);
  for (size_t i = 0; i < histories.size(); ++i) out += tagSection(histories[i], i);
  out += skippedSection(log);
  return out + "</body>\n</html>\n";
}

}  // namespace vellaro::lessonreport
