// Owners for GDI objects and device contexts: each is released exactly once, by its owner, and a
// selection into a DC is undone when its scope ends.
#pragma once

#include <windows.h>

#include <utility>

#include "install/failure.h"

namespace win32 {

// A font, brush, pen or bitmap this program created.
template <class Handle>
class GdiObject {
 public:
  GdiObject() = default;
  // Takes ownership; a null handle means creation failed, reported with the given text.
  GdiObject(Handle handle, const char* failure) : handle_(handle) {
    if (!handle_) throw install::Failure(failure);
  }
  GdiObject(GdiObject&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  GdiObject& operator=(GdiObject&& other) noexcept {
    if (this != &other) {
      Release();
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;
  ~GdiObject() { Release(); }

  Handle get() const { return handle_; }

 private:
  void Release() {
    if (handle_) DeleteObject(handle_);
    handle_ = nullptr;
  }
  Handle handle_ = nullptr;
};

using Font = GdiObject<HFONT>;
using Bitmap = GdiObject<HBITMAP>;

// A memory DC compatible with the screen.
class MemoryDc {
 public:
  MemoryDc() : dc_(CreateCompatibleDC(nullptr)) {
    if (!dc_) throw install::Failure("无法创建绘图设备");
  }
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;
  ~MemoryDc() { DeleteDC(dc_); }

  HDC get() const { return dc_; }

 private:
  HDC dc_;
};

// Selects an object into a DC for the life of this scope, then puts the previous one back.
class Selection {
 public:
  Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;
  ~Selection() {
    if (previous_ && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
  }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// BeginPaint .. EndPaint; the update region is validated even when painting fails.
class PaintSession {
 public:
  explicit PaintSession(HWND window) : window_(window) { dc_ = BeginPaint(window_, &paint_); }
  PaintSession(const PaintSession&) = delete;
  PaintSession& operator=(const PaintSession&) = delete;
  ~PaintSession() { EndPaint(window_, &paint_); }

  HDC dc() const { return dc_; }
  const RECT& area() const { return paint_.rcPaint; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

}  // namespace win32
