// The SoundEngine: one looping 70 ms DirectSound buffer (44100 Hz, 16-bit stereo) kept filled by the
// Mixer from a 10 ms multimedia timer. Win32 only.
#pragma once

#include <windows.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

#include "sound/mixer.h"
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
  // The write-ahead of the buffer at this moment, from the DirectSound cursors and the position
  // the next tick writes at (writeAheadBytes): 60 to 70 ms while the timer keeps time. 0 without a
  // playing buffer.
  uint32_t outputDelayMs() const override;

  // Byte offsets in the looping buffer, read together.
  struct Cursors {
    uint32_t writePosition;  // where the next tick starts to write
    uint32_t play;           // what the device plays now
    uint32_t write;          // the device has taken everything before this one
  };
  // False without a playing buffer or when DirectSound cannot tell its cursors.
  bool readCursors(Cursors* cursors) const;

 private:
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
  void startPlaying();
  void onTimer();
  void writeBuffer(DWORD offset, DWORD bytes);

  MessageSink& messages_;
  Mixer mixer_;
  std::array<Device, kMaxDevices> devices_{};
  int deviceCount_ = 0;
  ComPtr<IDirectSound> sound_;
  ComPtr<IDirectSoundBuffer> buffer_;  // released before the device that made it
  MultimediaTimer timer_;
  // Written by the timer thread only once it runs; outputDelayMs reads it on another thread.
  std::atomic<uint32_t> writePosition_{0};
  std::vector<int16_t> mixBuffer_;  // kMixBufferFrames stereo frames
  std::atomic<bool> running_{false};
};

}  // namespace vellaro
