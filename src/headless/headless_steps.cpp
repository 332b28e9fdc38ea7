#include "headless/headless_steps.h"

#include <cctype>

#include "headless/headless_transcript.h"
#include "script/text.h"

namespace vellaro {
namespace {

// A wait longer than a day is surely a typing error.
constexpr uint64_t kLongestWaitMs = 24ull * 60 * 60 * 1000;

struct PunctuationKey {
  char character;
  unsigned code;
};
// The virtual-key codes of the punctuation keys on the piano's lower row.
constexpr PunctuationKey kPunctuationKeys[] = {{',', 188}, {'.', 190}, {';', 186}, {'/', 191}};

std::string trimmed(const std::string& text) {
  size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

bool isAllDigits(const std::string& text) {
  if (text.empty() || text.size() > 10) return false;
  for (char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

std::string upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// The step of one line that is not empty; "" on success, else what is wrong.
std::string parseStep(const std::string& word, const std::string& rest, const std::string& raw, Step* step) {
  if (word == "answer") {
    step->kind = StepKind::Answer;
    std::string answer = upper(trimmed(rest));
    if (answer != "OK" && answer != "CANCEL") return "answer takes OK or CANCEL";
    step->ok = answer == "OK";
  } else if (word == "click") {
    step->kind = StepKind::Click;
    step->text = trimmed(rest);
    if (step->text.empty()) return "click needs the name of an object";
  } else if (word == "type") {
    step->kind = StepKind::Type;
    step->text = raw.size() > 5 ? raw.substr(5) : "";  // everything after "type ", spaces included
    if (step->text.empty()) return "type needs the text to type";
  } else if (word == "key" || word == "down" || word == "up") {
    step->kind = word == "key" ? StepKind::Key : word == "down" ? StepKind::Down : StepKind::Up;
    step->text = trimmed(rest);
    step->keyCode = pianoKeyCode(step->text);
    if (step->keyCode == 0) return word + " takes one key of the keyboard piano: a letter, a digit, or one of , . ; /";
  } else if (word == "listen") {
    step->kind = StepKind::Listen;
    step->text = trimmed(rest);
    if (step->text.empty()) return "listen needs the WAV file that the microphone hears";
  } else if (word == "wait") {
    step->kind = StepKind::Wait;
    std::string ms = trimmed(rest);
    if (!isAllDigits(ms) || std::stoull(ms) > kLongestWaitMs) return "wait takes a number of milliseconds up to a day";
    step->ms = static_cast<uint32_t>(std::stoull(ms));
  } else {
    return "unknown step (" + word + "); a step is answer, click, type, key, down, up, wait or listen";
  }
  return "";
}

}  // namespace

unsigned pianoKeyCode(const std::string& key) {
  if (key.size() != 1) return 0;
  unsigned char c = static_cast<unsigned char>(key[0]);
  if (std::isalpha(c)) return static_cast<unsigned>(std::toupper(c));
  if (std::isdigit(c)) return c;
  for (const PunctuationKey& punctuation : kPunctuationKeys) {
    if (punctuation.character == key[0]) return punctuation.code;
  }
  return 0;
}

bool parseSteps(const std::string& content, std::vector<Step>* steps, std::string* error) {
  size_t start = 0;
  for (int line = 1; start < content.size(); ++line) {
    size_t end = content.find('\n', start);
    std::string raw = content.substr(start, end == std::string::npos ? std::string::npos : end - start);
    start = end == std::string::npos ? content.size() : end + 1;
    if (!raw.empty() && raw.back() == '\r') raw.pop_back();
    std::string text = trimmed(raw);
    if (text.empty() || text[0] == '#') continue;
    size_t space = text.find_first_of(" \t");
    std::string word = text.substr(0, space);
    Step step;
    step.line = line;
    std::string problem = parseStep(word, space == std::string::npos ? "" : text.substr(space), text, &step);
    if (!problem.empty()) {
      *error = format("%d: error: %s", line, problem.c_str());
      return false;
    }
    steps->push_back(step);
  }
  return true;
}

std::string describeStep(const Step& step) {
  switch (step.kind) {
    case StepKind::Answer: return step.ok ? "answer OK" : "answer CANCEL";
    case StepKind::Click: return "click " + step.text;
    case StepKind::Type: return "type " + quoted(step.text);
    case StepKind::Key: return "key " + step.text;
    case StepKind::Down: return "down " + step.text;
    case StepKind::Up: return "up " + step.text;
    case StepKind::Wait: return format("wait %u", step.ms);
    case StepKind::Listen: return "listen " + step.text;
  }
  return "";
}

}  // namespace vellaro
