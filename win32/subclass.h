// Hooks into the messages of a window whose procedure is not ours (a native control), through
// the common controls' subclassing: the hook sees each message first and either answers it or
// lets the control handle it.
#pragma once

#include <windows.h>

#include <optional>

namespace win32 {

class Subclass {
 public:
  // Who sees the hooked window's messages.
  class Owner {
   public:
    // The answer to the message, or nothing to pass it on to the control; the hook itself is
    // passed for Pass() and to tell the owner's windows apart.
    virtual std::optional<LRESULT> Hooked(const Subclass& hook, UINT message, WPARAM wparam,
                                          LPARAM lparam) = 0;

   protected:
    ~Owner() = default;
  };

  // Throws if the window cannot be hooked.
  Subclass(HWND window, Owner& owner);
  Subclass(const Subclass&) = delete;
  Subclass& operator=(const Subclass&) = delete;
  ~Subclass();

  HWND window() const { return window_; }
  // The control's own handling of a message; only from within Owner::Hooked.
  LRESULT Pass(UINT message, WPARAM wparam, LPARAM lparam) const;

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                    UINT_PTR id, DWORD_PTR self);

  HWND window_;
  Owner& owner_;
};

}  // namespace win32
