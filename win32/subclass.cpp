#include "win32/subclass.h"

#include <commctrl.h>

#include "install/failure.h"
#include "win32/window_procedure.h"

namespace win32 {
namespace {

constexpr UINT_PTR kSubclassId = 1;

}  // namespace

Subclass::Subclass(HWND window, Owner& owner) : window_(window), owner_(owner) {
  if (!SetWindowSubclass(window_, &Procedure, kSubclassId, reinterpret_cast<DWORD_PTR>(this)))
    throw install::Failure("无法接管控件的消息");
}

Subclass::~Subclass() {
  if (window_) RemoveWindowSubclass(window_, &Procedure, kSubclassId);
}

LRESULT Subclass::Pass(UINT message, WPARAM wparam, LPARAM lparam) const {
  return DefSubclassProc(window_, message, wparam, lparam);
}

LRESULT CALLBACK Subclass::Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                     UINT_PTR, DWORD_PTR self) {
  auto* hook = reinterpret_cast<Subclass*>(self);
  if (message == WM_NCDESTROY) {
    // The window goes; the hook must be gone before it.
    RemoveWindowSubclass(window, &Procedure, kSubclassId);
    hook->window_ = nullptr;
    return DefSubclassProc(window, message, wparam, lparam);
  }
  return Guarded(window, 0, [&]() -> LRESULT {
    if (std::optional<LRESULT> answer = hook->owner_.Hooked(*hook, message, wparam, lparam))
      return *answer;
    return DefSubclassProc(window, message, wparam, lparam);
  });
}

}  // namespace win32
