// The microphone on WINMM: the system's default recording device (the wave mapper), 44100 Hz mono
// 16-bit where it offers that, in buffers of 10 ms, analysed on a thread of its own. Win32 only.
#pragma once

#include <windows.h>
// mmsystem.h needs the types of windows.h first.
#include <mmsystem.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sound/capture_clock.h"
#include "sound/microphone.h"
#include "sound/note_listener.h"

namespace vellaro {

class Win32Microphone final : public Microphone {
 public:
  // clock gives the readings that check compares (the host's clockMs); it is read on the capture
  // thread.
  using Clock = uint32_t (*)(void* context);
  Win32Microphone(Clock clock, void* clockContext);
  ~Win32Microphone() override;
  Win32Microphone(const Win32Microphone&) = delete;
  Win32Microphone& operator=(const Win32Microphone&) = delete;

  std::string start(ListenMode mode, HeardNotes& notes) override;
  void stop() override;
  int level() override { return level_.load(std::memory_order_acquire); }
  bool settled() override { return settled_.load(std::memory_order_acquire); }

 private:
  static constexpr int kBuffers = 8;

  std::string open();
  bool queueBuffers();
  static DWORD WINAPI threadMain(LPVOID self);
  void run();
  void takeBuffer(WAVEHDR& header);

  Clock clock_;
  void* clockContext_;
  HWAVEIN handle_ = nullptr;
  HANDLE bufferDone_ = nullptr;  // signalled by the driver for every buffer it hands back
  HANDLE thread_ = nullptr;
  uint32_t rate_ = 0;
  WAVEHDR headers_[kBuffers]{};
  std::vector<int16_t> samples_;
  std::unique_ptr<NoteListener> listener_;
  std::unique_ptr<CaptureClock> frames_;
  std::vector<HeardNote> heard_;
  uint64_t framesCaptured_ = 0;
  uint64_t lastFrame_ = UINT64_MAX;  // of the last note handed over
  uint32_t lastTime_ = 0;            // and the moment it went out with
  HeardNotes* notes_ = nullptr;
  std::atomic<bool> stopping_{false};
  std::atomic<int> level_{0};
  std::atomic<bool> settled_{true};
};

}  // namespace vellaro
