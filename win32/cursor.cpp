#include "win32/cursor.h"

namespace win32 {

std::optional<LRESULT> AnswerSetCursor(ui::Cursor chosen) {
  if (chosen != ui::Cursor::HourGlass) return std::nullopt;
  SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  return TRUE;
}

void RefreshCursor(ui::Cursor chosen) {
  POINT at{};
  if (!GetCursorPos(&at)) return;
  HWND under = WindowFromPoint(at);
  if (under && GetWindowThreadProcessId(under, nullptr) == GetCurrentThreadId()) {
    // The window under the pointer is ours: let it choose as if the pointer had moved.
    LRESULT hit = SendMessageW(under, WM_NCHITTEST, 0, MAKELPARAM(at.x, at.y));
    SendMessageW(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under),
                 MAKELPARAM(LOWORD(hit), WM_MOUSEMOVE));
  } else if (chosen == ui::Cursor::HourGlass) {
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  }
}

}  // namespace win32
