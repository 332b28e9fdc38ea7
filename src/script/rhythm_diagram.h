// The drawing of a rhythm diagram as a list of filled rectangles, apart from any drawing calls (no
// windows.h here): a magenta strip that the window's shape cuts away, two black guide lines, a mark
// on the upper line where each note was expected and one on the lower line where each note was
// played, one pixel per scale milliseconds. Unjudged, the upper marks are red and the lower ones
// green; judged, every mark takes the colour of its verdict.
#pragma once

#include <cstdint>
#include <vector>

#include "base/types.h"
#include "script/melody_capture.h"
#include "script/note_judging.h"

namespace vellaro {

constexpr int kDiagramHeight = 30;
constexpr int kDiagramX = 10;  // where the strip sits on the main window
constexpr int kDiagramY = 300;
constexpr int kDiagramMarkWidth = 8;
constexpr int kDiagramMarkHeight = 10;
constexpr int kDiagramOutline = 2;  // the stroke of a missed note's unfilled mark
// A placed strip's width; wider ones would only make a picture nobody sees whole.
constexpr int kDiagramMaxWidth = 16384;
// The earliest expected note is drawn this many milliseconds after the strip's left edge.
constexpr uint32_t kDiagramLeadMs = 80;

constexpr Rgb kDiagramSeeThrough{255, 0, 255};
constexpr Rgb kDiagramLine{0, 0, 0};
constexpr Rgb kDiagramExpected{255, 0, 0};
constexpr Rgb kDiagramPlayed{0, 255, 0};
// The verdicts' colours: on time green, early and late orange, wrong and missed red, extra grey.
constexpr Rgb kDiagramOk{0, 255, 0};
constexpr Rgb kDiagramEarlyOrLate{255, 140, 0};
constexpr Rgb kDiagramWrong{255, 0, 0};
constexpr Rgb kDiagramExtra{128, 128, 128};

struct DiagramFill {
  PixelRect rect;
  Rgb colour;
};

// The time drawn at x 0: the earliest expected note minus 80 ms. With no expected note the
// earliest played one (latencyMs earlier) stands in, so that what the learner played is still
// shown; 0 when both tables are empty.
uint32_t diagramOrigin(const NoteSnapshot& expected, const NoteSnapshot& played, uint32_t latencyMs = 0);

// x of a time: its distance after the origin divided by the scale (unsigned, so a time before the
// origin lands far to the right). scaleMs must be at least 1.
uint32_t diagramX(uint32_t time, uint32_t origin, uint32_t scaleMs);

// The colour of a mark with this verdict; a missed note's mark is an outline in it.
Rgb verdictColour(Verdict verdict);

// The fills of a diagram width pixels wide, in painting order. Marks that start at or past the
// right edge are left out (the window would cut them off anyway). Played marks are drawn latencyMs
// earlier than recorded, where check result compares them (compensatedTime). With judged, each
// upper mark takes its expected note's verdict colour (a missed note an outline of four fills) and
// each lower mark its played note's; a note the judgement has no verdict for keeps the unjudged
// colour.
std::vector<DiagramFill> rhythmDiagramFills(const NoteSnapshot& expected, const NoteSnapshot& played,
                                            uint32_t scaleMs, int width, uint32_t latencyMs = 0,
                                            const Judgement* judged = nullptr);

}  // namespace vellaro
