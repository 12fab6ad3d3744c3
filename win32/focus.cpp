#include "win32/focus.h"

namespace win32 {

void MoveFocus(HWND window, WPARAM wparam, LPARAM lparam) {
  HWND root = GetAncestor(window, GA_ROOT);
  HWND target = LOWORD(lparam) ? reinterpret_cast<HWND>(wparam)
                               : GetNextDlgTabItem(root, GetFocus(), wparam != 0);
  if (target) SetFocus(target);
}

void FocusFirstControl(HWND window) {
  HWND first = GetNextDlgTabItem(window, nullptr, FALSE);
  SetFocus(first ? first : window);
}

}  // namespace win32
