// The steps of a headless run: what the learner does while the lesson waits, one step a line.
//   answer OK|CANCEL   the next message box or question
//   click NAME         a left click on the topmost shown object of that name
//   type TEXT          the characters after "type " typed into the edit field with the focus
//   key KEY            a key of the keyboard piano (a letter, a digit or one of , . ; /), pressed
//                      and released at once
//   down KEY, up KEY   the key pressed and held, and released: a held key's sampled note sounds
//                      until the key comes up
//   wait MS            the virtual clock runs MS milliseconds before the next step applies
//   listen FILE.wav    a recording (44100 Hz, 16-bit) starts to sound into the microphone: what
//                      the lesson hears while it listens
// Empty lines and lines starting with # are skipped; a CR before the LF is ignored.
//
// The rules of a run:
// - Steps apply in order while the lesson waits (pause, wait, input, the rests of a melody), each
//   once the time that the wait steps before it set has come. Running lines takes no time.
// - A click right after a wait step comes at its time, whatever the lesson waits in (a click that
//   reports a name ends a pause early, as in the player); any other click waits for the next input.
// - Boxes take answers: a box with only OK takes an "answer OK" but needs none and leaves CANCEL
//   for the next question; a question takes either, and is cancelled when the next step is no
//   answer. Wait steps right before an answer are the time the learner reads the box.
// - type goes to the edit field a click focused last, else to the newest field on the screen.
// - An input without a time limit that no step can end ends the run; so does the line limit.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vellaro {

enum class StepKind { Answer, Click, Type, Key, Down, Up, Wait, Listen };

struct Step {
  StepKind kind = StepKind::Wait;
  int line = 0;          // in the steps file, from 1
  std::string text;      // click: the name; type: the characters; key, down, up: the key as written;
                         // listen: the file
  bool ok = false;       // answer
  unsigned keyCode = 0;  // key, down, up: the virtual-key code
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
