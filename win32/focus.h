// Keyboard focus among the controls of a top-level window that is not a dialog box.
#pragma once

#include <windows.h>

namespace win32 {

// WM_NEXTDLGCTL, which edit fields send their parent on Tab and the dialog keys send the
// window: the focus goes to the given control, or to the next or previous tab stop.
void MoveFocus(HWND window, WPARAM wparam, LPARAM lparam);
// The first tab stop of the window, or the window itself when it has none.
void FocusFirstControl(HWND window);

}  // namespace win32
