// The rhythm diagram's fills: unjudged as the two-item rdiagram draws them, judged with one colour
// per verdict and an outline for a missed note, from hand-made judgements.
#include "script/rhythm_diagram.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text_format.h"

namespace vellaro {
namespace {

using Texts = std::vector<std::string>;

NoteSnapshot table(const std::vector<NoteEvent>& events) {
  NoteSnapshot snapshot{};
  for (size_t i = 0; i < events.size(); ++i) snapshot.events[i] = events[i];
  return snapshot;
}

// "left top right bottom RRGGBB" per fill, without the strip and its two lines.
Texts marks(const std::vector<DiagramFill>& fills) {
  Texts texts;
  for (size_t i = 3; i < fills.size(); ++i) {
    const DiagramFill& f = fills[i];
    texts.push_back(format("%d %d %d %d %02X%02X%02X", f.rect.left, f.rect.top, f.rect.right, f.rect.bottom,
                           f.colour.red, f.colour.green, f.colour.blue));
  }
  return texts;
}

Judgement judgement(std::vector<Verdict> expected, std::vector<Verdict> played) {
  Judgement judged;
  judged.expected = std::move(expected);
  judged.played = std::move(played);
  return judged;
}

// Expected at 1000, 1500 and 2000, played at 1050, 1500 and 2600, scale 10: the origin is 920,
// so the upper marks start at x 8, 58 and 108 and the lower ones at 13, 58 and 168.
const NoteSnapshot kExpected = table({{1000, 24}, {1500, 26}, {2000, 28}});
const NoteSnapshot kPlayed = table({{1050, 24}, {1500, 25}, {2600, 28}});

TEST(RhythmDiagramFills, EachVerdictHasItsColourAndAMissedNoteAnOutline) {
  using V = Verdict;
  struct Case {
    const char* fault;
    Judgement judged;
    Texts marks;
  } cases[] = {
      {"ok is not green, wrong not red, extra not grey",
       judgement({V::Ok, V::Wrong, V::Missed}, {V::Ok, V::Wrong, V::Extra}),
       {"8 0 16 10 00FF00", "13 20 21 30 00FF00", "58 0 66 10 FF0000", "58 20 66 30 FF0000",
        "108 0 116 2 FF0000", "108 8 116 10 FF0000", "108 2 110 8 FF0000", "114 2 116 8 FF0000",
        "168 20 176 30 808080"}},
      {"early and late are not the same orange",
       judgement({V::Early, V::Late, V::Late}, {V::Early, V::Late, V::Late}),
       {"8 0 16 10 FF8C00", "13 20 21 30 FF8C00", "58 0 66 10 FF8C00", "58 20 66 30 FF8C00",
        "108 0 116 10 FF8C00", "168 20 176 30 FF8C00"}},
      {"a played note does not take the colour of the expected note at its own index",
       judgement({V::Missed, V::Ok, V::Ok}, {V::Ok, V::Ok, V::Extra}),
       {"8 0 16 2 FF0000", "8 8 16 10 FF0000", "8 2 10 8 FF0000", "14 2 16 8 FF0000", "13 20 21 30 00FF00",
        "58 0 66 10 00FF00", "58 20 66 30 00FF00", "108 0 116 10 00FF00", "168 20 176 30 808080"}},
      {"a judgement shorter than the tables is read past its end",
       judgement({V::Ok}, {}),
       {"8 0 16 10 00FF00", "13 20 21 30 00FF00", "58 0 66 10 FF0000", "58 20 66 30 00FF00",
        "108 0 116 10 FF0000", "168 20 176 30 00FF00"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(marks(rhythmDiagramFills(kExpected, kPlayed, 10, 400, 0, &c.judged)), c.marks) << c.fault;
  }
}

// The unjudged diagram is the two-item rdiagram's: red above, green below, whatever was played.
TEST(RhythmDiagramFills, WithoutAJudgementTheMarksAreRedAboveAndGreenBelow) {
  EXPECT_EQ(marks(rhythmDiagramFills(kExpected, kPlayed, 10, 400)),
            (Texts{"8 0 16 10 FF0000", "13 20 21 30 00FF00", "58 0 66 10 FF0000", "58 20 66 30 00FF00",
                   "108 0 116 10 FF0000", "168 20 176 30 00FF00"}));
}

// The strip, its lines and its marks fit the width they are given, and marks past it are left out:
// a placed strip 120 wide shows the first two notes of each line and the third expected one.
TEST(RhythmDiagramFills, ThePlacedWidthBoundsTheStripAndItsMarks) {
  Judgement judged = judgement({Verdict::Ok, Verdict::Late, Verdict::Missed}, {Verdict::Ok, Verdict::Late, Verdict::Missed});
  std::vector<DiagramFill> fills = rhythmDiagramFills(kExpected, kPlayed, 10, 112, 0, &judged);
  ASSERT_GE(fills.size(), 3u);
  EXPECT_EQ(fills[0].rect.right, 112);
  EXPECT_EQ(fills[1].rect.right, 112);
  EXPECT_EQ(fills[2].rect.right, 112);
  EXPECT_EQ(marks(fills), (Texts{"8 0 16 10 00FF00", "13 20 21 30 00FF00", "58 0 66 10 FF8C00", "58 20 66 30 FF8C00",
                                 "108 0 116 2 FF0000", "108 8 116 10 FF0000", "108 2 110 8 FF0000",
                                 "114 2 116 8 FF0000"}));
  EXPECT_EQ(marks(rhythmDiagramFills(kExpected, kPlayed, 10, 108, 0, &judged)).size(), 4u);
}

// An outline leaves the mark's inside unpainted and paints no pixel twice.
TEST(RhythmDiagramFills, TheMissedOutlineLeavesItsInsideToTheStrip) {
  Judgement judged = judgement({Verdict::Missed}, {});
  NoteSnapshot one = table({{1000, 24}});
  std::vector<DiagramFill> fills = rhythmDiagramFills(one, table({}), 1, 200, 0, &judged);
  int painted[kDiagramHeight][kDiagramMarkWidth] = {};
  for (size_t i = 3; i < fills.size(); ++i) {
    for (int y = fills[i].rect.top; y < fills[i].rect.bottom; ++y) {
      for (int x = fills[i].rect.left; x < fills[i].rect.right; ++x) ++painted[y][x - 80];
    }
  }
  for (int y = 0; y < kDiagramMarkHeight; ++y) {
    for (int x = 0; x < kDiagramMarkWidth; ++x) {
      bool edge = y < kDiagramOutline || y >= kDiagramMarkHeight - kDiagramOutline || x < kDiagramOutline ||
                  x >= kDiagramMarkWidth - kDiagramOutline;
      EXPECT_EQ(painted[y][x], edge ? 1 : 0) << "x " << x << ", y " << y;
    }
  }
}

}  // namespace
}  // namespace vellaro
