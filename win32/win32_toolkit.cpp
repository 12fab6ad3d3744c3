#include "win32/win32_toolkit.h"

#include <optional>

#include "install/failure.h"
#include "win32/common_controls.h"
#include "win32/cursor.h"
#include "win32/main_window.h"
#include "win32/message_box.h"
#include "win32/panel.h"
#include "win32/raw_resource.h"
#include "win32/text.h"
#include "win32/window_context.h"
#include "win32/window_handle.h"
#include "win32/window_procedure.h"

namespace win32 {
namespace {

constexpr wchar_t kWindowClass[] = L"InstallerWindow";
constexpr wchar_t kPanelClass[] = L"InstallerPanel";

HICON LoadIconOfSize(const std::wstring& name, int size_metric_x, int size_metric_y) {
  // Shared: the icon stays with the module and is never destroyed by us.
  return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), name.c_str(), IMAGE_ICON,
                                       GetSystemMetrics(size_metric_x),
                                       GetSystemMetrics(size_metric_y), LR_SHARED));
}

}  // namespace

struct Win32Toolkit::State {
  Application application;
  HICON icon = nullptr;
  HICON small_icon = nullptr;
  std::optional<WindowClass> window_class;
  std::optional<WindowClass> panel_class;
  bool terminated = false;

  void RegisterClasses() {
    if (window_class) return;
    WNDCLASSEXW window{};
    window.cbSize = sizeof(window);
    window.lpfnWndProc = &OwnedWindowProcedure<MainWindow>;
    window.hInstance = GetModuleHandleW(nullptr);
    window.hIcon = icon;
    window.hIconSm = small_icon;
    window.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window.lpszClassName = kWindowClass;
    window_class.emplace(window);

    // No CS_DBLCLKS: a quick second press on a drawn button is a second click.
    WNDCLASSEXW panel{};
    panel.cbSize = sizeof(panel);
    panel.lpfnWndProc = &OwnedWindowProcedure<Panel>;
    panel.hInstance = GetModuleHandleW(nullptr);
    panel.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    panel.lpszClassName = kPanelClass;
    panel_class.emplace(panel);
  }

  // Handles one message as the event loop does: dialog keys (Tab, Enter, Escape, arrows)
  // first, then the message itself.
  void Dispatch(MSG& message) {
    HWND main = application.main_window;
    if (main && IsDialogMessageW(main, &message)) return;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
};

Win32Toolkit::Win32Toolkit() : state_(std::make_unique<State>()) {}

Win32Toolkit::~Win32Toolkit() = default;

void Win32Toolkit::Initialize(std::string_view icon_resource) {
  PrepareCommonControls();
  const std::wstring name = Wide(icon_resource);
  state_->icon = LoadIconOfSize(name, SM_CXICON, SM_CYICON);
  state_->small_icon = LoadIconOfSize(name, SM_CXSMICON, SM_CYSMICON);
  state_->RegisterClasses();
}

std::optional<std::string> Win32Toolkit::StoredText(std::string_view name) {
  std::optional<std::string_view> bytes = FindRawResource(nullptr, name);
  if (!bytes) return std::nullopt;
  return std::string(*bytes);
}

std::unique_ptr<ui::NativeWindow> Win32Toolkit::CreateMainWindow(
    const ui::WindowDescription& description, ui::WindowEvents& events) {
  state_->RegisterClasses();
  auto window = std::make_unique<MainWindow>(
      description, events, state_->application,
      MainWindow::Classes{state_->window_class->name(), state_->panel_class->name()});
  events.Created(*window);
  // Only now: no tick may come before the creation handler has run.
  window->StartTimers();
  window->Show();
  return window;
}

void Win32Toolkit::Run() {
  MSG message{};
  while (!state_->terminated) {
    BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) break;  // WM_QUIT
    if (got == -1) throw install::Failure("消息循环出错");
    state_->Dispatch(message);
  }
}

void Win32Toolkit::Terminate() {
  state_->terminated = true;
  PostQuitMessage(0);
}

void Win32Toolkit::ProcessMessages() {
  MSG message{};
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // Left for the event loop, which ends on it.
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    state_->Dispatch(message);
  }
}

void Win32Toolkit::SetScreenCursor(ui::Cursor cursor) {
  state_->application.cursor = cursor;
  RefreshCursor(cursor);
}

void Win32Toolkit::ShowMessage(const std::string& text) {
  ShowMessageBox(state_->application.main_window, text, 0);
}

}  // namespace win32
