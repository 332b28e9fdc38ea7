// The command table: every scenario command word and its handler, one source file per group.
#pragma once

#include <iterator>

#include "script/tokenizer.h"

namespace vellaro {

class Interpreter;

// What a handler receives: argument slots 1 to 5 of the line (writable, possibly empty) and the
// whole stored text of the current line, which only melody uses.
struct CommandArgs {
  char* item[kHandlerSlots];  // item[0] is the command word
  const char* storedLine;
};

using CommandHandler = void (*)(Interpreter&, CommandArgs&);

struct Command {
  const char* name;
  CommandHandler handler;
};

// Pictures and the object registry (pictures.cpp).
void cmdClear(Interpreter&, CommandArgs&);
void cmdRemove(Interpreter&, CommandArgs&);
void cmdShow(Interpreter&, CommandArgs&);
void cmdPreshow(Interpreter&, CommandArgs&);
void cmdHide(Interpreter&, CommandArgs&);
void cmdMove(Interpreter&, CommandArgs&);
void cmdDrag(Interpreter&, CommandArgs&);
void cmdGetcoord(Interpreter&, CommandArgs&);
void cmdGetsize(Interpreter&, CommandArgs&);
// Text labels and fields (text.cpp).
void cmdPrint(Interpreter&, CommandArgs&);
void cmdText(Interpreter&, CommandArgs&);
void cmdFont(Interpreter&, CommandArgs&);
void cmdGettext(Interpreter&, CommandArgs&);
void cmdInput(Interpreter&, CommandArgs&);
// Sound (sound.cpp).
void cmdPlay(Interpreter&, CommandArgs&);
void cmdPause(Interpreter&, CommandArgs&);
void cmdWait(Interpreter&, CommandArgs&);
void cmdMute(Interpreter&, CommandArgs&);
// Melody capture and checking (melody.cpp).
void cmdMelody(Interpreter&, CommandArgs&);
void cmdExpect(Interpreter&, CommandArgs&);
void cmdRdiagram(Interpreter&, CommandArgs&);
void cmdCheck(Interpreter&, CommandArgs&);
// Variables and store files (variables.cpp).
void cmdPoke(Interpreter&, CommandArgs&);
void cmdLet(Interpreter&, CommandArgs&);
void cmdMath(Interpreter&, CommandArgs&);
void cmdEval(Interpreter&, CommandArgs&);
void cmdRandom(Interpreter&, CommandArgs&);
void cmdInit(Interpreter&, CommandArgs&);
void cmdInc(Interpreter&, CommandArgs&);
void cmdStore(Interpreter&, CommandArgs&);
void cmdRestore(Interpreter&, CommandArgs&);
// Scenario directory and live instrument (directory.cpp).
void cmdSetdir(Interpreter&, CommandArgs&);
void cmdUserinstrument(Interpreter&, CommandArgs&);
// Shell, display mode and debug log (system.cpp).
void cmdExec(Interpreter&, CommandArgs&);
void cmdDebug(Interpreter&, CommandArgs&);
void cmdScreen(Interpreter&, CommandArgs&);

// The flow words are not in the table: they move the current line or end the run, so the main loop
// (Interpreter::runCycle in script/interpreter.cpp) handles them before it looks here:
//   goto, gosub        Interpreter::jump (gosub's "&label" also pushes the return line)
//   ifsilent           Interpreter::jump when no voice plays, else the line passes
//   if                 Interpreter::runIf; a false condition passes the line
//   load               Interpreter::loadCommand
//   exit               Interpreter::exitCommand
//   return             Interpreter::returnCommand
//   terminate          ends the run at once (no debug log entry)
// A line that passes, like every table command, gets its debug log entry in Interpreter::finishLine.

// Every command word and its handler, in the order in which the main loop compares the names.
inline constexpr Command kCommandTable[] = {
    {"poke", cmdPoke},       {"clear", cmdClear},       {"remove", cmdRemove},   {"show", cmdShow},
    {"preshow", cmdPreshow}, {"hide", cmdHide},         {"print", cmdPrint},     {"text", cmdText},
    {"font", cmdFont},       {"gettext", cmdGettext},   {"input", cmdInput},     {"play", cmdPlay},
    {"pause", cmdPause},     {"wait", cmdWait},         {"melody", cmdMelody},   {"expect", cmdExpect},
    {"rdiagram", cmdRdiagram}, {"check", cmdCheck},     {"let", cmdLet},         {"math", cmdMath},
    {"eval", cmdEval},       {"random", cmdRandom},     {"init", cmdInit},       {"inc", cmdInc},
    {"exec", cmdExec},       {"move", cmdMove},         {"drag", cmdDrag},       {"getcoord", cmdGetcoord},
    {"getsize", cmdGetsize}, {"mute", cmdMute},         {"setdir", cmdSetdir},   {"userinstrument", cmdUserinstrument},
    {"debug", cmdDebug},     {"store", cmdStore},       {"restore", cmdRestore}, {"screen", cmdScreen},
};
static_assert(std::size(kCommandTable) == 36, "the scenario language has 36 command words");

}  // namespace vellaro
