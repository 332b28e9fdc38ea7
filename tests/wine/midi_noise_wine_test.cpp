// MIDI on a machine without MIDI ports, as under Wine here: no MIDI input device at start-up and no
// synthesizer that answers a note. The start shows no box, a run's refused notes show one box that
// says what to do, and the debug menu's Quit still ends the run after it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harness.h"
// after windows.h, which harness.h brings
#include <mmsystem.h>

namespace vellaro::wine {
namespace {

constexpr char kNoSynthesizer[] =
    "No MIDI synthesizer answers, so MIDI instruments are silent. Use a WAV instrument: play FILE.wav NOTE.";
constexpr DWORD kStartMs = 10000;

class MidiNoiseWine : public ::testing::Test {
 protected:
  void SetUp() override {
    if (midiInGetNumDevs() || midiOutGetNumDevs()) GTEST_SKIP() << "this machine has MIDI devices";
  }

  // Starts the player on the scenario and finds its main window.
  HWND start(const std::vector<std::string>& lines) {
    folder.writeScenario("index.scn", lines);
    if (!player.start(folder.path())) return nullptr;
    return player.waitForWindow("Vellaro", kStartMs);
  }

  bool exitsWithin(DWORD timeoutMs) {
    DWORD exitCode = 1;
    return player.waitForExit(timeoutMs, &exitCode) && exitCode == 0;
  }

  TestFolder folder;
  Player player;
};

// The window on top at a box's centre belongs to the box: nothing covers it.
bool boxOnTop(HWND box) {
  RECT rect;
  GetWindowRect(box, &rect);
  POINT centre{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
  return GetAncestor(WindowFromPoint(centre), GA_ROOT) == box;
}

void pressWithControl(WORD key) {
  pressKey(VK_CONTROL);
  tapKey(key);
  releaseKey(VK_CONTROL);
}

TEST_F(MidiNoiseWine, AStartWithoutAMidiInputDeviceShowsNoBox) {
  folder.writeScenario("index.scn", {"pause 500 ms", "terminate"});
  RunResult run = runPlayer(folder.path());
  expectCleanExit(run);
  EXPECT_EQ(run.texts(), Texts{});
}

TEST_F(MidiNoiseWine, ThreeMidiNotesWithoutASynthesizerShowOneBox) {
  folder.writeScenario("index.scn", {"play *0 24", "play *40 12", "play *73 30", "terminate"});
  RunResult run = runPlayer(folder.path());
  expectCleanExit(run);
  EXPECT_EQ(run.texts(), Texts{kNoSynthesizer});
  for (const Box& box : run.boxes) EXPECT_EQ(box.caption, "");
}

TEST_F(MidiNoiseWine, MuteOnAClosedMidiDeviceShowsNothing) {
  folder.writeScenario("index.scn", {"mute", "wait", "terminate"});
  RunResult run = runPlayer(folder.path());
  expectCleanExit(run);
  EXPECT_EQ(run.texts(), Texts{});
}

// What the start-up box used to say is in the debug menu's Debug popup and at the top of the log.
TEST_F(MidiNoiseWine, TheDebugMenuAndTheLogSayThatThereIsNoMidiInput) {
  HWND mainWindow = start({"pause 20000 ms", "terminate"});
  ASSERT_NE(mainWindow, nullptr);
  PostMessageA(mainWindow, WM_COMMAND, 1006, 0);
  Box box;
  ASSERT_TRUE(player.waitForBox(box, 5000));
  EXPECT_EQ(box.text, "MIDI input: no device, so only the computer keyboard plays");
  player.answer(box, IDOK);
  PostMessageA(mainWindow, WM_COMMAND, 1002, 0);  // the log switch
  PostMessageA(mainWindow, WM_COMMAND, 1003, 0);  // Quit
  EXPECT_TRUE(exitsWithin(5000));
  EXPECT_EQ(folder.readFile("debug.txt"),
            "MIDI input: no device, so only the computer keyboard plays\r\r\n(index.scn) 0: pause\r\r\n");
}

// The fault: a box without an owner sank behind the full-screen main window once the window was
// clicked, so the script waited on a box nobody saw and Commands > Quit seemed to do nothing. The
// box now stays on top; once it is answered, N (of Ctrl+N, a key of the keyboard piano) sounds a
// refused note without a second box, and Quit ends the run.
TEST_F(MidiNoiseWine, QuitFromTheDebugMenuEndsTheRunAfterTheBox) {
  HWND mainWindow = start({"play *0 24", "play *0 26", "play *0 28", "pause 20000 ms", "terminate"});
  ASSERT_NE(mainWindow, nullptr);
  Box box;
  ASSERT_TRUE(player.waitForBox(box, 5000));
  EXPECT_EQ(box.text, kNoSynthesizer);
  clickAt(5, 5);  // the main window, where its menu bar appears
  Sleep(300);
  EXPECT_TRUE(boxOnTop(box.window)) << "the box sank behind the main window";
  EXPECT_FALSE(IsWindowEnabled(mainWindow)) << "the main window takes clicks while the box waits";
  ASSERT_TRUE(player.answer(box, IDOK));

  clickAt(5, 5);
  EXPECT_TRUE(waitUntil([&] { return GetForegroundWindow() == mainWindow; }, 2000));
  pressWithControl('N');
  ASSERT_TRUE(waitUntil([&] { return GetMenu(mainWindow) != nullptr; }, 3000)) << "no menu after Ctrl+N";
  // Commands > Quit from the keyboard: F10 selects Commands, Down opens it at its first entry and
  // Up goes round to its last, Quit.
  for (WORD key : {VK_F10, VK_DOWN, VK_UP, VK_RETURN}) {
    Sleep(200);
    tapKey(key);
  }
  EXPECT_TRUE(exitsWithin(5000)) << "Quit did not end the run";
  EXPECT_FALSE(player.waitForBox(box, 0)) << "a second box: " << box.text;
}

}  // namespace
}  // namespace vellaro::wine
