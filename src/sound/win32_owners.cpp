#include "sound/win32_owners.h"

namespace vellaro {
namespace {

// A tick that has not returned by then is stuck (for instance in a message box); stop gives up.
constexpr int kMaxTickWaitMs = 2000;

}  // namespace

bool MultimediaTimer::start(UINT periodMs, UINT resolutionMs, Tick tick, void* context) {
  stop();
  tick_ = tick;
  context_ = context;
  stopping_.store(false);
  // TIME_KILL_SYNCHRONOUS: once timeKillEvent has returned, no tick begins any more.
  id_ = timeSetEvent(periodMs, resolutionMs, &MultimediaTimer::onEvent, reinterpret_cast<DWORD_PTR>(this),
                     TIME_PERIODIC | TIME_KILL_SYNCHRONOUS);
  return id_ != 0;
}

void MultimediaTimer::stop() {
  if (!id_) return;
  stopping_.store(true);
  timeKillEvent(id_);
  id_ = 0;
  // A tick that began before the kill may still be running on the timer thread.
  for (int waited = 0; ticksRunning_.load() != 0 && waited < kMaxTickWaitMs; ++waited) Sleep(1);
}

void CALLBACK MultimediaTimer::onEvent(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
  auto* timer = reinterpret_cast<MultimediaTimer*>(user);
  timer->ticksRunning_.fetch_add(1);
  if (!timer->stopping_.load()) timer->tick_(timer->context_);
  timer->ticksRunning_.fetch_sub(1);
}

}  // namespace vellaro
