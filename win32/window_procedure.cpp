#include "win32/window_procedure.h"

#include "win32/message_box.h"

namespace win32 {

void ReportFailure(HWND window, const char* text) noexcept {
  try {
    HWND owner = window ? GetAncestor(window, GA_ROOT) : nullptr;
    if (owner && !IsWindowVisible(owner)) owner = nullptr;
    ShowMessageBox(owner, text ? text : "程序内部错误。", MB_ICONERROR);
  } catch (...) {
    // Nothing is left to tell the user with; the message loop carries on.
  }
}

}  // namespace win32
