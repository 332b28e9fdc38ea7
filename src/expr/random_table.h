// The random numbers of the random command: the C library's generator mixed with the time of day
// through a rotating table of 256 values.
#pragma once

#include <array>
#include <cstdlib>
#include <cstdint>

namespace vellaro {

constexpr int kRandomTableSize = 256;

// One instance lives for the whole run of the program; the table and its index are never reset.
class RandomTable {
 public:
  RandomTable();

  // A number below n (n must be above 0): std::rand plus the time of day in ms (clockMs read as
  // signed 32-bit, made non-negative), mixed with the table entry at the rotating index; reseeds
  // std::rand with tickCount. All sums wrap modulo 2^32; the result is always from 0 to n - 1.
  int32_t randomBelow(int32_t n, uint32_t clockMs, uint32_t tickCount);

  // The generator in place of std::rand and std::srand. C libraries differ in it; a run that must
  // give the same numbers on every machine puts in one of its own.
  using NextFunction = int (*)();
  using SeedFunction = void (*)(unsigned);
  void useGenerator(NextFunction next, SeedFunction seed) {
    next_ = next;
    seed_ = seed;
  }

 private:
  NextFunction next_ = [] { return std::rand(); };
  SeedFunction seed_ = [](unsigned seed) { std::srand(seed); };
  // Signed 32-bit values, kept unsigned so that their sums wrap instead of overflowing.
  std::array<uint32_t, kRandomTableSize> table_{};
  int index_ = 0;
};

}  // namespace vellaro
