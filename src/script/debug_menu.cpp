#include "script/debug_menu.h"

#include "base/messages.h"

#include <cstdio>

#include "base/text_encoding.h"

#include "script/commands/commands.h"
#include "script/interpreter.h"
#include "script/live_input.h"
#include "script/screen.h"
#include "script/services.h"
#include "script/text.h"
#include "sound/mixer.h"

namespace vellaro {
namespace {

constexpr const char kNaviFile[] = "navi.scn";

DebugMenuPopup commandsPopup(const Interpreter& in) {
  return {"Commands",
          {{std::string("Debug LOG is ") + (in.debugLogOn ? "ON" : "OFF"), kMenuLogSwitch},
           {"Minimize", kMenuMinimize},
           {"Reload lesson", kMenuReload},
           {"", 0, true},
           {"Quit", kMenuQuit}}};
}

DebugMenuPopup variablesPopup(const Interpreter& in) {
  DebugMenuPopup popup{"Variables", {}};
  for (int slot = 0; slot < kMaxVariables; ++slot) {
    const char* name = in.variables.nameAt(slot);
    if (name[0] == '\0') continue;
    popup.items.push_back({format("%s = '%s'", name, in.variables.valueAt(slot)), kMenuFirstVariable + slot});
  }
  return popup;
}

DebugMenuPopup objectsPopup(const Interpreter& in) {
  DebugMenuPopup popup{"Objects", {}};
  Screen* screen = in.services ? in.services->screen : nullptr;
  for (int slot = 0; screen && slot < kMaxObjects; ++slot) {
    ObjectHandle object = in.objects.at(slot);
    if (!object) continue;
    const char* name = screen->objectName(object);
    popup.items.push_back({name ? name : "<untitled>", kMenuFirstObject + slot});
  }
  return popup;
}

DebugMenuPopup labelsPopup() {
  DebugMenuPopup popup{"Labels", {}};
  std::vector<std::string> lines = readNaviLines();
  for (size_t i = 0; i < lines.size(); ++i) {
    popup.items.push_back({lines[i], kMenuFirstNaviLine + static_cast<unsigned>(i)});
  }
  return popup;
}

void switchLog(Interpreter& in) {
  char word[] = "debug";
  char mode[4];
  copyText(mode, sizeof mode, in.debugLogOn ? "off" : "on");
  char empty[] = "";
  CommandArgs args{{word, mode, empty, empty, empty, empty}, ""};
  cmdDebug(in, args);
}

// The navi.scn line becomes the next line to run; a line that is gone leaves an empty one.
void takeNaviLine(Interpreter& in, unsigned index) {
  std::vector<std::string> lines = readNaviLines();
  in.pendingLine = index < lines.size() ? lines[index] : std::string();
}

void showObjectInformation(Interpreter& in, int slot) {
  ObjectHandle object = in.objects.at(slot);
  Screen* screen = in.services ? in.services->screen : nullptr;
  if (!object || !screen) return;
  ScreenRect rect = screen->windowRect(object);
  const char* name = screen->objectName(object);
  in.showMessage(objectInformationText(screen->objectKind(object), rect.left, rect.top, name ? name : ""));
}

bool inList(unsigned id, unsigned first, unsigned size) { return id >= first && id < first + size; }

// What the microphone does: not listening, listening (with the level of the last 100 ms), or why it
// could not start.
std::string microphoneState(const Interpreter& in) {
  Microphone* microphone = in.services ? in.services->microphone : nullptr;
  int level = microphone ? microphone->level() : 0;
  switch (in.listening) {
    case Interpreter::Listening::kNotes: return format(kMicrophoneNotes, level);
    case Interpreter::Listening::kClaps: return format(kMicrophoneClaps, level);
    case Interpreter::Listening::kFailed: return format(kMicrophoneFailed, in.microphoneProblem.c_str());
    default: return kMicrophoneOff;
  }
}

// How many of the sound engine's ticks came late, so that the device played silence meanwhile.
std::string soundTicksState(const Interpreter& in) {
  const VoicePlayer* voices = in.services ? in.services->voices : nullptr;
  return format(kSoundLateTicks, voices ? voices->lateTicks() : 0u);
}

}  // namespace

std::vector<DebugMenuPopup> debugMenuModel(Interpreter& in) {
  return {commandsPopup(in), variablesPopup(in), objectsPopup(in), labelsPopup(),
          {"Debug",
           {{"Display Calls Stack", kMenuCallStack},
            {midiInputState(in), kMenuMidiInput},
            {soundTicksState(in), kMenuSoundTicks},
            {microphoneState(in), kMenuMicrophone}}}};
}

std::vector<std::string> readNaviLines() {
  std::vector<std::string> lines;
  std::FILE* file = std::fopen(kNaviFile, "rb");
  if (!file) return lines;
  detectFileEncoding(file);  // past a byte-order mark; the lines are shown in the lesson's encoding
  char line[kMaxLineLength + 1];
  // As with scenario files, the end shows only when a read fails, and that read's line counts too.
  while (!std::feof(file) && lines.size() < kMenuListSize) {
    readLine(file, line, kMaxLineLength);
    lines.emplace_back(line);
  }
  std::fclose(file);
  return lines;
}

std::string objectInformationText(int kind, int x, int y, const char* name) {
  std::string type;
  switch (kind) {
    case 1:
    case 2:
      type = kInspectorLabel;
      break;
    case 3:
      type = kInspectorDiagram;
      break;
    case 6:
      type = kInspectorPicture;
      break;
    case 7:
      type = kInspectorAnimation;
      break;
    case 8:
      type = kInspectorButton;
      break;
    case 9:
      type = kInspectorField;
      break;
    default:
      type = format(kInspectorUnknownKind, kind);
      break;
  }
  return format(kInspectorText, type.c_str(), x, y, name);
}

MenuEffect runDebugMenuCommand(Interpreter& in, unsigned id) {
  switch (id) {
    case kMenuMinimize:
      return MenuEffect::Minimize;
    case kMenuLogSwitch:
      switchLog(in);
      return MenuEffect::None;
    case kMenuQuit:
      in.quitRequested = true;
      return MenuEffect::WakeWaiter;
    case kMenuReload:
      return in.requestReload() ? MenuEffect::WakeWaiter : MenuEffect::None;
    case kMenuCallStack:
      in.showMessage(in.callStack.text());
      return MenuEffect::None;
    case kMenuMidiInput:
      in.showMessage(midiInputState(in));
      return MenuEffect::None;
    case kMenuSoundTicks:
      in.showMessage(soundTicksState(in));
      return MenuEffect::None;
    case kMenuMicrophone:
      in.showMessage(microphoneState(in));
      return MenuEffect::None;
    default:
      break;
  }
  if (inList(id, kMenuFirstNaviLine, kMenuListSize)) {
    takeNaviLine(in, id - kMenuFirstNaviLine);
    return MenuEffect::WakeWaiter;
  }
  if (inList(id, kMenuFirstObject, kMaxObjects)) showObjectInformation(in, static_cast<int>(id - kMenuFirstObject));
  if (inList(id, kMenuFirstVariable, kMaxVariables)) {
    in.showMessage(in.variables.valueAt(static_cast<int>(id - kMenuFirstVariable)));
  }
  return MenuEffect::None;
}

}  // namespace vellaro
