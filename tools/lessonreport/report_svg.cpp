#include "report_svg.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "html_text.h"

namespace vellaro::lessonreport {

namespace {

// The chart: scores from 0 (bottom) to 100 (top) in the plot box, the time axis's labels below it.
constexpr int kChartWidth = 720;
constexpr int kChartHeight = 240;
constexpr int kPlotLeft = 44;
constexpr int kPlotRight = 696;
constexpr int kPlotTop = 12;
constexpr int kPlotBottom = 196;
constexpr int kMaxTimeTicks = 6;
constexpr int64_t kDay = 86400;
// Steps of the time axis in seconds; the smallest that gives at most kMaxTimeTicks ticks is taken.
constexpr int64_t kTickSteps[] = {60,   300,      900,      1800,      3600,      3 * 3600,  6 * 3600,  12 * 3600,
                                  kDay, 2 * kDay, 7 * kDay, 14 * kDay, 28 * kDay, 91 * kDay, 364 * kDay};

// The strips: the attempt's date, time and score, then a cell per verdict word.
constexpr int kStripLabelWidth = 190;
constexpr int kScoreRight = 178;
constexpr int kCellSize = 14;
constexpr int kCellPitch = 16;
constexpr int kRowPitch = 18;
constexpr int kHeaderHeight = 16;
constexpr size_t kNumberEveryPosition = 30;  // longer strips number every fifth position

// A tenth of a pixel is finer than any screen shows; whole numbers go without ".0", which keeps
// a page of thousands of cells smaller.
std::string number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  size_t length = std::strlen(text);
  if (length > 2 && std::strcmp(text + length - 2, ".0") == 0) text[length - 2] = '\0';
  return std::strcmp(text, "-0") == 0 ? "0" : text;
}

std::string svgText(double x, double y, const char* cls, const std::string& text, const char* anchor = "start") {
  return "<text class=\"" + std::string(cls) + "\" x=\"" + number(x) + "\" y=\"" + number(y) + "\" text-anchor=\"" +
         anchor + "\">" + text + "</text>";
}

std::string line(double x1, double y1, double x2, double y2, const char* cls) {
  return "<line class=\"" + std::string(cls) + "\" x1=\"" + number(x1) + "\" y1=\"" + number(y1) + "\" x2=\"" +
         number(x2) + "\" y2=\"" + number(y2) + "\"/>";
}

std::string rect(double x, double y, double width, double height, const std::string& cls) {
  return "<rect class=\"" + cls + "\" x=\"" + number(x) + "\" y=\"" + number(y) + "\" width=\"" + number(width) +
         "\" height=\"" + number(height) + "\"/>";
}

int64_t ceilDivide(int64_t a, int64_t b) {
  int64_t quotient = a / b;
  return quotient * b < a ? quotient + 1 : quotient;
}

int64_t tickStep(int64_t span) {
  for (int64_t step : kTickSteps) {
    if (span / step < kMaxTimeTicks) return step;
  }
  int64_t step = kTickSteps[std::size(kTickSteps) - 1];
  while (span / step >= kMaxTimeTicks) step *= 2;
  return step;
}

// Where on the chart an attempt's time and score lie. A history of one moment sits in the middle.
struct ChartScale {
  int64_t first = 0;
  int64_t span = 0;

