// Melody capture and checking: melody, expect, check and rdiagram.
#include "base/messages.h"
#include "script/commands/melody.h"

#include <cstdint>
#include <cstring>

#include "script/commands/commands.h"
#include "script/commands/pictures.h"
#include "script/host.h"
#include "script/interpreter.h"
#include "script/melody_capture.h"
#include "script/note_judging.h"
#include "script/rhythm_diagram.h"
#include "script/services.h"
#include "script/text.h"
#include "script/variables.h"
#include "sound/instrument_bank.h"
#include "sound/mixer.h"

namespace vellaro {
namespace {

// The microphone reports a note once its pitch is clear, a few hundredths of a second after its
// sound began (a note that swells in slowly later). So that a note sung just before a capture ends
// still counts, the end waits, in kHeardLateSteps waits of kHeardLateStepMs at most, while the
// microphone still hears something, and keeps only what began before it.
constexpr uint32_t kHeardLateStepMs = 10;
constexpr uint32_t kHeardLateSteps = 25;

// Ends the capture (check off, or a melody's capture).
void endCapture(Interpreter& in) {
  Microphone* microphone = in.services ? in.services->microphone : nullptr;
  const bool listening =
      in.listening == Interpreter::Listening::kNotes || in.listening == Interpreter::Listening::kClaps;
  if (microphone && listening && in.capture.isOn()) {
    in.capture.closeAt(in.host.clockMs());
    for (uint32_t step = 0; step < kHeardLateSteps && !microphone->settled() && !in.waitInterrupted(); ++step) {
      in.services->pumpFor(kHeardLateStepMs);
    }
  }
  in.capture.stop();
}

// The sounding state of one melody line.
struct MelodyLine {
  Interpreter& in;
  InstrumentBank* bank;
  // Notes before the first * or + token sound on MIDI program 0, the live instrument's start value.
  bool instrumentChosen = false;
  int instrument = kNoInstrument;
};

uint32_t now(Interpreter& in) { return in.host.clockMs(); }

// expect and the melody expect token: only a user-mode capture records, and only then is the
// text tested.
void expectNote(Interpreter& in, const char* text) {
  MelodyCapture& capture = in.capture;
  if (!capture.isOn() || capture.mode != CheckMode::User) return;
  if (!isNumber(text)) {
    in.scriptError(kExpectNotNumber);
    return;
  }
  capture.recordExpected(now(in), static_cast<uint16_t>(textToInt(text)));
}

// "(60)": the characters between the ( and the token's last character.
void expectToken(Interpreter& in, const char* token) {
  std::string inner(token + 1, std::strlen(token) - 2);
  expectNote(in, inner.c_str());
}

// "-N" rests N milliseconds the way pause N ms does, ending early when the interpreter is woken.
void rest(Interpreter& in, const char* digits) {
  int32_t duration = textToInt(digits);
  if (in.services) in.services->pumpFor(duration < 0 ? 0u : static_cast<uint32_t>(duration));
}

void chooseInstrument(MelodyLine& melody, const char* token) {
  if (!melody.bank) return;
  melody.instrument = token[0] == '*' ? melody.bank->instrumentFor(token)
                                      : melody.bank->findSample(melody.in.pathInBaseDir(token + 1).c_str());
  melody.instrumentChosen = true;
}

// Any other token is a note, read as a plain text-to-integer conversion does (no digits give 0).
void soundNote(MelodyLine& melody, const char* token) {
  uint16_t note = static_cast<uint16_t>(textToInt(token));
  if (melody.bank) {
    if (!melody.instrumentChosen) chooseInstrument(melody, "*0");
    melody.bank->noteOn(melody.instrument, note, kScriptTag, kFullVelocity);
  }
  melody.in.capture.recordSounded(now(melody.in), note);
}

void runToken(MelodyLine& melody, std::string& token) {
  Interpreter& in = melody.in;
  const char* text = in.resolveArgument(token.data(), kItemMelody);
  if (!text) return;  // the resolver has named the missing variable; the token is skipped
  switch (text[0]) {
    case '(':
      if (text[1] == '\0') {
        in.capture.start();
      } else {
        expectToken(in, text);
      }
      break;
    case ')':
      endCapture(in);
      break;
    case '*':
    case '+':
      chooseInstrument(melody, text);
      break;
    case '-':
      rest(in, text + 1);
      break;
    default:
      soundNote(melody, text);
      break;
  }
}

Screen* screenOf(Interpreter& in) {
  return in.services ? in.services->screen : nullptr;
}

void checkMode(Interpreter& in, CommandArgs& args) {
  MelodyCapture& capture = in.capture;
  if (std::strcmp(args.item[2], "all") == 0) capture.mode = CheckMode::All;
  if (std::strcmp(args.item[2], "user") == 0) capture.mode = CheckMode::User;
  const char* flags = args.item[3];
  if (flags[0] != '\0') {
    if (!isNumber(flags)) {
      in.scriptError(kCheckModeFlagsNotNumber);
      return;
    }
    capture.flags = static_cast<uint8_t>(textToInt(flags));
  }
  const char* accuracy = args.item[4];
  if (accuracy[0] != '\0') {
    if (!isNumber(accuracy)) {
      in.scriptError(kCheckModeAccuracyNotNumber);
      return;
    }
    capture.accuracyMs = static_cast<uint32_t>(textToInt(accuracy));
  }
}

void checkResult(Interpreter& in, const char* variable) {
  const MelodyCapture& capture = in.capture;
  NoteSnapshot expected;
  NoteSnapshot played;
  capture.expectedNotes.copyTo(expected);
  capture.playedNotes.copyTo(played);
  bool passed = capturesMatch(expected, played, capture.flags, capture.accuracyMs, capture.latencyMs);
  in.variables.assign(resultVariableName(variable), passed ? "yes" : "no");
}

// check latency MS|$variable|auto: the compensation from then on. auto takes the sound engine's
// write-ahead at this moment (0 where nothing plays to a device).
void checkLatency(Interpreter& in, CommandArgs& args) {
  const char* text = in.resolveItem(args, 2);
  if (!text) return;
  if (std::strcmp(text, "auto") == 0) {
    VoicePlayer* voices = in.services ? in.services->voices : nullptr;
    in.capture.latencyMs = voices ? voices->outputDelayMs() : 0;
    return;
  }
  uint32_t ms = 0;
  if (!readLatencyMs(text, &ms)) {
    in.scriptError(kCheckLatencyInvalid);
    return;
  }
  in.capture.latencyMs = ms;
}

// check offset variable: the learner's mean lateness over the last capture, before compensation.
void checkOffset(Interpreter& in, const char* variable) {
  NoteSnapshot expected;
  NoteSnapshot played;
  in.capture.expectedNotes.copyTo(expected);
  in.capture.playedNotes.copyTo(played);
  in.variables.assign(resultVariableName(variable), format("%d", meanOffsetMs(expected, played)).c_str());
}

Judgement judgeLastCapture(const MelodyCapture& capture) {
  NoteSnapshot expected;
  NoteSnapshot played;
  capture.expectedNotes.copyTo(expected);
  capture.playedNotes.copyTo(played);
  return judgeCapture(expected, played, capture.flags, capture.accuracyMs, capture.latencyMs);
}

// check score variable and check notes variable: the judgement of the last capture as a number or
// as words.
void checkJudgement(Interpreter& in, const char* sub, const char* variable, bool asScore) {
  if (variable[0] == '\0') {
    in.scriptError(kCheckVariableMissing, sub);
    return;
  }
  Judgement judgement = judgeLastCapture(in.capture);
  std::string value = asScore ? format("%d", judgementScore(judgement)) : judgementWords(judgement);
  in.variables.assign(resultVariableName(variable), value.c_str());
}

// An item of check log, $variable resolved; null, after a message, when it is missing or empty.
const char* logItem(Interpreter& in, CommandArgs& args, int i, const char* missing) {
  const char* text = args.item[i][0] != '\0' ? in.resolveArgument(args.item[i], kItemCheckLog) : nullptr;
  if (args.item[i][0] == '\0' || (text && text[0] == '\0')) in.scriptError("%s", missing);
  return text && text[0] != '\0' ? text : nullptr;
}

// check log file tag: one line of the attempt appended to file, whole or not at all. A lesson goes
// on after a file that cannot be written; the learner loses nothing but the line.
void checkLog(Interpreter& in, CommandArgs& args) {
  const char* file = logItem(in, args, 2, kCheckLogFileMissing);
  if (!file) return;
  const std::string fileName = file;  // the tag's variable may share the resolver's buffer
  const char* tag = logItem(in, args, 3, kCheckLogTagMissing);
  if (!tag) return;
  Judgement judgement = judgeLastCapture(in.capture);
  std::string line = progressLogLine(in.host.localTime(), tag, judgementScore(judgement), judgementWords(judgement),
                                     in.capture.accuracyMs, in.capture.latencyMs);
  if (!in.host.appendToFile(fileName, line)) in.scriptError(kCheckLogCannotWrite, fileName.c_str());
}

// Where a diagram goes and how wide its strip is.
struct DiagramPlace {
  int x = kDiagramX;
  int y = kDiagramY;
  int width = 0;
};

// The placed form names X, Y or WIDTH; the two-item form leaves all three empty.
bool isPlacedDiagram(const CommandArgs& args) {
  return args.item[3][0] != '\0' || args.item[4][0] != '\0' || args.item[5][0] != '\0';
}

// X and Y read as show reads its coordinates, against the strip's extent; WIDTH empty keeps the
// two-item strip's width. False after a message.
bool readDiagramPlace(Interpreter& in, CommandArgs& args, Screen& screen, DiagramPlace* place) {
  const char* xText = in.resolveItem(args, 3);
  const char* yText = xText ? in.resolveItem(args, 4) : nullptr;
  const char* widthText = yText ? in.resolveItem(args, 5) : nullptr;
  if (!widthText) return false;
  if (widthText[0] != '\0') {
    int32_t width = isNumber(widthText) ? textToInt(widthText) : 0;
    if (width < 1 || width > kDiagramMaxWidth) {
      in.scriptError(kDiagramWidthInvalid);
      return false;
    }
    place->width = width;
  }
  place->x = parseCoordinate(in, xText, place->width, screen.screenWidth());
  place->y = parseCoordinate(in, yText, kDiagramHeight, screen.screenHeight());
  return true;
}

// Paints the diagram's fills; judged, the marks take the colours of the verdicts that check notes
// gives the same snapshot of the capture.
void drawDiagram(Interpreter& in, Screen& screen, ObjectHandle diagram, uint32_t scale, int width, bool judged) {
  const MelodyCapture& capture = in.capture;
  NoteSnapshot expected;
  NoteSnapshot played;
  capture.expectedNotes.copyTo(expected);
  capture.playedNotes.copyTo(played);
  Judgement judgement;
  if (judged) judgement = judgeCapture(expected, played, capture.flags, capture.accuracyMs, capture.latencyMs);
  const Judgement* verdicts = judged ? &judgement : nullptr;
  for (const DiagramFill& fill : rhythmDiagramFills(expected, played, scale, width, capture.latencyMs, verdicts)) {
    screen.fillSurfaceRect(diagram, fill.rect, fill.colour);
  }
}

}  // namespace

// The empty text is refused, although it counts as 0 elsewhere: a compensation nobody wrote is
// more likely a slip than a 0.
bool readLatencyMs(const char* text, uint32_t* ms) {
  if (text[0] == '\0' || !isNumber(text)) return false;
  const char* digit = text[0] == '-' || text[0] == '+' ? text + 1 : text;
  uint32_t value = 0;
  for (; *digit; ++digit) {
    value = value * 10 + static_cast<uint32_t>(*digit - '0');
    if (value > kMaxLatencyMs) return false;  // stops before the value could wrap
  }
  if (text[0] == '-' && value != 0) return false;
  *ms = value;
  return true;
}

// The tag's tabs and line ends become blanks: one attempt stays one line of six fields.
std::string progressLogLine(const LocalTime& time, const std::string& tag, int score, const std::string& words,
                            uint32_t accuracyMs, uint32_t latencyMs) {
  std::string field = tag;
  for (char& c : field) {
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  }
  return format("%04d-%02d-%02d %02d:%02d:%02d\t%s\t%d\t%s\t%u\t%u\r\n", time.year, time.month, time.day, time.hour,
                time.minute, time.second, field.c_str(), score, words.c_str(), accuracyMs, latencyMs);
}

std::vector<std::string> melodyTokens(const char* storedLine) {
  std::vector<std::string> tokens;
  const char* space = std::strchr(storedLine, ' ');
  while (space) {
    const char* start = space + 1;
    space = std::strchr(start, ' ');
    size_t length = space ? static_cast<size_t>(space - start) : std::strlen(start);
    tokens.emplace_back(start, length);
  }
  return tokens;
}

// melody token token ...: works on the whole stored line, so a melody is as long as a line allows.
// Capture is stopped at the end of the line whether or not the line started it.
void cmdMelody(Interpreter& in, CommandArgs& args) {
  MelodyLine melody{in, in.services ? in.services->instruments : nullptr};
  for (std::string& token : melodyTokens(args.storedLine)) {
    if (in.waitInterrupted()) break;  // the window was closed, or the lesson reloaded, during a rest
    runToken(melody, token);
  }
  endCapture(in);
}

// expect note: a moment the learner should play at, in a user-mode capture; sounds nothing.
void cmdExpect(Interpreter& in, CommandArgs& args) { expectNote(in, args.item[1]); }

// check mode all|user [flags [accuracy]], check on, check off, check count var, check result var,
// check latency ms|auto, check offset var, check score var, check notes var, check log file tag.
// The items are used as written, except the value of check latency and the items of check log,
// which may be $variables.
void cmdCheck(Interpreter& in, CommandArgs& args) {
  const char* sub = args.item[1];
  if (std::strcmp(sub, "mode") == 0) {
    checkMode(in, args);
  } else if (std::strcmp(sub, "on") == 0) {
    in.capture.start();
  } else if (std::strcmp(sub, "off") == 0) {
    endCapture(in);
  } else if (std::strcmp(sub, "count") == 0) {
    int count = in.capture.playedNotes.length();
    in.variables.assign(resultVariableName(args.item[2]), format("%d", count).c_str());
  } else if (std::strcmp(sub, "result") == 0) {
    checkResult(in, args.item[2]);
  } else if (std::strcmp(sub, "latency") == 0) {
    checkLatency(in, args);
  } else if (std::strcmp(sub, "offset") == 0) {
    checkOffset(in, args.item[2]);
  } else if (std::strcmp(sub, "score") == 0 || std::strcmp(sub, "notes") == 0) {
    checkJudgement(in, sub, args.item[2], sub[0] == 's');
  } else if (std::strcmp(sub, "log") == 0) {
    checkLog(in, args);
  } else {
    in.scriptError(kCheckUnknown, sub);
  }
}

// rdiagram scale name [x y [width]]: the rhythm of the last capture as a see-through strip, one
// pixel per scale milliseconds (1 when the item is not a number). A scale below 1 would divide by
// zero or draw backwards, so it is refused with a message. Without x, y and width the strip lies
// at (10, 300), as wide as the screen less 10, in the unjudged colours; with them it lies where
// they say and shows each note's verdict.
void cmdRdiagram(Interpreter& in, CommandArgs& args) {
  const char* scaleText = args.item[1];
  int32_t scale = isNumber(scaleText) ? textToInt(scaleText) : 1;
  if (scale < 1) {
    in.scriptError(kDiagramScaleTooSmall);
    return;
  }
  Screen* screen = screenOf(in);
  if (!screen) return;
  bool placed = isPlacedDiagram(args);
  DiagramPlace place;
  place.width = screen->screenWidth() - kDiagramX;
  if (placed && !readDiagramPlace(in, args, *screen, &place)) return;
  // The two-item strip's surface is as wide as the screen; its window shows all but the last 10.
  int surfaceWidth = placed ? place.width : screen->screenWidth();
  ObjectHandle diagram = screen->createDiagramObject(surfaceWidth, kDiagramHeight);
  if (!diagram) return;
  screen->setObjectBounds(diagram, place.x, place.y, place.width, kDiagramHeight);
  drawDiagram(in, *screen, diagram, static_cast<uint32_t>(scale), surfaceWidth, placed);
  screen->invalidateObject(diagram);
  in.objects.registerObject(*screen, in.host, diagram, args.item[2]);
  screen->shapeByColour(diagram, kDiagramSeeThrough);
  screen->showObject(diagram, true);
}

}  // namespace vellaro
