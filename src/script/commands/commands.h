// The scenario language as data: every command word with its kind, the items it reads and its
// handler. The main loop dispatches through this table, scnlint derives its checks from the item
// kinds, and `scnlint --language` prints it as JSON for the editor grammar and the reference checks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>

#include "base/messages.h"
#include "script/tokenizer.h"

namespace vellaro {

class Interpreter;
struct Command;

// What a handler receives: argument slots 1 to 5 of the line (writable, possibly empty), the whole
// stored text of the current line, which only melody uses, and the table entry of the word (none
// when a caller runs a handler by hand; resolveItem then finds it by the word).
struct CommandArgs {
  char* item[kHandlerSlots];  // item[0] is the command word
  const char* storedLine;
  const Command* command = nullptr;
};

// What the main loop does after a line.
enum class Flow { Continue, Stop };

using CommandHandler = void (*)(Interpreter&, CommandArgs&);
using FlowHandler = Flow (*)(Interpreter&);

// A table command does its work and the line passes; a flow word moves the current line or ends
// the run itself.
enum class WordKind : uint8_t { Command, Flow };

// What one item of a line is to the command that reads it. scnlint checks each kind its own way.
enum class ItemKind : uint8_t {
  None,              // not read
  Number,            // a whole number (the empty text counts as 0)
  Beats,             // pause's length: a number, 1 to 128 unless the next item says ms or old
  Coordinate,        // a place on the screen: N, -N from the far edge, *N from the centre, -*N
  Colour,            // six hexadecimal digits RRGGBB
  Background,        // *RRGGBB, a picture file, or nothing for white
  PictureFile,       // a BMP file below base_dir
  Instrument,        // *P for General MIDI program P, else a WAV file below base_dir
  ScenarioFile,      // a scenario file below base_dir
  LoadLabel,         // a label of the scenario file before it
  JumpTarget,        // a label of this file, or $n choosing among the labels after it
  ObjectName,        // the name of a screen object
  Text,              // any text
  SizedText,         // a text, optionally led by *WIDTH*
  Expression,        // a text whose $name references are replaced (math, eval)
  VariableWritten,   // a variable the command sets (one leading $ dropped; made when missing)
  VariableChanged,   // a variable the command reads and sets; it must exist already
  VariablesRead,     // variable names separated by commas, read
  VariablesWritten,  // variable names separated by commas, set
  StoreFile,         // a store file in the current folder
  Directory,         // a folder that becomes base_dir
  SubCommand,        // one word of the item's list; any other word is refused with its message
  Option,            // one word of the item's list, or anything else for the default
  Operator,          // if's comparison: = # > < or d
  CommandLine,       // the rest of the line, run as a line of its own (a true if)
  WholeLine,         // the stored line itself, read token by token (melody)
};

// The kinds' names in the language description (scnlint --language), in the order of ItemKind.
inline constexpr const char* kItemKindNames[] = {
    "none",         "number",       "beats",           "coordinate",       "colour",         "background",
    "picture-file", "instrument",   "scenario-file",   "load-label",       "jump-target",    "object-name",
    "text",         "sized-text",   "expression",      "variable-written", "variable-changed", "variables-read",
    "variables-written", "store-file", "directory",    "sub-command",      "option",         "operator",
    "command-line", "whole-line",
};
static_assert(std::size(kItemKindNames) == static_cast<size_t>(ItemKind::WholeLine) + 1, "a name for every item kind");

// A fixed list of words (sub-commands and options).
struct WordList {
  const char* const* words = nullptr;
  size_t count = 0;
};

template <size_t N>
constexpr WordList wordList(const char* const (&words)[N]) {
  return WordList{words, N};
}

struct ItemSpec {
  ItemKind kind = ItemKind::None;
  // The item's name in the missing-variable message; empty when the item is used as written (a $
  // there is no reference).
  const char* label = "";
  // The player's message when a written value is not of the item's kind; empty for none.
  const char* message = "";
  WordList words{};
};

constexpr int kCommandItems = kHandlerSlots - 1;  // items 1 to 5

struct Command {
  const char* name;
  WordKind kind;
  CommandHandler handler;  // table commands
  FlowHandler flow;        // flow words
  ItemSpec items[kCommandItems];
};

// Pictures and the object registry (pictures.cpp).
void cmdClear(Interpreter&, CommandArgs&);
void cmdRemove(Interpreter&, CommandArgs&);
void cmdDiscard(Interpreter&, CommandArgs&);
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
// The microphone (listen.cpp).
void cmdListen(Interpreter&, CommandArgs&);
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
void cmdExists(Interpreter&, CommandArgs&);
// Scenario directory and live instrument (directory.cpp).
void cmdSetdir(Interpreter&, CommandArgs&);
void cmdUserinstrument(Interpreter&, CommandArgs&);
// Shell, display mode and debug log (system.cpp).
void cmdExec(Interpreter&, CommandArgs&);
void cmdDebug(Interpreter&, CommandArgs&);
void cmdScreen(Interpreter&, CommandArgs&);
#ifdef VELLARO_LANGUAGE_TEST_WORD
void cmdTestWord(Interpreter&, CommandArgs&);
#endif
// The flow words move the current line or end the run (script/interpreter.cpp).
Flow flowGoto(Interpreter&);
Flow flowIfsilent(Interpreter&);
Flow flowIf(Interpreter&);
Flow flowLoad(Interpreter&);
Flow flowExit(Interpreter&);
Flow flowReturn(Interpreter&);
Flow flowTerminate(Interpreter&);

namespace language {

using K = ItemKind;

inline constexpr const char* kSwitchWords[] = {"on", "off"};
inline constexpr const char* kCheckWords[] = {"mode", "on", "off", "count", "result", "latency", "offset",
                                               "score", "notes", "log"};
inline constexpr const char* kListenWords[] = {"on", "clap", "off", "level"};
inline constexpr const char* kPauseModes[] = {"ms", "old"};
inline constexpr const char* kOperators[] = {"=", "#", ">", "<", "d"};

constexpr ItemSpec read(ItemKind kind, const char* label, const char* message = "") {
  return ItemSpec{kind, label, message, {}};
}
constexpr ItemSpec asWritten(ItemKind kind, const char* message = "", WordList words = {}) {
  return ItemSpec{kind, "", message, words};
}
constexpr Command command(const char* name, CommandHandler handler, ItemSpec a = {}, ItemSpec b = {},
                          ItemSpec c = {}, ItemSpec d = {}, ItemSpec e = {}) {
  return Command{name, WordKind::Command, handler, nullptr, {a, b, c, d, e}};
}
constexpr Command flow(const char* name, FlowHandler handler, ItemSpec a = {}, ItemSpec b = {}, ItemSpec c = {},
                       ItemSpec d = {}) {
  return Command{name, WordKind::Flow, nullptr, handler, {a, b, c, d, {}}};
}

// preshow's items; the long form of show reads the same.
constexpr ItemSpec kPictureX = read(K::Coordinate, kItemPreshowX);
constexpr ItemSpec kPictureY = read(K::Coordinate, kItemPreshowY);
constexpr ItemSpec kPictureFile = read(K::PictureFile, kItemPreshowFile);
constexpr ItemSpec kPictureName = read(K::ObjectName, kItemPreshowName);
constexpr ItemSpec kShapeColour = asWritten(K::Colour, kTransparentColourInvalid);
// text reads its items under print's names.
constexpr ItemSpec kPrintX = read(K::Coordinate, kItemPrintX);
constexpr ItemSpec kPrintY = read(K::Coordinate, kItemPrintY);
constexpr ItemSpec kPrintName = read(K::ObjectName, kItemPrintName);

// Every word of the scenario language. The main loop looks the line's word up here; a word that is
// not in the table only passes the line.
inline constexpr Command kTable[] = {
    // The flow words.
    flow("goto", flowGoto, read(K::JumpTarget, kItemGoto)),
    flow("gosub", flowGoto, read(K::JumpTarget, kItemGoto)),
    flow("ifsilent", flowIfsilent, read(K::JumpTarget, kItemGoto)),
    flow("if", flowIf, read(K::Text, kItemIf),
                   asWritten(K::Operator, "", wordList(kOperators)),
                   read(K::Text, kItemIf), asWritten(K::CommandLine)),
    flow("load", flowLoad, asWritten(K::ScenarioFile),
                   asWritten(K::LoadLabel)),
    flow("exit", flowExit),
    flow("return", flowReturn),
    flow("terminate", flowTerminate),
    // Pictures and the object registry.
    command("clear", cmdClear,
                      read(K::Background, kItemClear, kBackgroundColourInvalid)),
    command("remove", cmdRemove, read(K::ObjectName, kItemRemove)),
    command("discard", cmdDiscard, read(K::ObjectName, kItemDiscard)),
    command("show", cmdShow, read(K::Coordinate, kItemShow), kPictureY,
                      kPictureFile, kPictureName, kShapeColour),
    command("preshow", cmdPreshow, kPictureX, kPictureY, kPictureFile,
                      kPictureName, kShapeColour),
    command("hide", cmdHide, read(K::ObjectName, kItemHide)),
    command("move", cmdMove, read(K::ObjectName, kItemMoveName),
                      read(K::Coordinate, kItemMoveX),
                      read(K::Coordinate, kItemMoveY)),
    command("drag", cmdDrag, read(K::ObjectName, kItemDragName),
                      asWritten(K::Text)),
    command("getcoord", cmdGetcoord, read(K::ObjectName, kItemGetcoordName),
                      asWritten(K::VariableWritten), asWritten(K::VariableWritten)),
    command("getsize", cmdGetsize, read(K::ObjectName, kItemGetsizeName),
                      asWritten(K::VariableWritten), asWritten(K::VariableWritten)),
    // Text labels and fields.
    command("print", cmdPrint, kPrintX, kPrintY,
                      read(K::Text, kItemPrintText), kPrintName),
    command("text", cmdText, kPrintX, kPrintY,
                      read(K::SizedText, kItemPrintText, kTextWidthNotNumber),
                      kPrintName),
    command("font", cmdFont, read(K::Number, kItemFontSize, kFontSizeNotNumber),
                      read(K::Colour, kItemFontColour, kFontColourInvalid),
                      read(K::Text, kItemFontFace), asWritten(K::Text),
                      read(K::Number, kItemFontCodepage, kCodepageNotNumber)),
    command("gettext", cmdGettext, read(K::ObjectName, kItemGettext),
                      asWritten(K::VariableWritten)),
    command("input", cmdInput, asWritten(K::VariableWritten),
                      read(K::Number, kItemInputTime, kInputTimeNotNumber)),
    // Sound.
    command("play", cmdPlay, read(K::Instrument, kItemPlayFile),
                      read(K::Number, kItemPlayNote, kPlayNoteNotNumber)),
    command("pause", cmdPause, read(K::Beats, kItemPauseValue, kPauseValueNotNumber),
                      ItemSpec{K::Option, kItemPauseMode, "",
                                         wordList(kPauseModes)}),
    command("wait", cmdWait),
    command("mute", cmdMute),
    // Melody capture and checking.
    command("melody", cmdMelody, read(K::WholeLine, kItemMelody)),
    command("expect", cmdExpect, asWritten(K::Number, kExpectNotNumber)),
    command("rdiagram", cmdRdiagram, asWritten(K::Number),
                      asWritten(K::ObjectName),
                      read(K::Coordinate, kItemRdiagramX, kCoordinateNotNumber),
                      read(K::Coordinate, kItemRdiagramY, kCoordinateNotNumber),
                      read(K::Number, kItemRdiagramWidth, kDiagramWidthInvalid)),
    command("check", cmdCheck,
                      asWritten(K::SubCommand, kCheckUnknown, wordList(kCheckWords)),
                      read(K::Text, kItemCheckLatency),
                      asWritten(K::Number, kCheckModeFlagsNotNumber),
                      asWritten(K::Number, kCheckModeAccuracyNotNumber)),
    // The microphone.
    command("listen", cmdListen,
                      asWritten(K::SubCommand, kListenUnknown, wordList(kListenWords)),
                      asWritten(K::VariableWritten)),
    // Variables and store files.
    command("poke", cmdPoke, read(K::Text, kItemPoke)),
    command("let", cmdLet, asWritten(K::VariableWritten),
                      read(K::Text, kItemLet)),
    command("math", cmdMath, asWritten(K::VariableWritten),
                      read(K::Expression, kItemMath)),
    command("eval", cmdEval, asWritten(K::VariableWritten),
                      read(K::Expression, kItemEval)),
    command("random", cmdRandom, asWritten(K::VariableWritten),
                      read(K::Text, kItemRandom)),
    command("init", cmdInit, asWritten(K::VariableWritten),
                      read(K::Text, kItemInit)),
    command("inc", cmdInc, asWritten(K::VariableChanged),
                      read(K::Number, kItemInc, kIncAddNotNumber)),
    command("store", cmdStore, read(K::StoreFile, kItemStore),
                      asWritten(K::VariablesRead)),
    command("restore", cmdRestore, read(K::StoreFile, kItemRestore),
                      asWritten(K::VariablesWritten)),
    command("exists", cmdExists, read(K::StoreFile, kItemExists),
                      asWritten(K::VariableWritten)),
    // Scenario directory and live instrument.
    command("setdir", cmdSetdir, read(K::Directory, kItemSetdir)),
    command("userinstrument", cmdUserinstrument, asWritten(K::Instrument)),
    // Shell, display mode and debug log.
    command("exec", cmdExec, read(K::Text, kItemExec)),
    command("debug", cmdDebug,
                      asWritten(K::SubCommand, kDebugUnknownMode,
                                          wordList(kSwitchWords))),
    command("screen", cmdScreen, read(K::Number, kItemScreenWidth, kScreenWidthNotNumber),
                      read(K::Number, kItemScreenColour, kScreenColourNotNumber),
                      read(K::Number, kItemScreenFrequency, kScreenFrequencyNotNumber)),
#ifdef VELLARO_LANGUAGE_TEST_WORD
    // Only in the test build of scnlint (tests/lint): a new word that the grammar and the reference
    // do not know yet, so that their checks are seen to notice it with no other edit.
    command("glide", cmdTestWord, read(K::Instrument, kItemPlayFile), read(K::Number, kItemPlayNote, kPlayNoteNotNumber)),
#endif
};

}  // namespace language

inline constexpr const auto& kCommandTable = language::kTable;

// The entry of a word, or null when the language has no such word.
constexpr const Command* findCommand(const char* word) {
  for (const Command& command : kCommandTable) {
    const char* a = command.name;
    const char* b = word;
    while (*a != '\0' && *a == *b) {
      ++a;
      ++b;
    }
    if (*a == *b) return &command;
  }
  return nullptr;
}

namespace language {

constexpr bool sameText(const char* a, const char* b) {
  while (*a != '\0' && *a == *b) {
    ++a;
    ++b;
  }
  return *a == *b;
}

// Each word once (command() and flow() give each entry the handler of its kind); an item that
// refuses values says how, and a list item has its words.
constexpr bool entryIsWellFormed(const Command& command) {
  if (command.name[0] == '\0') return false;
  for (const ItemSpec& item : command.items) {
    bool listed = item.kind == ItemKind::SubCommand || item.kind == ItemKind::Option || item.kind == ItemKind::Operator;
    if (listed != (item.words.count > 0)) return false;
    if (item.kind == ItemKind::SubCommand && item.message[0] == '\0') return false;
    if (item.kind == ItemKind::None && (item.label[0] != '\0' || item.message[0] != '\0')) return false;
  }
  return true;
}

constexpr bool tableIsWellFormed() {
  size_t count = std::size(kCommandTable);
  for (size_t i = 0; i < count; ++i) {
    if (!entryIsWellFormed(kCommandTable[i])) return false;
    for (size_t j = i + 1; j < count; ++j) {
      if (sameText(kCommandTable[i].name, kCommandTable[j].name)) return false;
    }
  }
  return true;
}

}  // namespace language

static_assert(language::tableIsWellFormed(), "every word once, with well-formed items");

}  // namespace vellaro
