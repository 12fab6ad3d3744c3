// The installer program: hardens the process, then runs the installer's one window on the
// Win32 toolkit and system; the process exits with the code the installer returns.
#include <windows.h>

#include <exception>
#include <optional>
#include <string>

#include "app/application.h"
#include "win32/hardening.h"
#include "win32/message_box.h"
#include "win32/win32_system.h"
#include "win32/win32_toolkit.h"

namespace {

// Shown without an owner: whatever fails here may have left no window to own it.
void ShowFailure(std::string_view text) { win32::ShowMessageBox(nullptr, text, MB_ICONERROR); }

int RunProgram() {
  if (std::optional<std::string> refusal = win32::HardenStartup()) {
    ShowFailure(*refusal);
    return 1;
  }
  win32::Win32Toolkit toolkit;
  win32::Win32System os;
  return app::RunInstaller(toolkit, os);
}

}  // namespace

// The outermost boundary: nothing may leave the program's entry as an exception.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  try {
    return RunProgram();
  } catch (const std::exception& error) {
    ShowFailure(error.what());
  } catch (...) {
    ShowFailure("安装程序遇到未知错误，已停止。");
  }
  return 1;
}
