// The scenario interpreter: its state, the main loop and the helpers every command handler uses.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "expr/evaluator.h"
#include "expr/random_table.h"
#include "script/commands/commands.h"
#include "script/melody_capture.h"
#include "script/object_registry.h"
#include "script/reload.h"
#include "script/scenario.h"
#include "script/tokenizer.h"
#include "script/variables.h"

namespace vellaro {

class Host;
struct CommandServices;

constexpr int kLineBufferSize = 1024;
constexpr int kMaxPathLength = 255;

// A reload that has read its file and waits for the main loop's next cycle.
struct PendingReload {
  std::string path;   // the file it read: the run's file at the time of the request
  std::string label;  // the label the run was under then, or "" above every label
  LineTable lines;
  TextEncoding encoding = TextEncoding::Ansi;
};

class Interpreter {
 public:
  explicit Interpreter(Host& host);
  ~Interpreter();

  // Start-up: empties the tables and creates userinstrument, tempo and base_dir in that order.
  void reset();
  // Runs the scenario file at path until the run stops; returns 0.
  int runScenario(const std::string& path);

  // Messages. scriptError puts "currentLine: " in front of the formatted text.
  void showMessage(const std::string& text);
  void scriptError(const char* fmt, ...) __attribute__((format(printf, 2, 3)));

  // "$name" or "${name}" (the whole item) gives the variable's value; enclosing quotes are removed
  // in place. nullptr (after a message naming context) when the variable is missing.
  const char* resolveArgument(char* argument, const char* context);
  // resolveArgument for item i (1 to 5) of a command line, under the name the command table gives it.
  const char* resolveItem(CommandArgs& args, int i);
  // Replaces every $name and ${name} inside text by its value ($$ drops both characters); at most
  // 254 characters.
  std::string expandReferences(char* text, const char* context);

  // Replaces the LineTable with the file's lines and sets base_dir; false when it cannot be opened.
  bool loadScenario(const std::string& path);
  void pushReturn(const std::string& path, int line);
  // Returns to the top entry of the CallStack, reloading its file when it is another one.
  int popReturn();
  // Completes a relative file name with base_dir and a backslash.
  std::string pathInBaseDir(const char* name);

  // The author's reload (the debug menu, Ctrl+R, a watched folder): reads scenarioPath again at
  // once. A file that cannot be used is reported and changes nothing (false). Otherwise the new
  // text waits in pendingReload for the next cycle (true), and the caller ends the waiting command.
  bool requestReload();
  // True while a waiting command is to end early: a quit or a reload was asked for.
  bool waitInterrupted() const { return quitRequested || pendingReload.has_value(); }

  Host& host;
  VariableTable variables;
  LineTable lines;
  CallStack callStack;
  // The math command's cells and sticky error, and the random command's table: kept for the run.
  Evaluator evaluator;
  RandomTable randomTable;
  ObjectRegistry objects;
  // The expected and played notes of the melody commands; played notes also arrive from the
  // message hook and the MIDI input thread.
  MelodyCapture capture;
  // Engines and windows that commands reach; may be absent (unit tests, failed start-up).
  CommandServices* services = nullptr;

  std::string scenarioPath;
  int currentLine = 0;
  std::optional<std::string> pendingLine;
  bool quitRequested = false;
  std::optional<PendingReload> pendingReload;
  // Lines a run may execute before it stops; 0 for no bound. The fuzzing target sets it so that
  // a lesson's endless loops end.
  uint64_t lineLimit = 0;
  // Lines the latest run executed (labels, comments and the lines an if runs count too).
  uint64_t executedLines = 0;
  bool debugLogOn = false;
  // A listen that found no working microphone has said so; later ones in the run try again quietly.
  bool microphoneFailureShown = false;
  // What the last listen did, for the debug menu; the reason when the microphone could not start.
  enum class Listening : uint8_t { kOff, kNotes, kClaps, kFailed };
  Listening listening = Listening::kOff;
  std::string microphoneProblem;

  // The flow words' work (the command table's flow handlers call these).
  Flow jump();
  Flow jumpWhenSilent();
  Flow ifCommand();
  Flow loadCommand();
  Flow exitCommand();
  Flow returnCommand();
  // A line that passes: its debug log entry, then the next line unless a quit was asked for.
  Flow finishLine();

 private:
  Flow runCycle();
  bool letMessagesThrough();
  bool runIf();
  Flow dispatch(const Command& command);
  void stopRun();
  void applyReload();
  void reportMissingVariable(const char* context, const char* name);
  void attachPlatform();
  void detachPlatform();

  char* argument(int i) { return arguments_.slot[i]; }

  char lineBuffer_[kLineBufferSize]{};
  ArgumentSlots arguments_{};
  bool ifFlag_ = false;
  uint32_t lastPumpTick_ = 0;
};

}  // namespace vellaro
