// vellaro_bare_startup.exe [PICTURE.bmp]: the least a Win32 program does before it paints the way
// the player does; tools/measure-startup.sh times its start-up as the yardstick for the player's.
//
// It registers a window class, opens a full-screen popup window and shows it, creates DirectSound
// with the player's cooperative level and looping buffer (44.1 kHz, 16-bit stereo, 12348 bytes,
// the same flags), starts a 10 ms multimedia timer that writes silence into the part of the buffer
// played since the last tick, and paints its background: the picture named on the command line,
// else white. When VELLARO_STARTUP_TRACE names a file, the first paint appends a line with the
// milliseconds since the process was created and the processor time used, as the player's main
// window does. One second after that paint the program ends.
#include <windows.h>
#include <dsound.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "base/win32_gdi.h"

namespace {

constexpr DWORD kBufferBytes = 12348;
constexpr DWORD kSampleRate = 44100;
constexpr UINT kTickMs = 10;
constexpr UINT kTimerResolutionMs = 500;
constexpr UINT_PTR kEndTimer = 1;
constexpr UINT kEndAfterMs = 1000;

struct ComRelease {
  void operator()(IUnknown* object) const { object->Release(); }
};
template <typename Interface>
using ComPtr = std::unique_ptr<Interface, ComRelease>;

struct Sound {
  ComPtr<IDirectSound> device;
  ComPtr<IDirectSoundBuffer> buffer;
  DWORD writePosition = 0;
};

// The background picture, selected into a memory DC for the whole run.
class Picture {
 public:
  explicit Picture(const std::string& path) {
    if (path.empty()) return;
    bitmap_ = static_cast<HBITMAP>(
        LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    if (!bitmap_) {
      std::fprintf(stderr, "cannot load %s\n", path.c_str());
      return;
    }
    dc_ = CreateCompatibleDC(nullptr);
    if (dc_) initial_ = SelectObject(dc_, bitmap_);
  }
  ~Picture() {
    if (dc_) {
      SelectObject(dc_, initial_);
      DeleteDC(dc_);
    }
    if (bitmap_) DeleteObject(bitmap_);
  }
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;
  HDC dc() const { return dc_; }

 private:
  HBITMAP bitmap_ = nullptr;
  HDC dc_ = nullptr;
  HGDIOBJ initial_ = nullptr;
};

const Picture* g_picture = nullptr;
bool g_painted = false;

uint64_t fileTimeValue(const FILETIME& time) { return (uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime; }

void traceFirstPaint() {
  const char* path = std::getenv("VELLARO_STARTUP_TRACE");
  if (!path || !path[0]) return;
  FILETIME created, unused, kernel, user, now;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &unused, &kernel, &user)) return;
  GetSystemTimeAsFileTime(&now);
  if (FILE* file = std::fopen(path, "a")) {
    // FILETIME counts 100 ns.
    uint64_t ms = (fileTimeValue(now) - fileTimeValue(created)) / 10000;
    uint64_t cpuMs = (fileTimeValue(kernel) + fileTimeValue(user)) / 10000;
    std::fprintf(file, "%llu %llu\n", static_cast<unsigned long long>(ms), static_cast<unsigned long long>(cpuMs));
    std::fclose(file);
  }
}

void onPaint(HWND window) {
  {
    vellaro::ScopedPaint paint(window);
    const RECT& rect = paint.rect();
    if (g_picture && g_picture->dc()) {
      BitBlt(paint.dc(), rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, g_picture->dc(),
             rect.left, rect.top, SRCCOPY);
    } else {
      FillRect(paint.dc(), &rect, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }
  }
  if (g_painted) return;
  g_painted = true;
  traceFirstPaint();
  SetTimer(window, kEndTimer, kEndAfterMs, nullptr);
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      onPaint(window);
      return 0;
    case WM_TIMER:
      if (wParam == kEndTimer) DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

HWND openWindow(HINSTANCE instance) {
  WNDCLASSA windowClass{};
  windowClass.style = CS_OWNDC | CS_DBLCLKS;
  windowClass.lpfnWndProc = windowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.lpszClassName = "BareStartupWindow";
  if (!RegisterClassA(&windowClass)) return nullptr;
  HWND window = CreateWindowExA(0, windowClass.lpszClassName, "Bare start-up", WS_POPUP, 0, 0,
                                GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr,
                                instance, nullptr);
  if (window) ShowWindow(window, SW_SHOW);
  return window;
}

bool openSound(HWND window, Sound* sound) {
  IDirectSound* device = nullptr;
  if (FAILED(DirectSoundCreate(nullptr, &device, nullptr))) return false;
  sound->device.reset(device);
  if (FAILED(device->SetCooperativeLevel(window, DSSCL_PRIORITY))) return false;
  WAVEFORMATEX format{};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = 2;
  format.nSamplesPerSec = kSampleRate;
  format.nBlockAlign = 4;
  format.nAvgBytesPerSec = kSampleRate * format.nBlockAlign;
  format.wBitsPerSample = 16;
  DSBUFFERDESC description{};
  description.dwSize = sizeof description;
  description.dwFlags = DSBCAPS_GETCURRENTPOSITION2 | DSBCAPS_STICKYFOCUS | DSBCAPS_STATIC;
  description.dwBufferBytes = kBufferBytes;
  description.lpwfxFormat = &format;
  IDirectSoundBuffer* buffer = nullptr;
  if (FAILED(device->CreateSoundBuffer(&description, &buffer, nullptr))) return false;
  sound->buffer.reset(buffer);
  return SUCCEEDED(buffer->Play(0, 0, DSBPLAY_LOOPING));
}

// Writes silence up to the play cursor, as the player's mixer writes its frames there.
void CALLBACK onTick(UINT, UINT, DWORD_PTR context, DWORD_PTR, DWORD_PTR) {
  Sound* sound = reinterpret_cast<Sound*>(context);
  DWORD playCursor = 0;
  DWORD writeCursor = 0;
  if (FAILED(sound->buffer->GetCurrentPosition(&playCursor, &writeCursor))) return;
  DWORD span = (playCursor + kBufferBytes - sound->writePosition) % kBufferBytes;
  void* first = nullptr;
  void* second = nullptr;
  DWORD firstBytes = 0;
  DWORD secondBytes = 0;
  if (span == 0 ||
      FAILED(sound->buffer->Lock(sound->writePosition, span, &first, &firstBytes, &second, &secondBytes, 0))) {
    return;
  }
  if (first) std::memset(first, 0, firstBytes);
  if (second) std::memset(second, 0, secondBytes);
  sound->buffer->Unlock(first, firstBytes, second, secondBytes);
  sound->writePosition = playCursor;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  Picture picture(commandLine ? commandLine : "");
  g_picture = &picture;
  HWND window = openWindow(instance);
  if (!window) return 1;
  Sound sound;
  if (!openSound(window, &sound)) std::fprintf(stderr, "cannot open the DirectSound buffer\n");
  UINT timer = 0;
  if (sound.buffer) {
    timer = timeSetEvent(kTickMs, kTimerResolutionMs, onTick, reinterpret_cast<DWORD_PTR>(&sound),
                         TIME_PERIODIC | TIME_KILL_SYNCHRONOUS);
  }
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  if (timer) timeKillEvent(timer);
  if (sound.buffer) sound.buffer->Stop();
  g_picture = nullptr;
  return 0;
}
