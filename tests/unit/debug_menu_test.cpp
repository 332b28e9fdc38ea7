// The debug menu's model and commands: what each popup lists, the object information text, and
// what every command identifier does to the interpreter.
#include <gtest/gtest.h>

#include "fake_picture_screen.h"
#include "scenario_fixture.h"
#include "script/debug_menu.h"
#include "script/services.h"
#include "sound/midi.h"
#include "sound/mixer.h"

namespace vellaro {
namespace {

// A popup as "Title: text=id, text=id, ..."; the column break shows as "|".
std::string describe(const DebugMenuPopup& popup) {
  std::string text = popup.title + ":";
  for (const DebugMenuItem& item : popup.items) {
    text += item.columnBreak ? " |" : " " + item.text + "=" + std::to_string(item.id);
  }
  return text;
}

class DebugMenuTest : public ScenarioTest {
 protected:
  void SetUp() override {
    ScenarioTest::SetUp();
    services.screen = &screen;
    interpreter.services = &services;
    screen.files["p.bmp"] = {40, 30};
  }
  // A picture object registered under name, at (x, y), of the given kind.
  void addObject(const char* name, int x, int y, int kind = 6) {
    ObjectHandle object = screen.createPictureObject(screen.loadPicture("p.bmp"));
    interpreter.objects.registerObject(screen, host, object, name);
    screen.placeObject(object, x, y);
    screen.object(static_cast<int>(screen.objects.size())).kind = kind;
  }
  std::vector<std::string> menu() {
    std::vector<std::string> popups;
    for (const DebugMenuPopup& popup : debugMenuModel(interpreter)) popups.push_back(describe(popup));
    return popups;
  }

