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
    : messages_(messages), buffer_(messages), loop_(mixer_, buffer_) {
  enumerateDevices();
  createDevice(deviceIndex, window);
  createBuffer();
  clearBuffer();
  startPlaying();
}

SoundEngine::~SoundEngine() {
  mixer_.stopAllVoices();
  running_.store(false);
  timer_.stop();  // returns once the last tick has finished with the buffer
  if (buffer_.buffer) buffer_.buffer->Stop();
  buffer_.buffer.reset();
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
  description.dwBufferBytes = 4 * kLoopFrames;
  description.lpwfxFormat = &format;
  IDirectSoundBuffer* created = nullptr;
  if (!sound_ || FAILED(sound_->CreateSoundBuffer(&description, &created, nullptr))) {
    messages_.showMessage(kSoundBufferFailed);
  } else {
    buffer_.buffer.reset(created);
  }
}

// The loop starts as silence: the ticks write only ahead of the play cursor.
void SoundEngine::clearBuffer() {
  LoopRuns runs;
  if (!buffer_.buffer || !buffer_.lock(0, kLoopFrames, &runs)) return;
  if (runs.first) std::memset(runs.first, 0, 4 * size_t{runs.firstFrames});
  if (runs.second) std::memset(runs.second, 0, 4 * size_t{runs.secondFrames});
  buffer_.unlock(runs);
}

void SoundEngine::startPlaying() {
  // The buffer loops from now until shutdown, also while nothing sounds.
  if (!buffer_.buffer || FAILED(buffer_.buffer->Play(0, 0, DSBPLAY_LOOPING))) messages_.showMessage(kSoundCannotPlay);
  if (!buffer_.buffer) return;  // without a buffer there is nothing to fill
  if (!timer_.start(kTickMs, kTimerResolutionMs, &SoundEngine::onTimerTick, this)) {
    messages_.showMessage(kSoundTimerFailed);
    return;
  }
  running_.store(true);
}

void SoundEngine::onTimerTick(void* engine) { static_cast<SoundEngine*>(engine)->onTimer(); }

void SoundEngine::onTimer() {
  if (static_cast<int32_t>(heldUntil_.load() - timeGetTime()) > 0) return;
  loop_.tick();
}

// The ticks are left out rather than the timer thread held up: the system may run other timers on
// that thread.
void SoundEngine::holdTicksFor(uint32_t ms) { heldUntil_.store(timeGetTime() + ms); }

bool SoundEngine::copyLoop(std::vector<int16_t>* frames) {
  LoopRuns runs;
  if (!running_.load() || !buffer_.lock(0, kLoopFrames, &runs)) return false;
  frames->assign(runs.first, runs.first + 2 * size_t{runs.firstFrames});
  if (runs.second) frames->insert(frames->end(), runs.second, runs.second + 2 * size_t{runs.secondFrames});
  buffer_.unlock(runs);
  return true;
}

SoundEngine::Buffer::Buffer(MessageSink& messages) : messages_(messages) {}

SoundEngine::Buffer::~Buffer() = default;

bool SoundEngine::Buffer::readCursors(uint32_t* play, uint32_t* write) {
  DWORD playCursor = 0;
  DWORD writeCursor = 0;
  if (FAILED(buffer->GetCurrentPosition(&playCursor, &writeCursor))) return false;
  *play = playCursor / 4;
  *write = writeCursor / 4;
  return true;
}

bool SoundEngine::Buffer::lock(uint32_t first, uint32_t frames, LoopRuns* runs) {
  void* firstPart = nullptr;
  void* secondPart = nullptr;
  DWORD firstBytes = 0;
  DWORD secondBytes = 0;
  DWORD offset = 4 * (first % kLoopFrames);
  DWORD bytes = 4 * std::min(frames, kLoopFrames);
  HRESULT result = buffer->Lock(offset, bytes, &firstPart, &firstBytes, &secondPart, &secondBytes, 0);
  if (result == DSERR_BUFFERLOST) {  // another program took the device; the only retried failure
    buffer->Restore();
    buffer->Play(0, 0, DSBPLAY_LOOPING);
    result = buffer->Lock(offset, bytes, &firstPart, &firstBytes, &secondPart, &secondBytes, 0);
  }
  if (FAILED(result)) {
    messages_.showMessage(kSoundCannotLock);
    return false;
  }
  *runs = LoopRuns{static_cast<int16_t*>(firstPart), firstBytes / 4, static_cast<int16_t*>(secondPart), secondBytes / 4};
  return true;
}

void SoundEngine::Buffer::unlock(const LoopRuns& runs) {
  if (FAILED(buffer->Unlock(runs.first, 4 * runs.firstFrames, runs.second, 4 * runs.secondFrames))) {
    messages_.showMessage(kSoundCannotUnlock);
  }
}

int SoundEngine::startVoice(const SampleView& sample, uint16_t note, uint16_t tag, uint8_t velocity) {
  if (!running_.load()) return 0;  // no tick would ever end the voice
  return loop_.startVoice(sample, note, tag, velocity);
}

int SoundEngine::stopVoice(const SampleView& sample, uint16_t note, uint16_t tag) {
  return mixer_.stopVoice(sample, note, tag);
}

void SoundEngine::stopAllVoices() { mixer_.stopAllVoices(); }

bool SoundEngine::isSilent() const { return !running_.load() || mixer_.isSilent(); }

bool SoundEngine::readCursors(LoopCursors* cursors) const { return running_.load() && loop_.readCursors(cursors); }

uint32_t SoundEngine::outputDelayMs() const { return running_.load() ? loop_.scheduledLeadMs() : 0; }

}  // namespace vellaro
