// Progress logs as check log writes them: one attempt per line,
//
//   YYYY-MM-DD HH:MM:SS <TAB> TAG <TAB> SCORE <TAB> WORDS <TAB> ACCURACY <TAB> COMPENSATION <CR LF>
//
// with the local date and time, the lesson's TAG (lesson text, so any byte but a control byte), the
// score 0 to 100, the verdict words (ok early late wrong missed extra) separated by single blanks
// (empty when nothing was expected or played), and the accuracy and the latency compensation in
// whole milliseconds. LF alone ends a line too.
//
// A log is the learner's history and may be damaged (a disk that filled up, a file edited by
// hand, another program's file given by mistake): a line that does not read as an attempt is
// skipped with its place and the reason, and reading goes on with the next line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

namespace vellaro::lessonreport {

// A line of check log holds at most 500 expected and 500 extra words of at most 6 letters, a tag of
// at most 254 characters and a few numbers; a longer line is no attempt.
constexpr size_t kMaxLogLineLength = 8192;
// The page names the place and reason of this many skipped lines; past them only the count grows.
constexpr size_t kMaxSkippedKept = 100;

enum class Verdict : uint8_t { Ok, Early, Late, Wrong, Missed, Extra };

// "ok", "early", "late", "wrong", "missed", "extra".
const char* verdictWord(Verdict verdict);

struct LogTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  // Seconds since 1970-01-01 00:00:00 of the same clock: orders attempts and spaces the time axis.
  int64_t seconds = 0;
};

// "YYYY-MM-DD HH:MM:SS", "YYYY-MM-DD" and "HH:MM".
std::string formatDateTime(const LogTime& time);
std::string formatDate(const LogTime& time);
std::string formatHourMinute(const LogTime& time);
// The date and time of seconds since 1970-01-01 00:00:00 (the inverse of LogTime::seconds).
LogTime logTimeAt(int64_t seconds);

struct Attempt {
  LogTime time;
  std::string tag;  // as written: the lesson's bytes
  int score = 0;
  std::vector<Verdict> verdicts;
  uint32_t accuracyMs = 0;
  uint32_t compensationMs = 0;
};

// Reads one line (without its line end) as an attempt. Returns nullptr when it is one, else the
// reason it is not, for the report ("bad date and time", ...).
const char* parseProgressLine(std::string_view line, Attempt* attempt);

struct SkippedLine {
  std::string source;  // the log's name as given
  size_t line = 0;     // 1 for the first line
  std::string reason;
};

struct ProgressLog {
  std::vector<Attempt> attempts;     // in the order read
  std::vector<SkippedLine> skipped;  // the first kMaxSkippedKept
  size_t skippedCount = 0;
};

// Appends the attempts of one log to log, and a SkippedLine for each line that is no attempt.
// source names the log in the report.
void readProgressLog(std::istream& in, const std::string& source, ProgressLog* log);

// Counts a skipped line and keeps its place while fewer than kMaxSkippedKept are kept.
void skipLine(ProgressLog* log, const std::string& source, size_t line, const std::string& reason);

}  // namespace vellaro::lessonreport