  double x(int64_t seconds) const {
    if (span == 0) return (kPlotLeft + kPlotRight) / 2.0;
    return kPlotLeft + static_cast<double>(seconds - first) * (kPlotRight - kPlotLeft) / static_cast<double>(span);
  }
  static double y(int score) { return kPlotBottom - score * (kPlotBottom - kPlotTop) / 100.0; }
};

std::string scoreGrid() {
  std::string out;
  for (int score = 0; score <= 100; score += 25) {
    double y = ChartScale::y(score);
    out += line(kPlotLeft, y, kPlotRight, y, score == 0 ? "axis" : "grid");
    out += svgText(kPlotLeft - 6, y + 4, "label", std::to_string(score), "end");
  }
  return out;
}

// A tick with the hour (when it has one) and the date (when asked: the first tick and where the
// day changes).
std::string timeTick(double x, const LogTime& time, bool withHour, bool withDate) {
  std::string out = line(x, kPlotTop, x, kPlotBottom, "grid");
  double y = kPlotBottom + 16;
  if (withHour) {
    out += svgText(x, y, "label", formatHourMinute(time), "middle");
    y += 14;
  }
  if (withDate) out += svgText(x, y, "label", formatDate(time), "middle");
  return out;
}

std::string timeAxis(const ChartScale& scale) {
  if (scale.span == 0) return timeTick(scale.x(scale.first), logTimeAt(scale.first), true, true);
  int64_t step = tickStep(scale.span);
  int64_t tick = ceilDivide(scale.first, step) * step;
  if (tick > scale.first + scale.span) return timeTick(scale.x(scale.first), logTimeAt(scale.first), true, true);
  bool daySteps = step % kDay == 0;
  std::string out;
  std::string previousDate;
  for (; tick <= scale.first + scale.span; tick += step) {
    LogTime time = logTimeAt(tick);
    std::string date = formatDate(time);
    out += timeTick(scale.x(tick), time, !daySteps, daySteps || date != previousDate);
    previousDate = date;
  }
  return out;
}

std::string attemptPoints(const TagHistory& history, const ChartScale& scale) {
  std::string trend;
  std::string points;
  for (const Attempt* attempt : history.attempts) {
    std::string x = number(scale.x(attempt->time.seconds));
    std::string y = number(ChartScale::y(attempt->score));
    trend += (trend.empty() ? "" : " ") + x + "," + y;
    points += "<circle class=\"attempt\" cx=\"" + x + "\" cy=\"" + y + "\" r=\"4\"><title>" +
              formatDateTime(attempt->time) + ": " + std::to_string(attempt->score) + "</title></circle>";
  }
  return "<polyline class=\"trend\" points=\"" + trend + "\"/>" + points;
}

size_t longestStrip(const TagHistory& history, size_t positions) {
  size_t longest = positions;
  for (const Attempt* attempt : history.attempts) longest = std::max(longest, attempt->verdicts.size());
  return longest;
}

double cellX(size_t index) { return kStripLabelWidth + static_cast<double>(index) * kCellPitch; }

// Missed notes are an outline: drawn inside the cell so that the stroke keeps to its size.
std::string noteCell(double x, double y, Verdict verdict) {
  std::string cls = std::string("note ") + verdictWord(verdict);
  if (verdict == Verdict::Missed) return rect(x + 1, y + 1, kCellSize - 2, kCellSize - 2, cls);
  std::string out = rect(x, y, kCellSize, kCellSize, cls);
  // Early and late share a colour; a letter tells them apart.
  if (verdict == Verdict::Early) out += svgText(x + kCellSize / 2.0, y + 11, "cell-letter", "E", "middle");
  if (verdict == Verdict::Late) out += svgText(x + kCellSize / 2.0, y + 11, "cell-letter", "L", "middle");
  return out;
}

std::string strip(const Attempt& attempt, double y) {
  std::string words;
  for (Verdict verdict : attempt.verdicts) words += std::string(words.empty() ? "" : " ") + verdictWord(verdict);
  std::string out = "<g class=\"strip\"><title>" + formatDateTime(attempt.time) + ": " + std::to_string(attempt.score) +
                    (words.empty() ? "" : ", " + words) + "</title>";
  out += svgText(0, y + 11, "when", formatDateTime(attempt.time));
  out += svgText(kScoreRight, y + 11, "score", std::to_string(attempt.score), "end");
  for (size_t i = 0; i < attempt.verdicts.size(); ++i) out += noteCell(cellX(i), y, attempt.verdicts[i]);
  return out + "</g>";
}

std::string positionNumbers(size_t positions) {
  std::string out = svgText(0, 11, "label", "note");
  for (size_t i = 0; i < positions; ++i) {
    if (positions > kNumberEveryPosition && i != 0 && (i + 1) % 5 != 0) continue;
    out += svgText(cellX(i) + kCellSize / 2.0, 11, "label", std::to_string(i + 1), "middle");
  }
  return out;
}

// A cell per position, the redder the more attempts failed there, with the count of failures.
std::string failureRow(const std::vector<PositionTally>& tallies, double y) {
  std::string out = svgText(0, y + 11, "when", "not ok");
  for (size_t i = 0; i < tallies.size(); ++i) {
    double share = static_cast<double>(tallies[i].failures()) / static_cast<double>(tallies[i].attempts);
    out += "<rect class=\"fails\" x=\"" + number(cellX(i)) + "\" y=\"" + number(y) + "\" width=\"" +
           std::to_string(kCellSize) + "\" height=\"" + std::to_string(kCellSize) + "\" fill-opacity=\"" +
           number(share) + "\"/>";
    out += svgText(cellX(i) + kCellSize / 2.0, y + 11, "cell-count", std::to_string(tallies[i].failures()), "middle");
  }
  return out;
}

}  // namespace

std::string scoreChart(const TagHistory& history) {
  ChartScale scale;
  scale.first = history.attempts.front()->time.seconds;
  scale.span = history.attempts.back()->time.seconds - scale.first;
  return "<svg class=\"chart\" width=\"" + std::to_string(kChartWidth) + "\" height=\"" + std::to_string(kChartHeight) +
         "\" viewBox=\"0 0 " + std::to_string(kChartWidth) + " " + std::to_string(kChartHeight) +
         "\" role=\"img\"><title>Score over " + std::to_string(history.attempts.size()) + " attempts</title>" +
         scoreGrid() + timeAxis(scale) + attemptPoints(history, scale) + "</svg>";
}

std::string noteStrips(const TagHistory& history, const std::vector<PositionTally>& tallies) {
  size_t cells = longestStrip(history, tallies.size());
  size_t width = kStripLabelWidth + cells * kCellPitch + 4;
  size_t height = kHeaderHeight + (history.attempts.size() + 1) * kRowPitch + 4;
  std::string out = "<svg class=\"strips\" width=\"" + std::to_string(width) + "\" height=\"" + std::to_string(height) +
                    "\" viewBox=\"0 0 " + std::to_string(width) + " " + std::to_string(height) +
                    "\" role=\"img\"><title>Every note of every attempt</title>";
  out += positionNumbers(tallies.size());
  double y = kHeaderHeight;
  for (const Attempt* attempt : history.attempts) {
    out += strip(*attempt, y);
    y += kRowPitch;
  }
  return out + failureRow(tallies, y + 4) + "</svg>";
}

std::string verdictLegend() {
  constexpr Verdict kAll[] = {Verdict::Ok,    Verdict::Early,  Verdict::Late,
                              Verdict::Wrong, Verdict::Missed, Verdict::Extra};
  std::string out = "<svg class=\"legend\" width=\"560\" height=\"18\" viewBox=\"0 0 560 18\">";
  double x = 0;
  for (Verdict verdict : kAll) {
    out += noteCell(x, 2, verdict) + svgText(x + kCellPitch + 2, 13, "label", verdictWord(verdict));
    x += 90;
  }
  return out + "</svg>";
}

}  // namespace vellaro::lessonreport
