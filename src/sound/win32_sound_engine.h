// The SoundEngine: one looping DirectSound buffer of a second (44100 Hz, 16-bit stereo) that an
// OutputLoop keeps filled from the Mixer, 70 ms ahead of the play cursor, on a 10 ms multimedia
// timer; a key's voice is mixed in from the write cursor at once. Win32 only.
#pragma once

#include <windows.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

#include "sound/mixer.h"
#include "sound/output_loop.h"
#include "sound/win32_owners.h"

struct IDirectSound;
struct IDirectSoundBuffer;

namespace vellaro {

class MessageSink;

class SoundEngine final : public VoicePlayer {
 public:
  // Shows a message for every step that fails and goes on. An engine without a playing buffer and
  // a running timer starts no voices and is always silent, so nothing waits for it.
  SoundEngine(uint8_t deviceIndex, HWND window, MessageSink& messages);
  ~SoundEngine() override;
  SoundEngine(const SoundEngine&) = delete;
  SoundEngine& operator=(const SoundEngine&) = delete;

  int startVoice(const SampleView& sample, uint16_t note, uint16_t tag, uint8_t velocity) override;
  int stopVoice(const SampleView& sample, uint16_t note, uint16_t tag) override;
  void stopAllVoices() override;
  bool isSilent() const override;
  // The delay of a voice that the lesson starts now, from the DirectSound cursors and the frame the
  // next tick writes at (scheduledLeadFrames): 60 to 70 ms while the timer keeps time. 0 without a
  // playing buffer. A key's voice is heard after the write cursor's distance from the play cursor.
  uint32_t outputDelayMs() const override;
  uint32_t lateTicks() const override { return loop_.lateTicks(); }

  // Frame offsets in the loop, read together; false without a playing buffer or when DirectSound
  // cannot tell its cursors.
  bool readCursors(LoopCursors* cursors) const;
  OutputLoop::LiveStart lastLiveStart() const { return loop_.lastLiveStart(); }
  // For the tests: leaves the ticks out for this long, so that the next one comes late, and copies
  // the loop as the device finds it.
  void holdTicksFor(uint32_t ms);
  bool copyLoop(std::vector<int16_t>* frames);

 private:
  // The DirectSound buffer as the OutputLoop's device.
  class Buffer final : public LoopDevice {
   public:
    // Both where IDirectSoundBuffer is known.
    explicit Buffer(MessageSink& messages);
    ~Buffer() override;
    bool readCursors(uint32_t* play, uint32_t* write) override;
    bool lock(uint32_t first, uint32_t frames, LoopRuns* runs) override;
    void unlock(const LoopRuns& runs) override;
    ComPtr<IDirectSoundBuffer> buffer;

   private:
    MessageSink& messages_;
  };

  struct Device {
    GUID guid;
    bool primary;  // enumeration gave no GUID: the system's primary device
  };
  static constexpr int kMaxDevices = 10;

  static BOOL CALLBACK onDevice(GUID* guid, const char* description, const char* module, void* context);
  static void onTimerTick(void* engine);

  void enumerateDevices();
  void createDevice(uint8_t deviceIndex, HWND window);
  void createBuffer();
  void clearBuffer();
  void startPlaying();
  void onTimer();

  MessageSink& messages_;
  Mixer mixer_;
  std::array<Device, kMaxDevices> devices_{};
  int deviceCount_ = 0;
  ComPtr<IDirectSound> sound_;
  Buffer buffer_;  // released before the device that made it
  OutputLoop loop_;
  MultimediaTimer timer_;
  std::atomic<bool> running_{false};
  std::atomic<DWORD> heldUntil_{0};
};

}  // namespace vellaro
