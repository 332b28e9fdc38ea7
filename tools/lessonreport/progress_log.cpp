#include "progress_log.h"

#include <array>
#include <cstdio>

namespace vellaro::lessonreport {

namespace {

// In the order of Verdict.
constexpr std::array<const char*, 6> kVerdictWords = {"ok", "early", "late", "wrong", "missed", "extra"};
static_assert(kVerdictWords.size() == static_cast<size_t>(Verdict::Extra) + 1, "one word per verdict");

constexpr int kFieldCount = 6;
constexpr size_t kMaxNumberDigits = 9;  // fits an int32 whatever the digits
constexpr int64_t kSecondsPerDay = 86400;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// A whole number written with digits only, at most kMaxNumberDigits of them.
bool wholeNumber(std::string_view text, uint32_t* value) {
  if (text.empty() || text.size() > kMaxNumberDigits) return false;
  uint32_t result = 0;
  for (char c : text) {
    if (!isDigit(c)) return false;
    result = result * 10 + static_cast<uint32_t>(c - '0');
  }
  *value = result;
  return true;
}

// The digits of text[at, at + count) as a number, or -1.
int digitsAt(std::string_view text, size_t at, size_t count) {
  uint32_t value = 0;
  return wholeNumber(text.substr(at, count), &value) && value <= 9999 ? static_cast<int>(value) : -1;
}

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int year, int month) {
  constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

// Days from 1970-01-01 to the date of the proleptic Gregorian calendar (eras of 400 years, counted
// from 1 March so that the leap day ends the year).
int64_t daysFromCivil(int year, int month, int day) {
  int64_t y = month <= 2 ? year - 1 : year;
  int64_t era = (y >= 0 ? y : y - 399) / 400;
  int64_t yearOfEra = y - era * 400;
  int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

// The inverse of daysFromCivil.
void civilFromDays(int64_t days, LogTime* time) {
  days += 719468;
  int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  int64_t dayOfEra = days - era * 146097;
  int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;
  time->day = static_cast<int>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
  time->month = static_cast<int>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
  time->year = static_cast<int>(yearOfEra + era * 400 + (time->month <= 2 ? 1 : 0));
}

// "YYYY-MM-DD HH:MM:SS" of a real calendar day and a time of day from 00:00:00 to 23:59:59.
bool parseDateTime(std::string_view text, LogTime* time) {
  if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != ' ' || text[13] != ':' || text[16] != ':') {
    return false;
  }
  LogTime t;
  t.year = digitsAt(text, 0, 4);
  t.month = digitsAt(text, 5, 2);
  t.day = digitsAt(text, 8, 2);
  t.hour = digitsAt(text, 11, 2);
  t.minute = digitsAt(text, 14, 2);
  t.second = digitsAt(text, 17, 2);
  if (t.year < 1 || t.month < 1 || t.month > 12 || t.day < 1 || t.day > daysInMonth(t.year, t.month) || t.hour < 0 ||
      t.hour > 23 || t.minute < 0 || t.minute > 59 || t.second < 0 || t.second > 59) {
    return false;
  }
  t.seconds = daysFromCivil(t.year, t.month, t.day) * kSecondsPerDay + t.hour * 3600 + t.minute * 60 + t.second;
  *time = t;
  return true;
}

bool parseVerdict(std::string_view word, Verdict* verdict) {
  for (size_t i = 0; i < kVerdictWords.size(); ++i) {
    if (word == kVerdictWords[i]) {
      *verdict = static_cast<Verdict>(i);
      return true;
    }
  }
  return false;
}

// Words separated by single blanks, or nothing.
const char* parseVerdicts(std::string_view text, std::vector<Verdict>* verdicts) {
  verdicts->clear();
  if (text.empty()) return nullptr;
  size_t start = 0;
  while (true) {
    size_t blank = text.find(' ', start);
    std::string_view word = text.substr(start, blank == std::string_view::npos ? text.npos : blank - start);
    if (word.empty()) return "verdict words not separated by single blanks";
    Verdict verdict = Verdict::Ok;
    if (!parseVerdict(word, &verdict)) return "a word that is no verdict";
    verdicts->push_back(verdict);
    if (blank == std::string_view::npos) return nullptr;
    start = blank + 1;
  }
}

// A byte that a line of text never holds: control bytes other than the field separator.
bool hasControlBytes(std::string_view line) {
  for (char c : line) {
    auto byte = static_cast<unsigned char>(c);
    if ((byte < 0x20 && c != '\t') || byte == 0x7F) return true;
  }
  return false;
}

// Splits at every tab; false when the count is not kFieldCount.
bool splitFields(std::string_view line, std::array<std::string_view, kFieldCount>* fields) {
  size_t start = 0;
  for (int i = 0; i < kFieldCount; ++i) {
    size_t tab = line.find('\t', start);
    bool last = i == kFieldCount - 1;
    if (last != (tab == std::string_view::npos)) return false;
    (*fields)[i] = line.substr(start, last ? line.npos : tab - start);
    start = tab + 1;
  }
  return true;
}

void parseLine(std::string_view line, const std::string& source, size_t number, ProgressLog* log) {
  Attempt attempt;
  if (const char* problem = parseProgressLine(line, &attempt)) {
    skipLine(log, source, number, problem);
    return;
  }
  log->attempts.push_back(std::move(attempt));
}

}  // namespace

const char* verdictWord(Verdict verdict) { return kVerdictWords[static_cast<size_t>(verdict)]; }

std::string formatDateTime(const LogTime& time) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", time.year, time.month, time.day, time.hour,
                time.minute, time.second);
  return text;
}

