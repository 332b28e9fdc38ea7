// lessonreport's reading of progress logs and its page, natively under the sanitizers. (The tool's
// runs, and the page in a real browser, are in lessonreport_cli_test.py.)
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "html_text.h"
#include "progress_log.h"
#include "report_page.h"
#include "tag_history.h"

namespace vellaro::lessonreport {
namespace {

const char* const kExample = "2026-12-09 14:03:22\tEcho the rhythm\t67\tok late ok wrong missed extra\t200\t40";

size_t countOf(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++count;
  return count;
}

std::string words(const std::vector<Verdict>& verdicts) {
  std::string out;
  for (Verdict verdict : verdicts) out += std::string(out.empty() ? "" : " ") + verdictWord(verdict);
  return out;
}

Attempt attempt(const std::string& line) {
  Attempt result;
  const char* problem = parseProgressLine(line, &result);
  EXPECT_EQ(problem, nullptr) << line << ": " << problem;
  return result;
}

// --- One line ---

struct GoodLine {
  std::string line;
  std::string dateTime;
  std::string tag;
  int score;
  std::string words;
  uint32_t accuracyMs;
  uint32_t compensationMs;
};

class GoodLineTest : public ::testing::TestWithParam<GoodLine> {};

TEST_P(GoodLineTest, ReadsEveryField) {
  const GoodLine& c = GetParam();
  Attempt a = attempt(c.line);
  EXPECT_EQ(formatDateTime(a.time), c.dateTime);
  EXPECT_EQ(a.tag, c.tag);
  EXPECT_EQ(a.score, c.score);
  EXPECT_EQ(words(a.verdicts), c.words);
  EXPECT_EQ(a.accuracyMs, c.accuracyMs);
  EXPECT_EQ(a.compensationMs, c.compensationMs);
}

INSTANTIATE_TEST_SUITE_P(
    Table, GoodLineTest,
    ::testing::Values(GoodLine{kExample, "2026-12-09 14:03:22", "Echo the rhythm", 67, "ok late ok wrong missed extra",
                               200, 40},
                      // Nothing expected and nothing played: no words.
                      GoodLine{"2026-12-09 14:03:22\tT\t0\t\t200\t0", "2026-12-09 14:03:22", "T", 0, "", 200, 0},
                      GoodLine{"2028-02-29 23:59:59\tLeap\t100\tok ok\t0\t2000", "2028-02-29 23:59:59", "Leap", 100,
                               "ok ok", 0, 2000},
                      GoodLine{"2000-02-29 00:00:00\tx\t5\tearly\t1\t0", "2000-02-29 00:00:00", "x", 5, "early", 1, 0},
                      // The tag is lesson text: blanks, markup characters and Windows-1252 bytes stay as written.
                      GoodLine{"2026-01-01 08:00:00\t <b>Geh\xF6r</b> \t050\textra extra\t200\t40",
                               "2026-01-01 08:00:00", " <b>Geh\xF6r</b> ", 50, "extra extra", 200, 40}));

struct BadLine {
  std::string line;
  const char* reason;
};

class BadLineTest : public ::testing::TestWithParam<BadLine> {};

TEST_P(BadLineTest, GivesTheReason) {
  Attempt a;
  const char* problem = parseProgressLine(GetParam().line, &a);
  ASSERT_NE(problem, nullptr) << GetParam().line;
  EXPECT_STREQ(problem, GetParam().reason);
}

const char* const kFields = "not six fields separated by tabs";
const char* const kDate = "no date and time of the form YYYY-MM-DD HH:MM:SS";
const char* const kScore = "the score is no whole number from 0 to 100";
const char* const kUnknownWord = "a word that is no verdict";
const char* const kBlanks = "verdict words not separated by single blanks";
const char* const kControl = "control bytes: not a line of text";

INSTANTIATE_TEST_SUITE_P(Table, BadLineTest,
                         ::testing::Values(BadLine{"", "an empty line"},
                                           BadLine{"2026-12-09 14:03:22\tT\t67\tok\t200", kFields},
                                           BadLine{"2026-12-09 14:03:22\tT\t67\tok\t200\t40\t", kFields},
                                           BadLine{"2026-12-09 14:03:22 T 67 ok 200 40", kFields},
                                           BadLine{"2026-13-09 14:03:22\tT\t67\tok\t200\t40", kDate},
                                           BadLine{"2026-02-29 14:03:22\tT\t67\tok\t200\t40", kDate},
                                           BadLine{"2026-04-31 14:03:22\tT\t67\tok\t200\t40", kDate},
                                           BadLine{"2026-12-00 14:03:22\tT\t67\tok\t200\t40", kDate},
                                           BadLine{"2026-12-09 24:00:00\tT\t67\tok\t200\t40", kDate},
                                           BadLine{"2026-12-09 14:60:22\tT\t67\tok\t200\t40", kDate},
                                           BadLine{"2026-12-09T14:03:22\tT\t67\tok\t200\t40", kDate},
                                           BadLine{"2026-12-9 14:03:22\tT\t67\tok\t200\t40", kDate},
                                           BadLine{"2026-12-09 14:03:2x\tT\t67\tok\t200\t40", kDate},
                                           BadLine{"+026-12-09 14:03:22\tT\t67\tok\t200\t40", kDate},
                                           BadLine{"2026-12-09 14:03:22\t\t67\tok\t200\t40", "no tag"},
                                           BadLine{"2026-12-09 14:03:22\tT\t101\tok\t200\t40", kScore},
                                           BadLine{"2026-12-09 14:03:22\tT\t-1\tok\t200\t40", kScore},
                                           BadLine{"2026-12-09 14:03:22\tT\t6 7\tok\t200\t40", kScore},
                                           BadLine{"2026-12-09 14:03:22\tT\t\tok\t200\t40", kScore},
                                           BadLine{"2026-12-09 14:03:22\tT\t67\tok good\t200\t40", kUnknownWord},
                                           BadLine{"2026-12-09 14:03:22\tT\t67\tOK\t200\t40", kUnknownWord},
                                           BadLine{"2026-12-09 14:03:22\tT\t67\tok  late\t200\t40", kBlanks},
                                           BadLine{"2026-12-09 14:03:22\tT\t67\t ok\t200\t40", kBlanks},
                                           BadLine{"2026-12-09 14:03:22\tT\t67\tok \t200\t40", kBlanks},
                                           BadLine{"2026-12-09 14:03:22\tT\t67\tok\t2O0\t40",
                                                   "the accuracy is no whole number of milliseconds"},
                                           BadLine{"2026-12-09 14:03:22\tT\t67\tok\t200\t-40",
                                                   "the compensation is no whole number of milliseconds"},
                                           BadLine{"2026-12-09 14:03:22\tT\t67\tok\t200\t1234567890",
                                                   "the compensation is no whole number of milliseconds"},
                                           BadLine{std::string(kExample) + std::string(1, '\0') + "0", kControl},
                                           BadLine{"2026-12-09 14:03:22\tT\x1B[31m\t67\tok\t200\t40", kControl},
                                           BadLine{"2026-12-09 14:03:22\tT\t67\tok\t200\t40\r", kControl},
                                           BadLine{std::string(8193, 'a'), "longer than 8192 characters"}));

// --- Dates ---

TEST(LogTime, SecondsCountFrom1970AndComeBack) {
  struct Case {
    const char* dateTime;
    int64_t seconds;
  };
  const Case cases[] = {
      {"1970-01-01 00:00:00", 0},         {"1970-01-02 00:00:01", 86401},      {"1969-12-31 23:59:59", -1},
      {"2000-02-29 12:00:00", 951825600}, {"2026-12-09 14:03:22", 1796825002}, {"2100-03-01 00:00:00", 4107542400},
  };
  for (const Case& c : cases) {
    Attempt a = attempt(std::string(c.dateTime) + "\tT\t1\tok\t1\t1");
    EXPECT_EQ(a.time.seconds, c.seconds) << c.dateTime;
    EXPECT_EQ(formatDateTime(logTimeAt(c.seconds)), c.dateTime);
  }
}

// --- A whole log ---

TEST(ProgressLog, ReadsCrLfAndLfAndSkipsDamagedLinesWithTheirPlace) {
  std::istringstream in(std::string(kExample) + "\r\n" +
                        "2026-12-09 14:04:00\tEcho the rhythm\t100\tok ok ok ok\t200\t40\n" + "garbage\r\n" + "\r\n" +
                        "2026-12-09 14:05:00\tEcho the rhythm\t50\tok missed\t200\t40");  // the line end is missing
  ProgressLog log;
  readProgressLog(in, "anna.log", &log);
  ASSERT_EQ(log.attempts.size(), 3u);
  EXPECT_EQ(log.attempts[1].score, 100);
  EXPECT_EQ(log.attempts[2].score, 50);
  ASSERT_EQ(log.skippedCount, 2u);
  EXPECT_EQ(log.skipped[0].source, "anna.log");
  EXPECT_EQ(log.skipped[0].line, 3u);
  EXPECT_EQ(log.skipped[0].reason, kFields);
  EXPECT_EQ(log.skipped[1].line, 4u);
  EXPECT_EQ(log.skipped[1].reason, "an empty line");
}

// Another program's file: long runs with no line end, binary bytes; the lines around it still count.
TEST(ProgressLog, BinaryAndOverLongLinesAreSkippedAndTheNextLineIsRead) {
  std::string binary;
  for (int i = 0; i < 200000; ++i) binary.push_back(static_cast<char>((i * 7919) % 256 == '\n' ? 0 : (i * 7919) % 256));
  std::string longLine = std::string(kExample) + std::string(9000, 'x');
  std::istringstream in(std::string(kExample) + "\r\n" + binary + "\r\n" + longLine + "\r\n" + kExample + "\r\n");
  ProgressLog log;
  readProgressLog(in, "a.log", &log);
  EXPECT_EQ(log.attempts.size(), 2u);
  ASSERT_EQ(log.skippedCount, 2u);
  EXPECT_EQ(log.skipped[0].line, 2u);
  EXPECT_EQ(log.skipped[0].reason, "longer than 8192 characters");
  EXPECT_EQ(log.skipped[1].line, 3u);
}

// A line exactly as long as allowed still reads, its CR LF not counted.
TEST(ProgressLog, ALineOfTheLongestLengthIsRead) {
  std::string head = "2026-12-09 14:03:22\t";
  std::string tail = "\t67\tok\t200\t40";
  std::string line = head + std::string(kMaxLogLineLength - head.size() - tail.size(), 't') + tail;
  std::istringstream in(line + "\r\n" + line + "x\r\n");
  ProgressLog log;
  readProgressLog(in, "a.log", &log);
  EXPECT_EQ(log.attempts.size(), 1u);
  EXPECT_EQ(log.skippedCount, 1u);
}

TEST(ProgressLog, KeepsThePlacesOfTheFirstHundredSkippedLinesAndCountsAll) {
  std::string text;
  for (int i = 0; i < 150; ++i) text += "not a log line\n";
  std::istringstream in(text);
  ProgressLog log;
  readProgressLog(in, "a.log", &log);
  EXPECT_EQ(log.skippedCount, 150u);
  EXPECT_EQ(log.skipped.size(), kMaxSkippedKept);
  EXPECT_EQ(log.skipped.back().line, kMaxSkippedKept);
}

// --- Text on the page ---

TEST(HtmlText, LessonTextBecomesUtf8) {
  struct Case {
    std::string text;
    std::string utf8;
  };
  const Case cases[] = {
      {"Echo the rhythm", "Echo the rhythm"},
      {"Geh\xC3\xB6rbildung", "Geh\xC3\xB6rbildung"},    // already UTF-8
      {"Geh\xF6rbildung", "Geh\xC3\xB6rbildung"},        // Windows-1252
      {"\x80 \x9F", "\xE2\x82\xAC \xC5\xB8"},            // the euro and Y with diaeresis
      {"\xC3", "\xC3\x83"},                              // a cut sequence is no UTF-8
      {"\xC0\xAF", "\xC3\x80\xC2\xAF"},                  // nor an overlong form
      {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},  // nor a surrogate
  };
  for (const Case& c : cases) EXPECT_EQ(lessonTextToUtf8(c.text), c.utf8) << c.text;
}

// The text's bytes sit at the end of a heap block of their own, so that AddressSanitizer sees a
// read of the byte after them.
TEST(HtmlText, ReadsNoByteAfterTheText) {
  for (std::string text : {"a", "\xC3", "\xE2\x82", "ok\xF0\x9F\x8E"}) {
    std::unique_ptr<char[]> bytes(new char[text.size()]);
    std::copy(text.begin(), text.end(), bytes.get());
    EXPECT_FALSE(lessonTextToUtf8(std::string_view(bytes.get(), text.size())).empty()) << text;
  }
}

TEST(HtmlText, EscapesEveryMarkupCharacter) {
  EXPECT_EQ(escapeHtml("<script>alert('x' & \"y\")</script>"),
            "&lt;script&gt;alert(&#39;x&#39; &amp; &quot;y&quot;)&lt;/script&gt;");
}

// --- Tags ---

std::vector<Attempt> attempts(const std::vector<std::string>& lines) {
  std::vector<Attempt> out;
  for (const std::string& line : lines) out.push_back(attempt(line));
  return out;
}

TEST(TagHistory, OrdersByTimeAndTagsByTheirFirstAttempt) {
  std::vector<Attempt> read = attempts({
      "2026-12-09 10:00:00\tB\t10\tok\t1\t1",
      "2026-12-08 10:00:00\tA\t20\tok\t1\t1",
      "2026-12-09 09:00:00\tB\t30\tok\t1\t1",
      "2026-12-09 09:00:00\tB\t40\tok\t1\t1",
  });
  std::vector<TagHistory> histories = historiesByTag(read);
  ASSERT_EQ(histories.size(), 2u);
  EXPECT_EQ(histories[0].tag, "A");
  EXPECT_EQ(histories[1].tag, "B");
  ASSERT_EQ(histories[1].attempts.size(), 3u);
  EXPECT_EQ(histories[1].attempts[0]->score, 30);  // the same second: in the order read
  EXPECT_EQ(histories[1].attempts[1]->score, 40);
  EXPECT_EQ(histories[1].attempts[2]->score, 10);
}

TEST(TagHistory, TheBestIsTheEarliestOfTheHighest) {
  std::vector<Attempt> read = attempts({
      "2026-12-09 10:00:00\tT\t80\tok\t1\t1",
      "2026-12-09 11:00:00\tT\t90\tok\t1\t1",
      "2026-12-09 12:00:00\tT\t90\tok\t1\t1",
      "2026-12-09 13:00:00\tT\t70\tok\t1\t1",
  });
  std::vector<TagHistory> histories = historiesByTag(read);
  EXPECT_EQ(formatDateTime(bestAttempt(histories[0]).time), "2026-12-09 11:00:00");
}

// Extra words sit between expected ones in no position: note 3 stays note 3.
TEST(TagHistory, PositionsCountExpectedNotesOnly) {
  std::vector<Attempt> read = attempts({
      "2026-12-09 10:00:00\tT\t50\tok late wrong extra\t1\t1",
      "2026-12-09 11:00:00\tT\t50\tok extra ok missed\t1\t1",
      "2026-12-09 12:00:00\tT\t50\tmissed ok missed ok\t1\t1",
  });
  std::vector<TagHistory> histories = historiesByTag(read);
  std::vector<PositionTally> tallies = tallyPositions(histories[0]);
  ASSERT_EQ(tallies.size(), 4u);
  const size_t failures[] = {1, 1, 3, 0};
  const size_t seen[] = {3, 3, 3, 1};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(tallies[i].failures(), failures[i]) << "note " << i + 1;
    EXPECT_EQ(tallies[i].attempts, seen[i]) << "note " << i + 1;
  }
  EXPECT_EQ(tallies[2].verdicts[static_cast<size_t>(Verdict::Missed)], 2u);
  EXPECT_EQ(tallies[2].verdicts[static_cast<size_t>(Verdict::Wrong)], 1u);
  EXPECT_EQ(positionsThatFailMost(tallies, 3), (std::vector<size_t>{2, 0, 1}));
  EXPECT_EQ(positionsThatFailMost(tallies, 1), (std::vector<size_t>{2}));
  EXPECT_EQ(attemptsWithExtraNotes(histories[0]), 2u);
}

// --- The page ---

std::string pageOf(const std::string& logText) {
  std::istringstream in(logText);
  ProgressLog log;
  readProgressLog(in, "class <3b>.log", &log);
  return reportPage(log, {"class <3b>.log"});
}

// The section of the page that starts with the heading text.
std::string sectionOf(const std::string& page, const std::string& heading) {
  size_t start = page.find("<h2>" + heading + "</h2>");
  if (start == std::string::npos) return "";
  return page.substr(start, page.find("</section>", start) - start);
}

TEST(ReportPage, OnePointPerAttemptInEachTagsChart) {
  std::string log;
  for (int i = 0; i < 5; ++i)
    log += "2026-12-0" + std::to_string(i + 1) + " 10:00:00\tA\t" + std::to_string(i * 20) + "\tok\t200\t0\r\n";
  for (int i = 0; i < 3; ++i) log += "2026-12-0" + std::to_string(i + 1) + " 11:00:00\tB\t50\tok missed\t200\t0\r\n";
  std::string page = pageOf(log);
  EXPECT_EQ(countOf(page, "<circle class=\"attempt\""), 8u);
  EXPECT_EQ(countOf(sectionOf(page, "A"), "<circle class=\"attempt\""), 5u);
  EXPECT_EQ(countOf(sectionOf(page, "B"), "<circle class=\"attempt\""), 3u);
  EXPECT_NE(sectionOf(page, "A").find("Best score <b class=\"best\">80</b> (2026-12-05 10:00:00)"), std::string::npos);
  EXPECT_NE(sectionOf(page, "A").find("latest score <b class=\"latest\">80</b>"), std::string::npos);
}

TEST(ReportPage, OneCellPerVerdictWordInItsColourClass) {
  std::string page = pageOf(std::string(kExample) + "\r\n");
  std::string section = sectionOf(page, "Echo the rhythm");
  // The legend has one cell of each kind too.
  EXPECT_EQ(countOf(section, "class=\"note ok\""), 1u + 2u);
  EXPECT_EQ(countOf(section, "class=\"note late\""), 1u + 1u);
  EXPECT_EQ(countOf(section, "class=\"note early\""), 1u + 0u);
  EXPECT_EQ(countOf(section, "class=\"note wrong\""), 1u + 1u);
  EXPECT_EQ(countOf(section, "class=\"note missed\""), 1u + 1u);
  EXPECT_EQ(countOf(section, "class=\"note extra\""), 1u + 1u);
  EXPECT_NE(section.find("Notes that fail most: note 2: 1 of 1 attempt not ok (1 late); note 4: 1 of 1 attempt not ok "
                         "(1 wrong); note 5: 1 of 1 attempt not ok (1 missed). Extra notes in 1 of 1 attempts."),
            std::string::npos);
}

TEST(ReportPage, LessonTextAndFileNamesAreTextNotMarkup) {
  std::string page = pageOf("2026-12-09 14:03:22\t<script>alert(1)</script>\t67\tok\t200\t40\r\n");
  EXPECT_EQ(page.find("<script"), std::string::npos);
  EXPECT_NE(page.find("<h2>&lt;script&gt;alert(1)&lt;/script&gt;</h2>"), std::string::npos);
  EXPECT_NE(page.find("class &lt;3b&gt;.log"), std::string::npos);
}

TEST(ReportPage, LoadsNothingFromElsewhere) {
  std::string page = pageOf(std::string(kExample) + "\r\n");
  for (const char* part : {"<script", "http:", "https:", "src=", "url(", "@import", "<link", "<img", "<iframe"}) {
    EXPECT_EQ(page.find(part), std::string::npos) << part;
  }
  EXPECT_EQ(countOf(page, "href="), countOf(page, "href=\"#"));
}

TEST(ReportPage, CountsAndPlacesTheSkippedLinesAtTheEnd) {
  std::string page =
      pageOf(std::string(kExample) + "\r\nnonsense\r\n" + kExample + "\r\n2026-12-09 14:03:22\tT\t999\t\t0\t0\r\n");
  size_t heading = page.find("<h2>2 lines skipped</h2>");
  ASSERT_NE(heading, std::string::npos);
  EXPECT_GT(heading, page.rfind("<section class=\"exercise\""));
  EXPECT_NE(page.find("<li>class &lt;3b&gt;.log line 2: not six fields separated by tabs</li>"), std::string::npos);
  EXPECT_NE(page.find("<li>class &lt;3b&gt;.log line 4: the score is no whole number from 0 to 100</li>"),
            std::string::npos);
}

TEST(ReportPage, SaysSoWhenNothingWasSkippedOrRead) {
  EXPECT_NE(pageOf(std::string(kExample) + "\r\n").find("<h2>No line skipped</h2>"), std::string::npos);
  std::string empty = pageOf("");
  EXPECT_NE(empty.find("These logs hold no attempts."), std::string::npos);
  EXPECT_EQ(countOf(empty, "<circle"), 0u);
  EXPECT_EQ(skippedHeading(1), "1 line skipped");
}

// The time axis: dates under day steps, hours with the date where the day changes under shorter
// ones, and a history of one moment in the middle with both.
TEST(ReportPage, TheTimeAxisIsDated) {
  std::string days = pageOf("2026-12-01 10:00:00\tT\t10\tok\t1\t1\n2026-12-04 10:00:00\tT\t20\tok\t1\t1\n");
  for (const char* date : {">2026-12-02<", ">2026-12-03<", ">2026-12-04<"}) {
    EXPECT_NE(days.find(date), std::string::npos) << date;
  }
  std::string hours = pageOf("2026-12-01 22:10:00\tT\t10\tok\t1\t1\n2026-12-02 01:50:00\tT\t20\tok\t1\t1\n");
  for (const char* label : {">23:00<", ">00:00<", ">01:00<", ">2026-12-01<", ">2026-12-02<"}) {
    EXPECT_NE(hours.find(label), std::string::npos) << label;
  }
  std::string once = pageOf("2026-12-01 22:10:00\tT\t10\tok\t1\t1\n");
  EXPECT_NE(once.find("<circle class=\"attempt\" cx=\"370\""), std::string::npos);
  EXPECT_NE(once.find(">22:10<"), std::string::npos);
}

}  // namespace
}  // namespace vellaro::lessonreport
