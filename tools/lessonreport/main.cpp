// lessonreport: the learner's progress for the teacher, one page from the logs of check log.
//   lessonreport LOG... -o REPORT.html
// Lines of a log that are no attempt are skipped and listed at the end of the page. Exit code 0
// when the page is written, 1 with a one-line message when a log cannot be read (no page is then
// written, so that no learner's history is silently left out) or the page cannot be written, 2
// for a usage error.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "progress_log.h"
#include "report_page.h"

using namespace vellaro::lessonreport;

namespace {

struct Arguments {
  std::vector<std::string> logs;
  std::string output;
};

constexpr const char* kUsage = "usage: lessonreport LOG... -o REPORT.html\n";

int usage(const std::string& problem) {
  std::fprintf(stderr, "lessonreport: %s\n%s", problem.c_str(), kUsage);
  return 2;
}

int fail(const std::string& path, const std::string& message) {
  std::fprintf(stderr, "lessonreport: %s: %s\n", path.c_str(), message.c_str());
  return 1;
}

// 0 when the arguments are usable, else the usage error's exit code. -1 after the help text.
int parseArguments(int argc, char** argv, Arguments* args) {
  for (int i = 1; i < argc; ++i) {
    std::string argument = argv[i];
    if (argument == "-h" || argument == "--help") {
      std::fputs(kUsage, stdout);
      return -1;
    }
    if (argument == "-o") {
      if (i + 1 == argc) return usage("-o needs the page's file name");
      if (!args->output.empty()) return usage("-o given twice");
      args->output = argv[++i];
    } else if (argument.size() > 1 && argument[0] == '-') {
      return usage("unknown option " + argument);
    } else {
      args->logs.push_back(argument);
    }
  }
  if (args->logs.empty()) return usage("no log given");
  if (args->output.empty()) return usage("no page given: -o REPORT.html");
  return 0;
}

bool readLog(const std::string& path, ProgressLog* log) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) {
    fail(path, "is a folder, not a log");
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    fail(path, std::string("cannot open the log: ") + std::strerror(errno));
    return false;
  }
  readProgressLog(in, path, log);
  if (!in.bad()) return true;
  fail(path, "cannot read the log");
  return false;
}

// The page whole or not at all: a page that could not be written completely is removed.
bool writePage(const std::string& path, const std::string& page) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (out) out.write(page.data(), static_cast<std::streamsize>(page.size()));
  if (out) out.close();
  if (out) return true;
  std::remove(path.c_str());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  Arguments args;
  if (int code = parseArguments(argc, argv, &args)) return code < 0 ? 0 : code;
  ProgressLog log;
  for (const std::string& path : args.logs) {
    if (!readLog(path, &log)) return 1;
  }
  if (!writePage(args.output, reportPage(log, args.logs))) return fail(args.output, "cannot write the page");
  if (log.skippedCount > 0) {
    std::fprintf(stderr, "lessonreport: %s (listed at the end of the page)\n",
                 skippedHeading(log.skippedCount).c_str());
  }
  return 0;
}