std::string formatDate(const LogTime& time) { return formatDateTime(time).substr(0, 10); }

std::string formatHourMinute(const LogTime& time) { return formatDateTime(time).substr(11, 5); }

LogTime logTimeAt(int64_t seconds) {
  int64_t days = (seconds >= 0 ? seconds : seconds - (kSecondsPerDay - 1)) / kSecondsPerDay;
  int64_t ofDay = seconds - days * kSecondsPerDay;
  LogTime time;
  civilFromDays(days, &time);
  time.hour = static_cast<int>(ofDay / 3600);
  time.minute = static_cast<int>(ofDay / 60 % 60);
  time.second = static_cast<int>(ofDay % 60);
  time.seconds = seconds;
  return time;
}

const char* parseProgressLine(std::string_view line, Attempt* attempt) {
  if (line.empty()) return "an empty line";
  static const std::string kTooLong = "longer than " + std::to_string(kMaxLogLineLength) + " characters";
  if (line.size() > kMaxLogLineLength) return kTooLong.c_str();
  if (hasControlBytes(line)) return "control bytes: not a line of text";
  std::array<std::string_view, kFieldCount> fields;
  if (!splitFields(line, &fields)) return "not six fields separated by tabs";
  Attempt result;
  if (!parseDateTime(fields[0], &result.time)) return "no date and time of the form YYYY-MM-DD HH:MM:SS";
  if (fields[1].empty()) return "no tag";
  result.tag = std::string(fields[1]);
  uint32_t score = 0;
  if (!wholeNumber(fields[2], &score) || score > 100) return "the score is no whole number from 0 to 100";
  result.score = static_cast<int>(score);
  if (const char* problem = parseVerdicts(fields[3], &result.verdicts)) return problem;
  if (!wholeNumber(fields[4], &result.accuracyMs)) return "the accuracy is no whole number of milliseconds";
  if (!wholeNumber(fields[5], &result.compensationMs)) return "the compensation is no whole number of milliseconds";
  *attempt = std::move(result);
  return nullptr;
}

void skipLine(ProgressLog* log, const std::string& source, size_t line, const std::string& reason) {
  ++log->skippedCount;
  if (log->skipped.size() < kMaxSkippedKept) log->skipped.push_back({source, line, reason});
}

// Reads in blocks and keeps at most one byte past the longest line, so that a file with no line
// ends (another program's data) costs no more memory than a line.
void readProgressLog(std::istream& in, const std::string& source, ProgressLog* log) {
  std::string line;
  size_t length = 0;  // of the line so far, also past what is kept
  size_t number = 0;
  char block[65536];
  while (in) {
    in.read(block, sizeof block);
    std::streamsize count = in.gcount();
    for (std::streamsize i = 0; i < count; ++i) {
      char c = block[i];
      if (c != '\n') {
        if (++length <= kMaxLogLineLength + 1) line.push_back(c);
        continue;
      }
      if (!line.empty() && line.back() == '\r' && length <= kMaxLogLineLength + 1) line.pop_back();
      parseLine(line, source, ++number, log);
      line.clear();
      length = 0;
    }
  }
  if (length > 0) parseLine(line, source, ++number, log);  // a last line without its line end
}

}  // namespace vellaro::lessonreport
