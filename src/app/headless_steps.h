// The steps of a headless run: what the learner does while the lesson waits, one step a line.
//   answer OK|CANCEL   the next message box or question
//   click NAME         a left click on the topmost shown object of that name
//   type TEXT          the characters after "type " typed into the edit field with the focus
//   key KEY            a key of the keyboard piano (a letter, a digit or one of , . ; /), pressed
//                      and released
//   wait MS            the virtual clock runs MS milliseconds before the next step applies
// Empty lines and lines starting with # are skipped; a CR before the LF is ignored.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vellaro {

enum class StepKind { Answer, Click, Type, Key, Wait };

struct Step {
  StepKind kind = StepKind::Wait;
  int line = 0;          // in the steps file, from 1
  std::string text;      // click: the name; type: the characters; key: the key as written
  bool ok = false;       // answer
  unsigned keyCode = 0;  // key: the virtual-key code
  uint32_t ms = 0;       // wait
};

// The steps of the file's text; false with "LINE: error: ..." in *error at the first bad line.
bool parseSteps(const std::string& content, std::vector<Step>* steps, std::string* error);

// The virtual-key code of a key as a step writes it; 0 when it is no key of the keyboard piano's
// rows (a letter, a digit, or , . ; /).
unsigned pianoKeyCode(const std::string& key);

// The step as the transcript writes it.
std::string describeStep(const Step& step);

}  // namespace vellaro
