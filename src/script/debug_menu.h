// The debug menu for lesson authors: what it lists (variables, screen objects, the lines of the
// navigation file navi.scn, the MIDI input's state) and what its commands do. The window side only
// turns the model into a menu bar and carries out the window effects (minimize, wake the waiting
// command).
#pragma once

#include <string>
#include <vector>

namespace vellaro {

class Interpreter;

// Command identifiers. Each list has room for 500 entries from its first identifier on.
constexpr unsigned kMenuMinimize = 1001;
constexpr unsigned kMenuLogSwitch = 1002;
constexpr unsigned kMenuQuit = 1003;
constexpr unsigned kMenuCallStack = 1004;
constexpr unsigned kMenuReload = 1005;
constexpr unsigned kMenuMidiInput = 1006;
constexpr unsigned kMenuSoundTicks = 1007;
constexpr unsigned kMenuMicrophone = 1008;
constexpr unsigned kMenuFirstNaviLine = 1500;
constexpr unsigned kMenuFirstObject = 2000;
constexpr unsigned kMenuFirstVariable = 2500;
constexpr unsigned kMenuListSize = 500;

struct DebugMenuItem {
  std::string text;
  unsigned id = 0;
  // The item with no text (identifier 0) that starts a new column of the popup.
  bool columnBreak = false;
};

struct DebugMenuPopup {
  std::string title;
  std::vector<DebugMenuItem> items;
};

// The popups "Commands", "Variables", "Objects", "Labels" and "Debug", built from the current state.
std::vector<DebugMenuPopup> debugMenuModel(Interpreter& in);

// The lines of navi.scn in the current directory, read like a scenario file (a final line end
// gives one more, empty line); at most 500 lines, none when the file is missing.
std::vector<std::string> readNaviLines();

// "OBJECT:<type>\r\nX:<x>\r\nY:<y>\r\nVALUE:<name>", the type named after the kind code.
std::string objectInformationText(int kind, int x, int y, const char* name);

// What the window side must do after a menu command.
enum class MenuEffect { None, Minimize, WakeWaiter };

// Performs the menu command: the log switch, quit, reloading the lesson, the call stack, the MIDI
// input's state, a navi.scn line as the next line to run, or the information box of an object or a
// variable. A reload that could read its file wakes the waiting command; one that could not has
// said why.
MenuEffect runDebugMenuCommand(Interpreter& in, unsigned id);

}  // namespace vellaro
