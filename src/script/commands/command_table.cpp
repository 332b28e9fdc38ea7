#include "script/commands/commands.h"

namespace vellaro {

const Command kCommandTable[kCommandCount] = {
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

}  // namespace vellaro
