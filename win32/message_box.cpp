#include "win32/message_box.h"

#include "win32/text.h"

namespace win32 {

void ShowMessageBox(HWND owner, std::string_view text, UINT icon) {
  // A failed message box has nobody left to tell; the caller goes on as after OK.
  MessageBoxW(owner, Wide(text).c_str(), L"安装向导", MB_OK | icon);
}

}  // namespace win32
