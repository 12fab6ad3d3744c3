#include "win32/window_procedure.h"

#include <string>

#include "win32/text.h"

namespace win32 {

void ReportFailure(HWND window, const char* text) noexcept {
  try {
    HWND owner = window ? GetAncestor(window, GA_ROOT) : nullptr;
    if (owner && !IsWindowVisible(owner)) owner = nullptr;
    std::wstring caption(256, L'\0');
    caption.resize(owner ? GetWindowTextW(owner, caption.data(), int(caption.size())) : 0);
    std::wstring message = text ? Wide(text) : L"程序内部错误。";
    MessageBoxW(owner, message.c_str(), caption.c_str(), MB_OK | MB_ICONERROR);
  } catch (...) {
    // Nothing is left to tell the user with; the message loop carries on.
  }
}

}  // namespace win32
