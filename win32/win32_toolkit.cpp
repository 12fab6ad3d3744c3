// Placeholder until the window toolkit lands: enough to link the program.
#include "win32/win32_toolkit.h"

#include <windows.h>

#include <stdexcept>

#include "win32/raw_resource.h"
#include "win32/text.h"

namespace win32 {

struct Win32Toolkit::State {};

Win32Toolkit::Win32Toolkit() : state_(std::make_unique<State>()) {}
Win32Toolkit::~Win32Toolkit() = default;

void Win32Toolkit::Initialize(std::string_view) {}

std::optional<std::string> Win32Toolkit::StoredText(std::string_view name) {
  std::optional<std::string_view> bytes = FindRawResource(name);
  if (!bytes) return std::nullopt;
  return std::string(*bytes);
}

std::unique_ptr<ui::NativeWindow> Win32Toolkit::CreateMainWindow(const ui::WindowDescription&,
                                                                 ui::WindowEvents&) {
  throw std::runtime_error("窗口尚未实现");
}

void Win32Toolkit::Run() {}
void Win32Toolkit::Terminate() {}
void Win32Toolkit::ProcessMessages() {}
void Win32Toolkit::SetScreenCursor(ui::Cursor) {}

void Win32Toolkit::ShowMessage(const std::string& text) {
  MessageBoxW(nullptr, Wide(text).c_str(), L"安装向导", MB_OK);
}

}  // namespace win32
