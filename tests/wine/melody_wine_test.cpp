// Playing along on the computer keyboard: real key presses at timed moments against melody lines,
// judged by check result and check count, and the rhythm diagram seen on the screen.
//
// Before each round the scenario shows the box "go"; the round starts when the test has answered
// it. Wine adds tens of milliseconds of jitter, so every key lands either within about 50 ms of
// its moment or at least 400 ms away, never near the 200 ms accuracy.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "harness.h"
#include "picture_support.h"
#include "support/wav_bytes.h"

namespace vellaro::wine {
namespace {

constexpr DWORD kHoldMs = 300;
constexpr DWORD kBoxTimeoutMs = 15000;

// A key of the two-row piano and the moment of its press, in milliseconds after the round began.
struct Press {
  WORD key;
  DWORD atMs;
};

void sleepUntil(DWORD tick) {
  DWORD now = GetTickCount();
  if (static_cast<LONG>(tick - now) > 0) Sleep(tick - now);
}

// A quiet half-second tone: keys and notes sound on it, since this machine's MIDI output answers
// every note with a box.
std::string toneWav() {
  WavBytes file;
  file.riff("WAVE")
      .chunk("fmt ", WavBytes::format(1, 44100, 16))
      .chunk("data", toneData(1, 16, 1, 44100, 22050, 441.0, 0.1));
  return std::string(file.bytes.begin(), file.bytes.end());
}

// A run of the player driven round by round through its boxes. The scenario's lines follow one
// that makes the tone the instrument of the learner's keys.
class PlayAlong {
 public:
  PlayAlong(const TestFolder& folder, std::vector<std::string> lines) {
    folder.writeFile("tone.wav", toneWav());
    lines.insert(lines.begin(), "userinstrument tone.wav");
    folder.writeScenario("index.scn", lines);
    if (!player_.start(folder.path())) return;
    mainWindow_ = player_.waitForWindow("Vellaro", 10000);
    EXPECT_NE(mainWindow_, nullptr);
  }

  // Answers the next box, which must read text; false when it did not come.
  bool answer(const std::string& text) {
    Box box;
    if (!player_.waitForBox(box, kBoxTimeoutMs)) {
      ADD_FAILURE() << "no box \"" << text << "\"";
      return false;
    }
    EXPECT_EQ(box.text, text);
    return player_.answer(box, IDOK);
  }

  // Answers "go", gives the main window the keyboard and presses each key at its moment.
  void round(const std::vector<Press>& presses) {
    if (!answer("go")) return;
    DWORD start = GetTickCount();
    clickAt(1000, 740);  // an empty spot of the main window
    for (const Press& press : presses) {
      sleepUntil(start + press.atMs);
      pressKey(press.key);
      sleepUntil(start + press.atMs + kHoldMs);
      releaseKey(press.key);
    }
  }

  // The last box's text, then the run must end by itself.
  std::string finish() {
    Box box;
    if (!player_.waitForBox(box, kBoxTimeoutMs)) return "(no box)";
    player_.answer(box, IDOK);
    EXPECT_TRUE(player_.waitForExit(10000));
    return box.text;
  }

