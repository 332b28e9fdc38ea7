#include "app/win32_host.h"

#include <sys/timeb.h>

#include "base/win32_gdi.h"
#include "base/win32_wide_text.h"

namespace vellaro {

namespace {

// A box in the lesson's encoding: UTF-8 texts through the wide call, the others as before.
int messageBox(HWND owner, TextEncoding encoding, const std::string& text, const std::string& caption, UINT type) {
  if (encoding == TextEncoding::Utf8) {
    return MessageBoxW(owner, wideFromUtf8(text).c_str(), wideFromUtf8(caption).c_str(), type);
  }
  return MessageBoxA(owner, text.c_str(), caption.c_str(), type);
}

}  // namespace

// A box without an owner sinks behind the full-screen main window as soon as that window is clicked
// (its debug menu, say): the script then waits on a box nobody sees, and the window seems to ignore
// every click. An owned box stays above its owner, which is disabled until the box is answered.
// The box's modal loop still dispatches the messages of all the thread's windows. A box from
// another thread (the MIDI input's) stays unowned: owning it would tie the two threads' input.
HWND Win32Host::ownerForBox() const {
  if (!boxOwner_ || !IsWindow(boxOwner_)) return nullptr;
  return GetWindowThreadProcessId(boxOwner_, nullptr) == GetCurrentThreadId() ? boxOwner_ : nullptr;
}

void Win32Host::showMessage(const std::string& text) { messageBox(ownerForBox(), textEncoding(), text, "", MB_OK); }

bool Win32Host::askOkCancel(const std::string& text, const std::string& caption) {
  return messageBox(ownerForBox(), textEncoding(), text, caption, MB_OKCANCEL) == IDOK;
}

void Win32Host::beep(unsigned frequency, unsigned durationMs) { Beep(frequency, durationMs); }

uint32_t Win32Host::clockMs() {
  struct _timeb now;
  _ftime(&now);
  return static_cast<uint32_t>(now.time) * 1000u + now.millitm;
}

uint32_t Win32Host::tickCount() { return GetTickCount(); }

LocalTime Win32Host::localTime() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return LocalTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

bool Win32Host::replaceFile(const std::string& from, const std::string& to) {
  {
    AutoCloseHandle file(CreateFileA(from.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid() || !FlushFileBuffers(file.get())) return false;
  }
  // Write-through: the call returns only once the new name is on the disk too.
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

}  // namespace vellaro