  FakePictureScreen screen;
  FakePictureServices services;
};

struct MenuCase {
  const char* name;
  bool logOn;
  const char* navi;  // navi.scn's bytes, or nullptr for no file
  std::vector<std::string> popups;
};

TEST_F(DebugMenuTest, ListsTheCurrentState) {
  interpreter.variables.assign("answer", "42");
  addObject("door", 10, 20);
  addObject("bell", 50, 60);
  screen.destroyObject(FakePictureScreen::handle(2));  // its record is gone, its slot is not
  const std::string fixed[] = {"Variables: userinstrument = '*0'=2500 tempo = '2000'=2501 base_dir = ''=2502"
                               " answer = '42'=2503",
                               "Objects: door=2000 <untitled>=2001"};
  // No MIDI input is set up here, as on a machine without a MIDI keyboard.
  const std::string debug =
      "Debug: Display Calls Stack=1004 MIDI input: no device, so only the computer keyboard plays=1006"
      " Sound output: 0 late ticks (the device played silence while it waited)=1007 Microphone: not listening=1008";
  const std::string off = "Commands: Debug LOG is OFF=1002 Minimize=1001 Reload lesson=1005 | Quit=1003";
  const std::string on = "Commands: Debug LOG is ON=1002 Minimize=1001 Reload lesson=1005 | Quit=1003";
  const MenuCase cases[] = {
      {"no navi.scn", false, nullptr, {off, fixed[0], fixed[1], "Labels:", debug}},
      {"log on", true, nullptr, {on, fixed[0], fixed[1], "Labels:", debug}},
      {"navi lines, last one ended", false, "goto :a\r\nload b.scn\r\n",
       {off, fixed[0], fixed[1], "Labels: goto :a=1500 load b.scn=1501 =1502", debug}},
      {"navi line without line end", false, "goto :a", {off, fixed[0], fixed[1], "Labels: goto :a=1500", debug}},
  };
  for (const MenuCase& c : cases) {
    std::remove("navi.scn");
    if (c.navi) writeFile("navi.scn", c.navi);
    interpreter.debugLogOn = c.logOn;
    EXPECT_EQ(menu(), c.popups) << c.name;
  }
}

TEST_F(DebugMenuTest, ANaviFileOfManyLinesGivesAtMost500Entries) {
  std::string many;
  for (int i = 0; i < 700; ++i) many += "poke x\r\n";
  writeFile("navi.scn", many);
  EXPECT_EQ(readNaviLines().size(), 500u);
}

struct InformationCase {
  int kind;
  const char* text;
};

TEST(ObjectInformationTest, NamesTheTypeByKind) {
  const InformationCase cases[] = {
      {1, "OBJECT:TEXT Label\r\nX:7\r\nY:-3\r\nVALUE:door"}, {2, "OBJECT:TEXT Label\r\nX:7\r\nY:-3\r\nVALUE:door"},
      {3, "OBJECT:DIAGRAM\r\nX:7\r\nY:-3\r\nVALUE:door"},    {5, "OBJECT:unsupported type (5)\r\nX:7\r\nY:-3\r\nVALUE:door"},
      {6, "OBJECT:PICTURE\r\nX:7\r\nY:-3\r\nVALUE:door"},    {7, "OBJECT:ANIMATION\r\nX:7\r\nY:-3\r\nVALUE:door"},
      {8, "OBJECT:BUTTON\r\nX:7\r\nY:-3\r\nVALUE:door"},     {9, "OBJECT:TEXT\r\nX:7\r\nY:-3\r\nVALUE:door"},
      {10, "OBJECT:unsupported type (10)\r\nX:7\r\nY:-3\r\nVALUE:door"},
  };
  for (const InformationCase& c : cases) EXPECT_EQ(objectInformationText(c.kind, 7, -3, "door"), c.text) << c.kind;
}

struct CommandCase {
  unsigned id;
  MenuEffect effect;
  std::vector<std::string> messages;
  const char* pendingLine;  // nullptr: none
  bool logOn;
  bool quit;
};

TEST_F(DebugMenuTest, CommandsActOnTheInterpreter) {
  writeFile("navi.scn", "goto :end\r\npoke hi");
  interpreter.variables.assign("answer", "42");
  interpreter.pushReturn("a.scn", 7);
  addObject("door", 10, 20);
  addObject("label", 5, 6, 9);
  const CommandCase cases[] = {
      {1001, MenuEffect::Minimize, {}, nullptr, false, false},
      {1002, MenuEffect::None, {}, nullptr, true, false},
      {1003, MenuEffect::WakeWaiter, {}, nullptr, false, true},
      {1004, MenuEffect::None, {"a.scn : 7\r\n"}, nullptr, false, false},
      {1006, MenuEffect::None, {"MIDI input: no device, so only the computer keyboard plays"}, nullptr, false, false},
      {1500, MenuEffect::WakeWaiter, {}, "goto :end", false, false},
      {1501, MenuEffect::WakeWaiter, {}, "poke hi", false, false},
      {1502, MenuEffect::WakeWaiter, {}, "", false, false},  // the file has no such line any more
      {2000, MenuEffect::None, {"OBJECT:PICTURE\r\nX:10\r\nY:20\r\nVALUE:door"}, nullptr, false, false},
      {2001, MenuEffect::None, {"OBJECT:TEXT\r\nX:5\r\nY:6\r\nVALUE:label"}, nullptr, false, false},
      {2002, MenuEffect::None, {}, nullptr, false, false},  // an empty slot
      {2499, MenuEffect::None, {}, nullptr, false, false},
      {2503, MenuEffect::None, {"42"}, nullptr, false, false},
      {2501, MenuEffect::None, {"2000"}, nullptr, false, false},
      {2599, MenuEffect::None, {""}, nullptr, false, false},
      {2600, MenuEffect::None, {}, nullptr, false, false},
      {999, MenuEffect::None, {}, nullptr, false, false},
  };
  for (const CommandCase& c : cases) {
    host.messages.clear();
    interpreter.pendingLine.reset();
    interpreter.debugLogOn = false;
    interpreter.quitRequested = false;
    EXPECT_EQ(runDebugMenuCommand(interpreter, c.id), c.effect) << c.id;
    EXPECT_EQ(host.messages, c.messages) << c.id;
    EXPECT_EQ(interpreter.pendingLine.has_value(), c.pendingLine != nullptr) << c.id;
    if (c.pendingLine && interpreter.pendingLine) {
      EXPECT_EQ(*interpreter.pendingLine, c.pendingLine) << c.id;
    }
    EXPECT_EQ(interpreter.debugLogOn, c.logOn) << c.id;
    EXPECT_EQ(interpreter.quitRequested, c.quit) << c.id;
  }
}

const char* const kNoLateTicks = "Sound output: 0 late ticks (the device played silence while it waited)";

// The sound engine's count of late ticks, as the debug menu shows it.
class LateTicks final : public VoicePlayer {
 public:
  int startVoice(const SampleView&, uint16_t, uint16_t, uint8_t) override { return 0; }
  int stopVoice(const SampleView&, uint16_t, uint16_t) override { return 0; }
  void stopAllVoices() override {}
  bool isSilent() const override { return true; }
  uint32_t lateTicks() const override { return 3; }
};

TEST_F(DebugMenuTest, TheSoundEntryCountsTheEnginesLateTicks) {
  LateTicks voices;
  services.voices = &voices;
  const char* state = "Sound output: 3 late ticks (the device played silence while it waited)";
  EXPECT_NE(menu().back().find(std::string(state) + "=1007"), std::string::npos) << menu().back();
  host.messages.clear();
  runDebugMenuCommand(interpreter, kMenuSoundTicks);
  EXPECT_EQ(host.messages, std::vector<std::string>{state});
  services.voices = nullptr;
}

// The inspector's MIDI entry follows the device; the menu's log switch begins the log with it.
struct MidiInputCase {
  const char* name;
  bool present;  // a MidiInput is set up at all
  bool open;
  const char* state;
};

TEST_F(DebugMenuTest, TheMidiInputEntryAndTheLogGiveTheDeviceState) {
  const char* missing = "MIDI input: no device, so only the computer keyboard plays";
  const MidiInputCase cases[] = {
      {"no MIDI input at all", false, false, missing},
      {"a device that did not open", true, false, missing},
      {"an open device", true, true, "MIDI input: open, a MIDI keyboard on the first MIDI input plays"},
  };
  for (const MidiInputCase& c : cases) {
    MidiInput input;
    input.setDeviceOpen(c.open);
    services.midiIn = c.present ? &input : nullptr;
    EXPECT_EQ(menu().back(), std::string("Debug: Display Calls Stack=1004 ") + c.state + "=1006 " + kNoLateTicks +
                                 "=1007 Microphone: not listening=1008")
        << c.name;
    host.messages.clear();
    runDebugMenuCommand(interpreter, kMenuMidiInput);
    EXPECT_EQ(host.messages, std::vector<std::string>{c.state}) << c.name;
    std::remove("debug.txt");
    interpreter.debugLogOn = false;
    runDebugMenuCommand(interpreter, kMenuLogSwitch);  // on: the state first
    runDebugMenuCommand(interpreter, kMenuLogSwitch);  // off
    EXPECT_EQ(readFile("debug.txt"), std::string(c.state) + "\r\r\n") << c.name;
    services.midiIn = nullptr;
  }
}

}  // namespace
}  // namespace vellaro
