// Small owners of GDI objects, device contexts and kernel handles, so that none leaks on an early
// return.
#pragma once

#include <windows.h>

namespace vellaro {

// A window's DC from GetDC, released on scope exit.
class ScopedGetDC {
 public:
  explicit ScopedGetDC(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~ScopedGetDC() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  ScopedGetDC(const ScopedGetDC&) = delete;
  ScopedGetDC& operator=(const ScopedGetDC&) = delete;
  operator HDC() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// Selects an object into a DC and selects the previous one back on scope exit.
class ScopedSelectObject {
 public:
  ScopedSelectObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(dc && object ? SelectObject(dc, object) : nullptr) {}
  ~ScopedSelectObject() {
    if (previous_) SelectObject(dc_, previous_);
  }
  ScopedSelectObject(const ScopedSelectObject&) = delete;
  ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// A memory DC from CreateCompatibleDC with an optional bitmap selected into it. On scope exit the
// DC's own bitmap goes back in before the DC is deleted, so the caller's bitmap is free to delete.
class ScopedMemoryDC {
 public:
  explicit ScopedMemoryDC(HGDIOBJ bitmap = nullptr, HDC reference = nullptr)
      : dc_(CreateCompatibleDC(reference)), previous_(dc_ && bitmap ? SelectObject(dc_, bitmap) : nullptr) {}
  ~ScopedMemoryDC() {
    if (!dc_) return;
    if (previous_) SelectObject(dc_, previous_);
    DeleteDC(dc_);
  }
  ScopedMemoryDC(const ScopedMemoryDC&) = delete;
  ScopedMemoryDC& operator=(const ScopedMemoryDC&) = delete;
  operator HDC() const { return dc_; }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// BeginPaint and EndPaint as one scope.
class ScopedPaint {
 public:
  explicit ScopedPaint(HWND window) : window_(window) { dc_ = BeginPaint(window, &paint_); }
  ~ScopedPaint() { EndPaint(window_, &paint_); }
  ScopedPaint(const ScopedPaint&) = delete;
  ScopedPaint& operator=(const ScopedPaint&) = delete;
  HDC dc() const { return dc_; }
  const RECT& rect() const { return paint_.rcPaint; }

 private:
  HWND window_;
  HDC dc_;
  PAINTSTRUCT paint_{};
};

// A GDI object (region, brush, bitmap) deleted on scope exit unless released.
template <typename Handle>
class GdiObject {
 public:
  explicit GdiObject(Handle handle = nullptr) : handle_(handle) {}
  ~GdiObject() {
    if (handle_) DeleteObject(handle_);
  }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;
  Handle get() const { return handle_; }
  Handle release() {
    Handle handle = handle_;
    handle_ = nullptr;
    return handle;
  }

 private:
  Handle handle_;
};

// A kernel handle (file, event, thread), closed on scope exit. CreateFile reports failure with
// INVALID_HANDLE_VALUE, the others with null; both count as no handle.
class AutoCloseHandle {
 public:
  explicit AutoCloseHandle(HANDLE handle) : handle_(handle) {}
  ~AutoCloseHandle() {
    if (valid()) CloseHandle(handle_);
  }
  AutoCloseHandle(const AutoCloseHandle&) = delete;
  AutoCloseHandle& operator=(const AutoCloseHandle&) = delete;
  bool valid() const { return handle_ && handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

}  // namespace vellaro
