#include "app/command_line.h"

#include <cstring>

namespace vellaro {
namespace {

constexpr char kWatchOption[] = "--watch";
constexpr char kDefaultScenario[] = "index.scn";

std::string trimBlanks(const std::string& text) {
  size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

CommandLine parseCommandLine(const char* text) {
  CommandLine result;
  std::string rest = trimBlanks(text ? text : "");
  size_t length = std::strlen(kWatchOption);
  if (rest.compare(0, length, kWatchOption) == 0 && (rest.size() == length || rest[length] == ' ')) {
    result.watch = true;
    rest = trimBlanks(rest.substr(length));
  }
  result.scenario = rest.empty() ? kDefaultScenario : rest;
  return result;
}

}  // namespace vellaro
