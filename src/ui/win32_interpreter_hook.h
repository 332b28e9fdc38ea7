// interpreterHook: where the learner's actions on the windows reach the interpreter. Closing the
// main window ends the run, menu commands run the debug menu, clicks on named objects report
// their names to the waiting command, and keys play the live instrument.
#pragma once

#include <windows.h>

namespace vellaro {

class Interpreter;

// The message hook of the main window and of every picture window of a run. 0 when it handled the
// message (no default processing), 1 otherwise.
int interpreterHook(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The run starts: the hook serves this interpreter and is installed on the main window. Detaching
// removes it; hooks left on picture windows then do nothing.
void attachInterpreterHook(Interpreter& in, HWND mainWindow);
void detachInterpreterHook(HWND mainWindow);

// A new menu bar of the debug menu, built from the interpreter's current state.
HMENU buildDebugMenu(Interpreter& in);

}  // namespace vellaro
