// The microphone: listen on, listen clap, listen off and listen level. While the microphone
// listens, each note (or clap) it hears enters the melody capture as a played note, at the moment
// its sound began, exactly as a key would.
#include "base/messages.h"
#include "script/commands/commands.h"

#include <cstring>
#include <string>

#include "script/interpreter.h"
#include "script/services.h"
#include "script/text.h"
#include "script/variables.h"
#include "sound/microphone.h"

namespace vellaro {
namespace {

Microphone* microphoneOf(Interpreter& in) { return in.services ? in.services->microphone : nullptr; }

// A lesson goes on without a microphone; the learner is told once a run, not at every exercise.
void startListening(Interpreter& in, ListenMode mode) {
  Microphone* microphone = microphoneOf(in);
  std::string reason = microphone ? microphone->start(mode, in.capture) : kNoMicrophone;
  in.listening = !reason.empty()                ? Interpreter::Listening::kFailed
                 : mode == ListenMode::kNotes ? Interpreter::Listening::kNotes
                                              : Interpreter::Listening::kClaps;
  in.microphoneProblem = reason;
  if (reason.empty() || in.microphoneFailureShown) return;
  in.microphoneFailureShown = true;
  if (reason == kNoMicrophone) {
    in.scriptError(kListenNoMicrophone);
  } else {
    in.scriptError(kListenDeviceFailed, reason.c_str());
  }
}

void writeLevel(Interpreter& in, const char* variable) {
  if (variable[0] == '\0') {
    in.scriptError(kListenVariableMissing);
    return;
  }
  Microphone* microphone = microphoneOf(in);
  int level = microphone ? microphone->level() : 0;
  in.variables.assign(resultVariableName(variable), format("%d", level).c_str());
}

}  // namespace

// listen on|clap|off, listen level variable. The items are used as written.
void cmdListen(Interpreter& in, CommandArgs& args) {
  const char* sub = args.item[1];
  if (std::strcmp(sub, "on") == 0) {
    startListening(in, ListenMode::kNotes);
  } else if (std::strcmp(sub, "clap") == 0) {
    startListening(in, ListenMode::kClaps);
  } else if (std::strcmp(sub, "off") == 0) {
    if (Microphone* microphone = microphoneOf(in)) microphone->stop();
    in.listening = Interpreter::Listening::kOff;
  } else if (std::strcmp(sub, "level") == 0) {
    writeLevel(in, args.item[2]);
  } else {
    in.scriptError(kListenUnknown, sub);
  }
}

}  // namespace vellaro
