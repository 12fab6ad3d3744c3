// Owners of a top-level window and of a registered window class.
#pragma once

#include <windows.h>

#include <string>
#include <utility>

#include "install/failure.h"

namespace win32 {

// A top-level window, destroyed with its owner unless the window went first; its child windows
// go with it.
class UniqueWindow {
 public:
  UniqueWindow() = default;
  UniqueWindow(const UniqueWindow&) = delete;
  UniqueWindow& operator=(const UniqueWindow&) = delete;
  ~UniqueWindow() { reset(); }

  HWND get() const { return window_; }
  void reset(HWND window = nullptr) {
    if (HWND old = std::exchange(window_, window)) DestroyWindow(old);
  }
  // The window was destroyed by other means: nothing is left to destroy.
  void release() { window_ = nullptr; }

 private:
  HWND window_ = nullptr;
};

// A window class of this module, unregistered with its owner.
class WindowClass {
 public:
  // Throws if the class cannot be registered.
  explicit WindowClass(const WNDCLASSEXW& description)
      : name_(description.lpszClassName), instance_(description.hInstance) {
    if (!RegisterClassExW(&description)) throw install::Failure("无法注册窗口类");
  }
  WindowClass(const WindowClass&) = delete;
  WindowClass& operator=(const WindowClass&) = delete;
  ~WindowClass() { UnregisterClassW(name_.c_str(), instance_); }

  const wchar_t* name() const { return name_.c_str(); }

 private:
  std::wstring name_;
  HINSTANCE instance_;
};

}  // namespace win32
