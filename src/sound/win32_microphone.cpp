#include "sound/win32_microphone.h"

namespace vellaro {
namespace {

// 44100 Hz first; the others where a device will not take it (the wave mapper converts, so this
// is rare).
constexpr DWORD kRates[] = {44100, 48000, 32000, 22050, 16000};

WAVEFORMATEX monoFormat(DWORD rate) {
  WAVEFORMATEX format{};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = 1;
  format.nSamplesPerSec = rate;
  format.wBitsPerSample = 16;
  format.nBlockAlign = 2;
  format.nAvgBytesPerSec = rate * 2;
  return format;
}

std::string errorText(MMRESULT result) {
  char text[MAXERRORLENGTH] = {};
  if (waveInGetErrorTextA(result, text, sizeof text) != MMSYSERR_NOERROR || text[0] == '\0') {
    return "the recording device cannot be opened (error " + std::to_string(result) + ")";
  }
  return text;
}

}  // namespace

Win32Microphone::Win32Microphone(Clock clock, void* clockContext) : clock_(clock), clockContext_(clockContext) {}

Win32Microphone::~Win32Microphone() { stop(); }

std::string Win32Microphone::start(ListenMode mode, HeardNotes& notes) {
  stop();
  std::string reason = open();
  if (!reason.empty()) return reason;
  listener_ = std::make_unique<NoteListener>(rate_, mode);
  frames_ = std::make_unique<CaptureClock>(rate_);
  heard_.reserve(64);
  framesCaptured_ = 0;
  lastFrame_ = UINT64_MAX;
  notes_ = &notes;
  stopping_.store(false, std::memory_order_release);
  MMRESULT started = queueBuffers() ? waveInStart(handle_) : MMSYSERR_NOMEM;
  if (started == MMSYSERR_NOERROR) thread_ = CreateThread(nullptr, 0, &Win32Microphone::threadMain, this, 0, nullptr);
  if (started != MMSYSERR_NOERROR || !thread_) {
    stop();
    return started != MMSYSERR_NOERROR ? errorText(started) : "the recording thread cannot be started";
  }
  return "";
}

// The device at the first rate it takes; "" when open, else why not.
std::string Win32Microphone::open() {
  if (waveInGetNumDevs() == 0) return kNoMicrophone;
  bufferDone_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (!bufferDone_) return "the recording device cannot be opened (no event)";
  MMRESULT first = MMSYSERR_NOERROR;
  for (DWORD rate : kRates) {
    WAVEFORMATEX format = monoFormat(rate);
    MMRESULT result = waveInOpen(&handle_, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(bufferDone_), 0,
                                 CALLBACK_EVENT);
    if (result == MMSYSERR_NOERROR) {
      rate_ = rate;
      return "";
    }
    handle_ = nullptr;
    if (first == MMSYSERR_NOERROR) first = result;
  }
  CloseHandle(bufferDone_);
  bufferDone_ = nullptr;
  return first == MMSYSERR_NODRIVER || first == MMSYSERR_BADDEVICEID ? kNoMicrophone : errorText(first);
}

// kBuffers buffers of 10 ms each, all queued; false when the device refuses one.
bool Win32Microphone::queueBuffers() {
  const DWORD frames = rate_ / 100;
  samples_.assign(static_cast<size_t>(kBuffers) * frames, 0);
  for (int i = 0; i < kBuffers; ++i) {
    WAVEHDR& header = headers_[i];
    header = WAVEHDR{};
    header.lpData = reinterpret_cast<LPSTR>(&samples_[static_cast<size_t>(i) * frames]);
    header.dwBufferLength = frames * 2;
    if (waveInPrepareHeader(handle_, &header, sizeof header) != MMSYSERR_NOERROR) return false;
    if (waveInAddBuffer(handle_, &header, sizeof header) != MMSYSERR_NOERROR) return false;
  }
  return true;
}

DWORD WINAPI Win32Microphone::threadMain(LPVOID self) {
  static_cast<Win32Microphone*>(self)->run();
  return 0;
}

// The buffers come back in the order they were queued; each is analysed and queued again. The
// event may stand for several buffers, so every one marked done is taken at each wake.
void Win32Microphone::run() {
  int next = 0;
  while (!stopping_.load(std::memory_order_acquire)) {
    WaitForSingleObject(bufferDone_, 100);
    while (!stopping_.load(std::memory_order_acquire) && (headers_[next].dwFlags & WHDR_DONE)) {
      takeBuffer(headers_[next]);
      headers_[next].dwFlags &= ~static_cast<DWORD>(WHDR_DONE);
      waveInAddBuffer(handle_, &headers_[next], sizeof headers_[next]);
      next = (next + 1) % kBuffers;
    }
  }
}

// The buffer's frames were all captured by now: one observation for the clock mapping, then the
// detector, and every note it found goes out with the moment its first frame was captured.
void Win32Microphone::takeBuffer(WAVEHDR& header) {
  uint32_t now = clock_(clockContext_);
  size_t frames = header.dwBytesRecorded / 2;
  framesCaptured_ += frames;
  frames_->observe(framesCaptured_, now);
  heard_.clear();
  listener_->feed(reinterpret_cast<const int16_t*>(header.lpData), frames, heard_);
  level_.store(listener_->level(), std::memory_order_release);
  for (const HeardNote& note : heard_) {
    // A note at the frame of the last one is that note heard better: the same moment, whatever the
    // clock mapping learnt since, so that it replaces it.
    if (note.frame != lastFrame_) lastTime_ = frames_->timeOf(note.frame);
    lastFrame_ = note.frame;
    notes_->heard(lastTime_, note.note);
  }
  settled_.store(listener_->settled(), std::memory_order_release);
}

// The thread ends first, so no buffer is queued again; then the device hands back the rest.
void Win32Microphone::stop() {
  stopping_.store(true, std::memory_order_release);
  if (thread_) {
    SetEvent(bufferDone_);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    thread_ = nullptr;
  }
  if (handle_) {
    waveInReset(handle_);
    for (WAVEHDR& header : headers_) {
      if (header.dwFlags & WHDR_PREPARED) waveInUnprepareHeader(handle_, &header, sizeof header);
    }
    waveInClose(handle_);
    handle_ = nullptr;
  }
  if (bufferDone_) {
    CloseHandle(bufferDone_);
    bufferDone_ = nullptr;
  }
  listener_.reset();
  notes_ = nullptr;
  level_.store(0, std::memory_order_release);
  settled_.store(true, std::memory_order_release);
}

}  // namespace vellaro