 private:
  Player player_;
  HWND mainWindow_ = nullptr;
};

// The start of every green run on one screen row between x 0 and 400.
std::vector<int> greenRunStarts(const Screenshot& shot, int y) {
  std::vector<int> starts;
  bool inside = false;
  for (int x = 0; x < 400; ++x) {
    bool green = shot.pixel(x, y) == kGreen;
    if (green && !inside) starts.push_back(x);
    inside = green;
  }
  return starts;
}

// I, O and P play notes 24, 26 and 28; U plays 23 and Q 12, an octave below I.
const char kThreeNotes[] = "melody ( -300 +tone.wav 24 -700 26 -700 28 -700 )";

TEST(MelodyAllWine, RightWrongAndOctaveOffKeysUnderEachFlag) {
  TestFolder folder;
  PlayAlong run(folder, {"check mode all 2 200", "poke go", kThreeNotes, "check result right",
                         "poke go", kThreeNotes, "check result wrong2", "check mode all 4", "check result wrong4",
                         "check mode all 2", "poke go", kThreeNotes, "check result octave2", "check mode all 1",
                         "check result octave1", "eval all $right/$wrong2/$wrong4/$octave1/$octave2", "poke $all",
                         "terminate"});
  run.round({{'I', 300}, {'O', 1000}, {'P', 1700}});
  run.round({{'I', 300}, {'U', 1000}, {'P', 1700}});
  run.round({{'Q', 300}, {'O', 1000}, {'P', 1700}});
  EXPECT_EQ(run.finish(), "yes/no/yes/yes/no");
}

const char kThreeMoments[] = "melody ( -600 (24) -600 (26) -600 (28) -800 )";

// Scale 20: the expected moments 600 ms apart lie 30 pixels apart, the first 80 ms (4 pixels)
// from the strip's left edge at x 10.
TEST(MelodyUserWine, MomentsKeysCountsAndTheRhythmDiagram) {
  TestFolder folder;
  PlayAlong run(folder, {"check mode user 2 200", "clear *0000FF", "poke go", kThreeMoments,
                         "check result near", "check count nearCount", "rdiagram 20 strip", "poke look",
                         "remove strip", "poke go", kThreeMoments, "check result late", "poke go", kThreeMoments,
                         "check result none", "check count noneCount", "poke go", kThreeMoments,
                         "check count four", "eval all $near/$nearCount/$late/$none/$noneCount/$four", "poke $all",
                         "terminate"});
  run.round({{'I', 600}, {'O', 1200}, {'P', 1800}});

  Box look;
  std::vector<Spot> strip = {{18, 307, kRed},   {48, 307, kRed},   {78, 307, kRed},   {300, 303, kBlack},
                             {300, 324, kBlack}, {300, 313, kBlue}, {18, 315, kBlue}, {5, 307, kBlue}};
  Screenshot shot;
  bool shown = waitUntil(
      [&] {
        shot = screenshot();
        for (const Spot& spot : strip) {
          if (shot.pixel(spot.x, spot.y) != spot.colour) return false;
        }
        return true;
      },
      10000);
  EXPECT_TRUE(shown) << "the strip's red marks, black lines and see-through parts are not all on screen";
  std::vector<int> played = greenRunStarts(shot, 327);
  ASSERT_EQ(played.size(), 3u);
  for (size_t i = 0; i < played.size(); ++i) EXPECT_NEAR(played[i], 14 + 30 * static_cast<int>(i), 6);
  run.answer("look");

  run.round({{'I', 1000}, {'O', 1600}, {'P', 2200}});
  run.round({});
  run.round({{'I', 300}, {'O', 900}, {'P', 1500}, {'E', 2100}});
  EXPECT_EQ(run.finish(), "yes/3/no/no/0/4");
}

// The runs of one screen row between x0 and x1 that are not the background, with their colours.
struct ColourRun {
  int start;
  int length;
  Rgb colour;
};

std::vector<ColourRun> colourRuns(const Screenshot& shot, int y, int x0, int x1, Rgb background) {
  std::vector<ColourRun> runs;
  for (int x = x0; x < x1; ++x) {
    Rgb colour = shot.pixel(x, y);
    if (colour == background) continue;
    if (!runs.empty() && runs.back().colour == colour && runs.back().start + runs.back().length == x) {
      ++runs.back().length;
    } else {
      runs.push_back({x, 1, colour});
    }
  }
  return runs;
}

std::vector<Rgb> coloursOf(const std::vector<ColourRun>& runs) {
  std::vector<Rgb> colours;
  for (const ColourRun& run : runs) colours.push_back(run.colour);
  return colours;
}

constexpr Rgb kOrange{255, 140, 0};
constexpr Rgb kGrey{128, 128, 128};

// Four moments a second apart at accuracy 200: I on time, Q (note 12) 400 ms after it is extra, O
// 350 ms late, U (note 23) where note 28 belongs is wrong, and the last moment is missed: pairing
// Q instead of O would be 250 ms further from the moments. The
// placed strip at y 400 shows the verdicts; the two-item strip at y 300 keeps its red and green.
TEST(MelodyUserWine, PlacedDiagramShowsEveryVerdict) {
  TestFolder folder;
  PlayAlong run(folder, {"check mode user 2 200", "clear *0000FF", "poke go",
                         "melody ( -600 (24) -1000 (26) -1000 (28) -1000 (24) -800 )", "check notes words",
                         "rdiagram 20 plain", "rdiagram 20 judged 10 400 600", "poke $words", "terminate"});
  run.round({{'I', 600}, {'Q', 1000}, {'O', 1950}, {'U', 2600}});
  Screenshot shot;
  std::vector<ColourRun> upper;
  std::vector<ColourRun> lower;
  waitUntil(
      [&] {
        shot = screenshot();
        upper = colourRuns(shot, 407, 0, 300, kBlue);
        lower = colourRuns(shot, 427, 0, 300, kBlue);
        return upper.size() == 5 && lower.size() == 4;
      },
      5000);
  EXPECT_EQ(coloursOf(upper), (std::vector<Rgb>{kGreen, kOrange, kRed, kRed, kRed}));
  ASSERT_EQ(upper.size(), 5u);
  EXPECT_EQ(upper[3].length, 2) << "a missed note is an outline two pixels wide";
  EXPECT_EQ(upper[4].start + upper[4].length - upper[3].start, 8);
  EXPECT_EQ(coloursOf(lower), (std::vector<Rgb>{kGreen, kGrey, kOrange, kRed}));
  EXPECT_EQ(coloursOf(colourRuns(shot, 307, 0, 300, kBlue)), (std::vector<Rgb>(4, kRed)));
  EXPECT_EQ(coloursOf(colourRuns(shot, 327, 0, 300, kBlue)), (std::vector<Rgb>(4, kGreen)));
  if (const char* keep = std::getenv("VELLARO_KEEP_SCREENSHOT")) shot.saveBmp(keep);
  EXPECT_EQ(run.finish(), "ok late wrong missed extra");
}

}  // namespace
}  // namespace vellaro::wine
