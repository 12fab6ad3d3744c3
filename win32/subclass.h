// Hooks into the messages of a window whose procedure is not ours (a native control), through
// the common controls' subclassing: the hook sees each message first and either answers it or
// lets the control handle it.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>

namespace win32 {

class Subclass {
 public:
  // Returns the answer to the message, or nothing to pass it on to the control; the hook
  // itself is passed for Pass().
  using Handler = std::function<std::optional<LRESULT>(const Subclass&, UINT, WPARAM, LPARAM)>;

  // Throws if the window cannot be hooked.
  Subclass(HWND window, Handler handler);
  Subclass(const Subclass&) = delete;
  Subclass& operator=(const Subclass&) = delete;
  ~Subclass();

  HWND window() const { return window_; }
  // The control's own handling of a message; only from within the handler.
  LRESULT Pass(UINT message, WPARAM wparam, LPARAM lparam) const;

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                    UINT_PTR id, DWORD_PTR self);

  HWND window_;
  Handler handler_;
};

}  // namespace win32
