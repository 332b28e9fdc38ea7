#include "script/rhythm_diagram.h"

namespace vellaro {
namespace {

// Smallest time among the table's leading entries, each taken latencyMs earlier, or 0 when it has
// none.
uint32_t earliest(const NoteSnapshot& table, uint32_t latencyMs) {
  int length = table.length();
  if (length == 0) return 0;
  uint32_t smallest = compensatedTime(table.events[0].time, latencyMs);
  for (int i = 1; i < length; ++i) {
    uint32_t time = compensatedTime(table.events[i].time, latencyMs);
    if (time < smallest) smallest = time;
  }
  return smallest;
}

bool onStrip(uint32_t x, int width) { return width > 0 && x < static_cast<uint32_t>(width); }

void addMark(std::vector<DiagramFill>& fills, uint32_t x, int width, int top, Rgb colour) {
  if (!onStrip(x, width)) return;
  int left = static_cast<int>(x);
  fills.push_back(DiagramFill{PixelRect{left, top, left + kDiagramMarkWidth, top + kDiagramMarkHeight}, colour});
}

// The mark's rectangle left unfilled: its top and bottom edges, then its left and right sides
// between them, so that no pixel is painted twice.
void addOutline(std::vector<DiagramFill>& fills, uint32_t x, int width, int top, Rgb colour) {
  if (!onStrip(x, width)) return;
  int left = static_cast<int>(x);
  int right = left + kDiagramMarkWidth;
  int bottom = top + kDiagramMarkHeight;
  constexpr int kStroke = kDiagramOutline;
  fills.push_back(DiagramFill{PixelRect{left, top, right, top + kStroke}, colour});
  fills.push_back(DiagramFill{PixelRect{left, bottom - kStroke, right, bottom}, colour});
  fills.push_back(DiagramFill{PixelRect{left, top + kStroke, left + kStroke, bottom - kStroke}, colour});
  fills.push_back(DiagramFill{PixelRect{right - kStroke, top + kStroke, right, bottom - kStroke}, colour});
}

// The verdict of note i of one side, or none when there is no judgement or it has no entry there.
const Verdict* verdictAt(const std::vector<Verdict>* verdicts, int i) {
  if (!verdicts || i >= static_cast<int>(verdicts->size())) return nullptr;
  return &(*verdicts)[static_cast<size_t>(i)];
}

void addExpectedMark(std::vector<DiagramFill>& fills, uint32_t x, int width, const Verdict* verdict) {
  if (!verdict) return addMark(fills, x, width, 0, kDiagramExpected);
  if (*verdict == Verdict::Missed) return addOutline(fills, x, width, 0, verdictColour(*verdict));
  addMark(fills, x, width, 0, verdictColour(*verdict));
}

void addPlayedMark(std::vector<DiagramFill>& fills, uint32_t x, int width, const Verdict* verdict) {
  addMark(fills, x, width, 20, verdict ? verdictColour(*verdict) : kDiagramPlayed);
}

}  // namespace

uint32_t diagramOrigin(const NoteSnapshot& expected, const NoteSnapshot& played, uint32_t latencyMs) {
  if (expected.length() > 0) return earliest(expected, 0) - kDiagramLeadMs;
  if (played.length() > 0) return earliest(played, latencyMs) - kDiagramLeadMs;
  return 0;
}

uint32_t diagramX(uint32_t time, uint32_t origin, uint32_t scaleMs) {
  return scaleMs == 0 ? time - origin : (time - origin) / scaleMs;
}

Rgb verdictColour(Verdict verdict) {
  switch (verdict) {
    case Verdict::Ok: return kDiagramOk;
    case Verdict::Early:
    case Verdict::Late: return kDiagramEarlyOrLate;
    case Verdict::Wrong:
    case Verdict::Missed: return kDiagramWrong;
    case Verdict::Extra: return kDiagramExtra;
  }
  return kDiagramExtra;
}

std::vector<DiagramFill> rhythmDiagramFills(const NoteSnapshot& expected, const NoteSnapshot& played,
                                            uint32_t scaleMs, int width, uint32_t latencyMs,
                                            const Judgement* judged) {
  std::vector<DiagramFill> fills = {
      {PixelRect{0, 0, width, kDiagramHeight}, kDiagramSeeThrough},
      {PixelRect{0, 3, width, 5}, kDiagramLine},
      {PixelRect{0, 23, width, 25}, kDiagramLine},
  };
  const std::vector<Verdict>* expectedVerdicts = judged ? &judged->expected : nullptr;
  const std::vector<Verdict>* playedVerdicts = judged ? &judged->played : nullptr;
  uint32_t origin = diagramOrigin(expected, played, latencyMs);
  for (int i = 0; i < kCaptureSize; ++i) {
    const NoteEvent& wanted = expected.events[i];
    const NoteEvent& got = played.events[i];
    if (wanted.time == 0 && got.time == 0) break;
    if (wanted.time != 0) {
      addExpectedMark(fills, diagramX(wanted.time, origin, scaleMs), width, verdictAt(expectedVerdicts, i));
    }
    if (got.time != 0) {
      uint32_t x = diagramX(compensatedTime(got.time, latencyMs), origin, scaleMs);
      addPlayedMark(fills, x, width, verdictAt(playedVerdicts, i));
    }
  }
  return fills;
}

}  // namespace vellaro
