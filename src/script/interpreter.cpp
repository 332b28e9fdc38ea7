#include "script/interpreter.h"

#include "base/messages.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "base/file_open.h"
#include "base/limits.h"
#include "base/text_encoding.h"
#include "script/commands/commands.h"
#include "script/conditions.h"
#include "script/debug_log.h"
#include "script/host.h"
#include "script/live_input.h"
#include "script/services.h"
#include "script/text.h"
#include "sound/instrument_bank.h"

namespace vellaro {
namespace {

// A script that runs without waiting lets window messages through this often, so that the window
// stays alive and can be closed. Well below the 50 ms a learner notices, with room for the 16 ms
// steps of the tick count.
constexpr uint32_t kPumpIntervalMs = 20;

// Removes one pair of enclosing double quotes in place; a lone quote becomes the empty text.
char* stripQuotes(char* text) {
  size_t length = std::strlen(text);
  if (length > 0 && text[0] == '"' && text[length - 1] == '"') {
    text[length - 1] = '\0';
    return text + 1;
  }
  return text;
}

// A character that does not fit whole is left out, with everything after it.
void appendLimited(std::string& result, const char* text, size_t count, TextEncoding encoding) {
  size_t room = kMaxExpandedLength - result.size();
  result.append(text, wholeCharacterLength(text, count, room, encoding));
}

}  // namespace

Interpreter::Interpreter(Host& hostRef) : host(hostRef), variables(hostRef) {}

Interpreter::~Interpreter() = default;

void Interpreter::reset() {
  lines.clear();
  variables.clear();
  objects.clear();
  variables.createVariable("userinstrument");
  variables.setVariable("userinstrument", "*0");
  variables.createVariable("tempo");
  variables.setVariable("tempo", "2000");
  variables.createVariable("base_dir");
  variables.setVariable("base_dir", "");
}

void Interpreter::showMessage(const std::string& text) { host.showMessage(text); }

void Interpreter::scriptError(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  std::string text = formatList(fmt, args);
  va_end(args);
  host.showMessage(format("%d: ", currentLine) + text);
}

void Interpreter::reportMissingVariable(const char* context, const char* name) {
  scriptError(kVariableMissing, context, name);
}

const char* Interpreter::resolveArgument(char* argument, const char* context) {
  char* text = stripQuotes(argument);
  if (text[0] != '$') return text;
  const char* value = variables.getVariable(variables.readItemReference(text).name.c_str());
  if (!value) reportMissingVariable(context, text);
  return value;
}

const char* Interpreter::resolveItem(CommandArgs& args, int i) {
  const Command* command = args.command ? args.command : findCommand(args.item[0]);
  const char* label = command ? command->items[i - 1].label : "";
  return resolveArgument(args.item[i], label[0] != '\0' ? label : args.item[0]);
}

std::string Interpreter::expandReferences(char* argument, const char* context) {
  static const char kNameEnd[] = "()+-*/$.";
  const char* text = stripQuotes(argument);
  std::string result;
  size_t position = 0;
  for (;;) {
    const char* dollar = std::strchr(text + position, '$');
    if (!dollar) {
      appendLimited(result, text + position, std::strlen(text + position), host.textEncoding());
      return result;
    }
    appendLimited(result, text + position, static_cast<size_t>(dollar - text) - position, host.textEncoding());
    if (dollar[1] == '$') {
      position = static_cast<size_t>(dollar - text) + 2;
      continue;
    }
    Reference reference = variables.readReference(dollar, std::strcspn(dollar + 1, kNameEnd));
    const char* value = variables.getVariable(reference.name.c_str());
    if (!value) {
      reportMissingVariable(context, reference.name.c_str());
      appendLimited(result, dollar, std::strlen(dollar), host.textEncoding());
      return result;
    }
    appendLimited(result, value, std::strlen(value), host.textEncoding());
    position = static_cast<size_t>(dollar - text) + reference.length;
  }
}

std::string Interpreter::pathInBaseDir(const char* name) {
  const char* baseDir = variables.getVariable("base_dir");
  if (!baseDir || baseDir[0] == '\0') return name;
  return std::string(baseDir) + "\\" + name;
}

bool Interpreter::loadScenario(const std::string& path) {
  std::FILE* file = openPlayerFile(path, "rb");
  if (!file) return false;
  size_t slash = path.rfind('\\');  // only the backslash separates directories
  variables.setVariable("base_dir", slash == std::string::npos ? "" : path.substr(0, slash).c_str());
  host.setTextEncoding(detectFileEncoding(file));
  lines.clear();
  char line[kMaxLineLength + 1];
  bool cut = false;
  // The end of the file shows only when a read fails, so the line read then is stored too.
  while (!std::feof(file)) {
    readLine(file, line, kMaxLineLength);
    if (lines.append(line)) continue;
    cut = line[0] != '\0' || !std::feof(file);
    break;
  }
  std::fclose(file);
  if (cut) {
    showMessage(format(kScenarioTooLong,
                       path.c_str(), kMaxLines, kMaxLines - 1));
  }
  return true;
}

void Interpreter::pushReturn(const std::string& path, int line) {
  if (!callStack.push(path, static_cast<uint16_t>(line)) || callStack.depth() == kMaxCallDepth) {
    scriptError(kStackOverflow);
  }
}

int Interpreter::popReturn() {
  if (callStack.empty()) {
    scriptError(kReturnFromTop);
    return 0;
  }
  CallEntry entry = callStack.pop();
  if (entry.file != scenarioPath && !loadScenario(entry.file)) {
    showMessage(kParentScenarioMissing);
  }
  scenarioPath = entry.file;
  return entry.line;
}

int Interpreter::runScenario(const std::string& path) {
  scenarioPath = path;
  attachPlatform();
  if (!loadScenario(scenarioPath)) {
    scriptError(kScenarioMissing, scenarioPath.c_str());
    detachPlatform();
    return 0;
  }
  currentLine = 0;
  ifFlag_ = false;
  executedLines = 0;
  lastPumpTick_ = host.tickCount();
  while (currentLine < kMaxLines && runCycle() == Flow::Continue) {
    if (++executedLines == lineLimit) break;
    if (letMessagesThrough() && quitRequested) break;
  }
  stopRun();
  return 0;
}

// True when it let messages through. Jumps, if, load, exit and return never test quitRequested, so
// the main loop tests it after such a pass: a loop made of them can still be closed.
bool Interpreter::letMessagesThrough() {
  uint32_t now = host.tickCount();
  if (!services || now - lastPumpTick_ < kPumpIntervalMs) return false;
  lastPumpTick_ = now;
  if (!services->pumpWhileRunning()) quitRequested = true;
  return true;
}

Flow Interpreter::runCycle() {
  if (pendingReload) applyReload();
  // A navigation line taken while line 0 or 1 waited moves the line number below 0.
  if (currentLine < 0) currentLine = 0;
  arguments_.clear();
  std::memset(lineBuffer_, 0, sizeof lineBuffer_);

  while (!lines.at(currentLine)) {
    scriptError(kEndOfScenario);
    if (callStack.empty()) return Flow::Stop;
    currentLine = popReturn();
  }
  copyText(lineBuffer_, sizeof lineBuffer_, lines.at(currentLine));
  if (pendingLine) {
    copyText(lineBuffer_, sizeof lineBuffer_, pendingLine->c_str());
    pendingLine.reset();
    if (ifFlag_) {
      ifFlag_ = false;
    } else {
      currentLine -= 2;  // the loop has already passed the line that was waiting
    }
  }
  tokenize(lineBuffer_, arguments_, host);

  const char* word = argument(0);
  if (word[0] == '\0' || word[0] == ':' || word[0] == '&' || word[0] == '#') {
    ++currentLine;
    return Flow::Continue;
  }
  const Command* command = findCommand(word);
  // An unknown word finds no entry and only passes the line.
  if (!command) return finishLine();
  if (command->kind == WordKind::Flow) return command->flow(*this);
  return dispatch(*command);
}

// Sound still playing passes the line like a command that did nothing.
Flow Interpreter::jumpWhenSilent() { return soundIsSilent(services) ? jump() : finishLine(); }

// A false condition passes the line like a command that did nothing.
Flow Interpreter::ifCommand() { return runIf() ? Flow::Continue : finishLine(); }

Flow Interpreter::jump() {
  const char* target = argument(1);
  if (target[0] == '&') pushReturn(scenarioPath, currentLine + 1);
  if (target[0] == '$') {
    // A numbered jump that cannot choose its label reports why and goes on with the next line.
    const char* value = variables.getVariable(variables.readItemReference(target).name.c_str());
    const char* problem = !value ? kJumpVariableMissing : !isNumber(value) ? kJumpVariableNotNumber : nullptr;
    int32_t n = problem ? 0 : textToInt(value);
    if (!problem && (n < 1 || n + 1 >= kArgumentSlots || argument(n + 1)[0] == '\0')) problem = kJumpVariableOutOfRange;
    if (problem) {
      scriptError(kNumberedJumpFailed, problem);
      ++currentLine;
      return Flow::Continue;
    }
    target = argument(n + 1);
  }
  int line = lines.findLabel(target);
  if (line >= 0) {
    currentLine = line;
    return Flow::Continue;
  }
  std::string question = format(kLabelMissingAskRestart, argument(1),
                                scenarioPath.c_str(), currentLine);
  if (!host.askOkCancel(question, kMessageCaption)) return Flow::Stop;
  currentLine = 0;
  return Flow::Continue;
}

bool Interpreter::runIf() {
  if (!evaluateCondition(*this, argument(1), argument(2), argument(3))) return false;
  const char* first = argument(4);
  std::string pending = (first[0] == '&' || first[0] == ':') ? "goto " : "";
  for (int i = 4; i < kArgumentSlots && argument(i)[0] != '\0'; ++i) {
    pending += argument(i);
    pending += ' ';
  }
  pendingLine = pending;
  ifFlag_ = true;
  return true;
}

Flow Interpreter::loadCommand() {
  // A file that loads itself, directly or round a circle, would go on loading for ever once the
  // CallStack is full: no entry is left to come back to, so the run stops there.
  if (callStack.depth() == kMaxCallDepth) {
    scriptError(kStackOverflow);
    return Flow::Stop;
  }
  pushReturn(scenarioPath, currentLine + 1);
  scenarioPath = pathInBaseDir(argument(1));
  // A path longer than the interpreter holds is refused like a file that cannot be opened.
  if (scenarioPath.size() > kMaxPathLength || !loadScenario(scenarioPath)) {
    scriptError(kScenarioCannotLoad, scenarioPath.c_str());
    currentLine = popReturn();
    return Flow::Continue;
  }
  const char* label = argument(2);
  int line = label[0] != '\0' ? lines.findLabel(label) : 0;
  if (line < 0) {
    showMessage(format(kLoadLabelMissing, label, currentLine));
    line = 0;
  }
  currentLine = line;
  return Flow::Continue;
}

Flow Interpreter::exitCommand() {
  if (callStack.empty()) return Flow::Stop;
  const std::string leaving = scenarioPath;
  while (!callStack.empty() && scenarioPath == leaving) currentLine = popReturn();
  return Flow::Continue;
}

Flow Interpreter::returnCommand() {
  if (callStack.empty()) return Flow::Stop;
  currentLine = popReturn();
  return Flow::Continue;
}

Flow Interpreter::dispatch(const Command& command) {
  const char* stored = lines.at(currentLine);
  char (*slot)[kArgumentSize] = arguments_.slot;
  static_assert(kHandlerSlots == 6, "a handler gets the slots listed here");
  CommandArgs args{{slot[0], slot[1], slot[2], slot[3], slot[4], slot[5]}, stored ? stored : "", &command};
  command.handler(*this, args);
  return finishLine();
}

// The debug log's entry for the line, then the next line unless a handler asked to quit.
Flow Interpreter::finishLine() {
  // After tokenizing, the line buffer reads as the command word alone.
  if (debugLogOn) appendDebugLog(scenarioPath, currentLine, lineBuffer_);
  ++currentLine;
  return quitRequested ? Flow::Stop : Flow::Continue;
}

bool Interpreter::requestReload() {
  ReloadedText text = readForReload(scenarioPath);
  if (text.problem != ReloadProblem::None) {
    showMessage(reloadProblemText(scenarioPath, text));
    return false;
  }
  pendingReload = PendingReload{scenarioPath, labelAbove(lines, currentLine), std::move(text.lines), text.encoding};
  return true;
}

// The new text replaces the old one and the run goes on at the start of the label it was under;
// variables, objects, the CallStack (its return points moved with their labels), the capture
// tables and sound stay as they are. Samples are read again when next played.
void Interpreter::applyReload() {
  PendingReload reload = std::move(*pendingReload);
  pendingReload.reset();
  // A return or the end of the file may have left that file before the cycle came.
  if (reload.path != scenarioPath) return;
  relocateReturnPoints(callStack, scenarioPath, lines, reload.lines);
  lines = std::move(reload.lines);
  host.setTextEncoding(reload.encoding);
  pendingLine.reset();  // a navigation line or an if's rest chosen for the old text
  ifFlag_ = false;
  int line = reload.label.empty() ? 0 : lines.findLabel(reload.label.c_str());
  if (line < 0) {
    showMessage(format(kReloadLabelGone,
                       reload.label.c_str(), scenarioPath.c_str()));
    line = 0;
  }
  currentLine = line;
  if (services && services->instruments) services->instruments->markSamplesStale();
}

void Interpreter::stopRun() {
  lines.clear();
  pendingReload.reset();
  detachPlatform();
}

// The window hook (through the services) and the MIDI keyboard's handler live as long as the run;
// when it ends the services also restore a display mode that the scenario changed.
void Interpreter::attachPlatform() {
  microphoneFailureShown = false;
  listening = Listening::kOff;
  if (!services) return;
  services->runStarted(*this);
  if (services->midiIn) installLiveMidiHandler(*this, *services->midiIn);
}

void Interpreter::detachPlatform() {
  if (!services) return;
  if (services->midiIn) removeLiveMidiHandler(*services->midiIn);
  if (services->microphone) services->microphone->stop();
  listening = Listening::kOff;
  services->runStopped(*this);
}

}  // namespace vellaro

namespace vellaro {

Flow flowGoto(Interpreter& in) { return in.jump(); }
Flow flowIfsilent(Interpreter& in) { return in.jumpWhenSilent(); }
Flow flowIf(Interpreter& in) { return in.ifCommand(); }
Flow flowLoad(Interpreter& in) { return in.loadCommand(); }
Flow flowExit(Interpreter& in) { return in.exitCommand(); }
Flow flowReturn(Interpreter& in) { return in.returnCommand(); }
Flow flowTerminate(Interpreter&) { return Flow::Stop; }

}  // namespace vellaro
