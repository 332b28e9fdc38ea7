// Owners of the sound side's Win32 resources: a COM interface pointer and a multimedia timer.
#pragma once

#include <windows.h>
// mmsystem.h needs the types of windows.h first.
#include <mmsystem.h>

#include <atomic>

namespace vellaro {

// Holds one reference to a COM interface and releases it on reset or scope exit.
template <typename Interface>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() { reset(); }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;

  // Releases the current interface and takes over the reference of the new one (possibly null).
  void reset(Interface* pointer = nullptr) {
    if (pointer_) pointer_->Release();
    pointer_ = pointer;
  }
  Interface* get() const { return pointer_; }
  Interface* operator->() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }

 private:
  Interface* pointer_ = nullptr;
};

// A periodic multimedia timer. Its ticks run on the system's timer thread; stop (and the
// destructor) kills the timer and returns only once a tick that had already begun has returned,
// so that whatever the tick reaches may go right after.
class MultimediaTimer {
 public:
  using Tick = void (*)(void* context);

  MultimediaTimer() = default;
  ~MultimediaTimer() { stop(); }
  MultimediaTimer(const MultimediaTimer&) = delete;
  MultimediaTimer& operator=(const MultimediaTimer&) = delete;

  // False when the system gives no timer.
  bool start(UINT periodMs, UINT resolutionMs, Tick tick, void* context);
  void stop();
  bool running() const { return id_ != 0; }

 private:
  static void CALLBACK onEvent(UINT id, UINT message, DWORD_PTR user, DWORD_PTR, DWORD_PTR);

  UINT id_ = 0;
  Tick tick_ = nullptr;
  void* context_ = nullptr;
  std::atomic<bool> stopping_{false};
  std::atomic<int> ticksRunning_{0};
};

}  // namespace vellaro
