#include "sound/win32_sound_engine.h"

#include "base/messages.h"

#include <dsound.h>

#include <algorithm>
#include <cstring>

#include "base/message_sink.h"

namespace vellaro {
namespace {

constexpr UINT kTickMs = 10;
constexpr UINT kTimerResolutionMs = 500;
constexpr DWORD kBufferFlags = DSBCAPS_GETCURRENTPOSITION2 | DSBCAPS_STICKYFOCUS | DSBCAPS_STATIC;  // 0x14002

WAVEFORMATEX outputFormat() {
  WAVEFORMATEX format{};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = 2;
  format.nSamplesPerSec = kOutputRate;
  format.nBlockAlign = 4;
  format.nAvgBytesPerSec = kOutputRate * format.nBlockAlign;
  format.wBitsPerSample = 16;
  return format;  // cbSize stays 0: a plain PCM record
}

}  // namespace

SoundEngine::SoundEngine(uint8_t deviceIndex, HWND window, MessageSink& messages)
    : messages_(messages), mixBuffer_(2 * size_t{kMixBufferFrames}, 0) {
  enumerateDevices();
  createDevice(deviceIndex, window);
  createBuffer();
  startPlaying();
}

SoundEngine::~SoundEngine() {
  mixer_.stopAllVoices();
  running_.store(false);
  timer_.stop();  // returns once the last tick has finished with the buffer
  if (buffer_) buffer_->Stop();
  buffer_.reset();
  sound_.reset();
}

BOOL CALLBACK SoundEngine::onDevice(GUID* guid, const char* description, const char*, void* context) {
  auto* engine = static_cast<SoundEngine*>(context);
  if (!description || engine->deviceCount_ >= kMaxDevices) return TRUE;
  // The GUID is copied: enumeration's pointer need not outlive the callback.
  Device& device = engine->devices_[static_cast<size_t>(engine->deviceCount_++)];
  device.primary = guid == nullptr;
  if (guid) device.guid = *guid;
  return TRUE;
}

void SoundEngine::enumerateDevices() {
  deviceCount_ = 0;
  if (FAILED(DirectSoundEnumerateA(&SoundEngine::onDevice, this))) {
    messages_.showMessage(kSoundEnumerationFailed);
  }
}

// A step whose interface is missing fails like the device would, with its own message.
void SoundEngine::createDevice(uint8_t deviceIndex, HWND window) {
  // An index beyond the devices seen falls back to the primary device.
  const GUID* guid = nullptr;
  if (deviceIndex < deviceCount_ && !devices_[deviceIndex].primary) guid = &devices_[deviceIndex].guid;
  IDirectSound* created = nullptr;
  if (FAILED(DirectSoundCreate(guid, &created, nullptr))) {
    messages_.showMessage(kSoundCreationFailed);
  } else {
    sound_.reset(created);
  }
  if (!sound_ || FAILED(sound_->SetCooperativeLevel(window, DSSCL_PRIORITY))) {
    messages_.showMessage(kSoundCooperativeLevelFailed);
  }
  DSCAPS caps{};
  caps.dwSize = sizeof caps;  // 96; the capabilities are not used further
  if (!sound_ || FAILED(sound_->GetCaps(&caps))) {
    messages_.showMessage(kSoundParametersFailed);
  }
}

void SoundEngine::createBuffer() {
  WAVEFORMATEX format = outputFormat();
  DSBUFFERDESC description{};
  description.dwSize = sizeof description;
  description.dwFlags = kBufferFlags;
  description.dwBufferBytes = kBufferBytes;
  description.lpwfxFormat = &format;
  IDirectSoundBuffer* created = nullptr;
  if (!sound_ || FAILED(sound_->CreateSoundBuffer(&description, &created, nullptr))) {
    messages_.showMessage(kSoundBufferFailed);
  } else {
    buffer_.reset(created);
  }
}

void SoundEngine::startPlaying() {
  // The buffer loops from now until shutdown, also while nothing sounds.
  if (!buffer_ || FAILED(buffer_->Play(0, 0, DSBPLAY_LOOPING))) messages_.showMessage(kSoundCannotPlay);
  if (!buffer_) return;  // without a buffer there is nothing to fill
  writePosition_ = 0;    // before the first tick can run
  if (!timer_.start(kTickMs, kTimerResolutionMs, &SoundEngine::onTimerTick, this)) {
    messages_.showMessage(kSoundTimerFailed);
    return;
  }
  running_.store(true);
}

void SoundEngine::onTimerTick(void* engine) { static_cast<SoundEngine*>(engine)->onTimer(); }

// Refills the part of the buffer that the play cursor has passed since the last tick; what is
// written is heard one buffer lap (about 70 ms) later.
void SoundEngine::onTimer() {
  DWORD playCursor = 0;
  DWORD writeCursor = 0;
  if (FAILED(buffer_->GetCurrentPosition(&playCursor, &writeCursor))) {
    // Skip the write, but let the voices move on so that they still end and wait does not hang.
    mixer_.mixFrames(mixBuffer_.data(), kTickFrames);
    return;
  }
  uint32_t position = writePosition_.load(std::memory_order_relaxed);
  uint32_t span = spanBytes(position, playCursor);
  mixer_.mixFrames(mixBuffer_.data(), (span + 3) / 4);
  writeBuffer(position, span);
  writePosition_.store((position + span) % kBufferBytes, std::memory_order_release);  // also when the write failed
}

void SoundEngine::writeBuffer(DWORD offset, DWORD bytes) {
  void* first = nullptr;
  void* second = nullptr;
  DWORD firstBytes = 0;
  DWORD secondBytes = 0;
  HRESULT result = buffer_->Lock(offset, bytes, &first, &firstBytes, &second, &secondBytes, 0);
  if (result == DSERR_BUFFERLOST) {  // another program took the device; the only retried failure
    buffer_->Restore();
    buffer_->Play(0, 0, DSBPLAY_LOOPING);
    result = buffer_->Lock(offset, bytes, &first, &firstBytes, &second, &secondBytes, 0);
  }
  if (FAILED(result)) {
    messages_.showMessage(kSoundCannotLock);
    return;
  }
  const auto* mix = reinterpret_cast<const uint8_t*>(mixBuffer_.data());
  const size_t mixBytes = mixBuffer_.size() * sizeof(int16_t);
  if (first) std::memcpy(first, mix, std::min<size_t>(firstBytes, mixBytes));
  if (second) {
    size_t from = std::min<size_t>(firstBytes & ~DWORD{1}, mixBytes);
    std::memcpy(second, mix + from, std::min<size_t>(secondBytes, mixBytes - from));
  }
  if (FAILED(buffer_->Unlock(first, firstBytes, second, secondBytes))) {
    messages_.showMessage(kSoundCannotUnlock);
  }
}

int SoundEngine::startVoice(const SampleView& sample, uint16_t note, uint16_t tag, uint8_t velocity) {
  if (!running_.load()) return 0;  // no tick would ever end the voice
  return mixer_.startVoice(sample, note, tag, velocity);
}

int SoundEngine::stopVoice(const SampleView& sample, uint16_t note, uint16_t tag) {
  return mixer_.stopVoice(sample, note, tag);
}

void SoundEngine::stopAllVoices() { mixer_.stopAllVoices(); }

bool SoundEngine::isSilent() const { return !running_.load() || mixer_.isSilent(); }

// The cursors and the write position are read apart; a tick that moved the write position in
// between would pair a new position with old cursors, so the reading is taken again.
bool SoundEngine::readCursors(Cursors* cursors) const {
  if (!running_.load()) return false;
  for (int attempt = 0; attempt < 3; ++attempt) {
    uint32_t position = writePosition_.load(std::memory_order_acquire);
    DWORD playCursor = 0;
    DWORD writeCursor = 0;
    if (FAILED(buffer_->GetCurrentPosition(&playCursor, &writeCursor))) return false;
    if (writePosition_.load(std::memory_order_acquire) == position) {
      *cursors = Cursors{position, playCursor, writeCursor};
      return true;
    }
  }
  return false;  // three ticks in a row, 10 ms apart, cannot fall between two readings
}

uint32_t SoundEngine::outputDelayMs() const {
  Cursors cursors{};
  if (!readCursors(&cursors)) return 0;
  return outputBytesToMs(writeAheadBytes(cursors.writePosition, cursors.play, cursors.write));
}

}  // namespace vellaro
