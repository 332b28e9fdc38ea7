// The sound side's owners of Win32 resources: the COM pointer and the multimedia timer.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>

#include "sound/win32_owners.h"

namespace vellaro {
namespace {

// Counts its Release calls the way a COM interface would see them.
struct CountingInterface {
  int releases = 0;
  unsigned long Release() { return static_cast<unsigned long>(++releases); }
};

// Guards against a double Release (or none) when an owner is reset and then goes out of scope.
TEST(ComPtrWine, ReleasesEachInterfaceOnce) {
  CountingInterface first;
  CountingInterface second;
  {
    ComPtr<CountingInterface> owner;
    owner.reset(&first);
    owner.reset(&second);
    EXPECT_EQ(first.releases, 1);
    EXPECT_EQ(second.releases, 0);
  }
  EXPECT_EQ(first.releases, 1);
  EXPECT_EQ(second.releases, 1);
}

struct SlowTicks {
  std::atomic<int> begun{0};
  std::atomic<int> finished{0};
};

void slowTick(void* context) {
  auto* ticks = static_cast<SlowTicks*>(context);
  ticks->begun.fetch_add(1);
  Sleep(300);  // far longer than the 100 ms that a fixed wait at shutdown once allowed
  ticks->finished.fetch_add(1);
}

// Guards the shutdown order of the sound engine: the buffer a tick writes must outlive the tick.
TEST(MultimediaTimerWine, StopReturnsAfterTheTickInProgressAndNoTickFollows) {
  SlowTicks ticks;
  MultimediaTimer timer;
  ASSERT_TRUE(timer.start(10, 1, &slowTick, &ticks));
  for (int waitedMs = 0; ticks.begun.load() == 0 && waitedMs < 5000; waitedMs += 5) Sleep(5);
  ASSERT_GT(ticks.begun.load(), 0) << "the timer never ticked";
  timer.stop();
  EXPECT_FALSE(timer.running());
  int begun = ticks.begun.load();
  EXPECT_EQ(ticks.finished.load(), begun);
  Sleep(200);
  EXPECT_EQ(ticks.begun.load(), begun) << "a tick began after stop";
}

}  // namespace
}  // namespace vellaro
