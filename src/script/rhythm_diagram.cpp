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

void addMark(std::vector<DiagramFill>& fills, uint32_t x, int width, int top, Rgb colour) {
  if (width <= 0 || x >= static_cast<uint32_t>(width)) return;
  int left = static_cast<int>(x);
  fills.push_back(DiagramFill{PixelRect{left, top, left + kDiagramMarkWidth, top + 10}, colour});
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

std::vector<DiagramFill> rhythmDiagramFills(const NoteSnapshot& expected, const NoteSnapshot& played,
                                            uint32_t scaleMs, int width, uint32_t latencyMs) {
  std::vector<DiagramFill> fills = {
      {PixelRect{0, 0, width, kDiagramHeight}, kDiagramSeeThrough},
      {PixelRect{0, 3, width, 5}, kDiagramLine},
      {PixelRect{0, 23, width, 25}, kDiagramLine},
  };
  uint32_t origin = diagramOrigin(expected, played, latencyMs);
  for (int i = 0; i < kCaptureSize; ++i) {
    const NoteEvent& wanted = expected.events[i];
    const NoteEvent& got = played.events[i];
    if (wanted.time == 0 && got.time == 0) break;
    if (wanted.time != 0) addMark(fills, diagramX(wanted.time, origin, scaleMs), width, 0, kDiagramExpected);
    if (got.time != 0) {
      addMark(fills, diagramX(compensatedTime(got.time, latencyMs), origin, scaleMs), width, 20, kDiagramPlayed);
    }
  }
  return fills;
}

}  // namespace vellaro
