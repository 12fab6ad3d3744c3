// Window procedures of our own window classes and the guard every message handler runs under:
// no exception may leave a window procedure into the system.
#pragma once

#include <windows.h>

#include <exception>
#include <utility>

namespace win32 {

// Tells the user what failed while handling a message (nullptr: a failure without a text),
// in a message box owned by the handling window's top-level window.
void ReportFailure(HWND window, const char* text) noexcept;

// Runs handler(); an exception is reported and `failed` returned instead.
template <class Handler>
LRESULT Guarded(HWND window, LRESULT failed, Handler&& handler) noexcept {
  try {
    return std::forward<Handler>(handler)();
  } catch (const std::exception& error) {
    ReportFailure(window, error.what());
  } catch (...) {
    ReportFailure(window, nullptr);
  }
  return failed;
}

// The procedure of a class whose every window belongs to one Owner object, passed as the
// creation parameter of CreateWindowExW. The owner's Handle(window, message, wparam, lparam)
// gets every message from WM_NCCREATE on; after WM_NCDESTROY its Detached() is called and the
// window is no longer its.
template <class Owner>
LRESULT CALLBACK OwnedWindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* owner = reinterpret_cast<Owner*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!owner) return DefWindowProcW(window, message, wparam, lparam);
  LRESULT result =
      Guarded(window, 0, [&] { return owner->Handle(window, message, wparam, lparam); });
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    owner->Detached();
  }
  return result;
}

}  // namespace win32
