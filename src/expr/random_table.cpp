#include "expr/random_table.h"

#include <cstdlib>

namespace vellaro {
namespace {

struct StartValue {
  int index;
  uint32_t value;
};

// Every other entry starts as its own index.
constexpr StartValue kStartValues[] = {
    {0, 521},   {1, 176},   {2, 226},   {4, 400},   {7, 206},   {39, 239},  {44, 744},
    {51, 151},  {52, 352},  {54, 154},  {55, 455},  {60, 860},  {61, 681},  {62, 632},
    {64, 564},  {73, 473},  {82, 182},  {84, 484},  {110, 11},  {122, 222}, {161, 7},
    {204, 4},   {213, 813}, {254, 684}, {255, 55},
};
static_assert(sizeof kStartValues / sizeof kStartValues[0] == 25, "the table has 25 start values");

}  // namespace

RandomTable::RandomTable() {
  for (int i = 0; i < kRandomTableSize; ++i) table_[i] = static_cast<uint32_t>(i);
  for (const StartValue& start : kStartValues) table_[start.index] = start.value;
}

int32_t RandomTable::randomBelow(int32_t n, uint32_t clockMs, uint32_t tickCount) {
  // The absolute value of the time read as signed; INT32_MIN stays as it is, like abs() does.
  uint32_t time = static_cast<int32_t>(clockMs) < 0 ? 0u - clockMs : clockMs;
  uint32_t v = static_cast<uint32_t>(next_()) + time;
  uint32_t old = table_[index_];
  table_[index_] = old + v;
  if (index_ < kRandomTableSize - 3) table_[index_ + 2] += old;
  ++index_;
  seed_(tickCount);
  if (index_ == kRandomTableSize) index_ = 0;
  v += old;
  // The remainder of the unsigned sum: a wrapped sum read as signed would give negative numbers,
  // which are no number below the bound (and break numbered jumps on the result).
  return static_cast<int32_t>(v % static_cast<uint32_t>(n));
}

}  // namespace vellaro
