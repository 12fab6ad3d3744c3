// How the program tells the user something: a modal message box with one OK button.
#pragma once

#include <windows.h>

#include <string_view>

namespace win32 {

// Every box carries the application's title, "安装向导", which is also the main window's
// caption: before the window exists, while it is up and after it is gone alike. `owner` (may be
// null) is disabled while the box is up; `icon` is an MB_ICON* flag or 0.
void ShowMessageBox(HWND owner, std::string_view text, UINT icon);

}  // namespace win32
