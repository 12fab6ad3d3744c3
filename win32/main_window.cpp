#include "win32/main_window.h"

#include <algorithm>

#include "install/failure.h"
#include "win32/cursor.h"
#include "win32/drawn_controls.h"
#include "win32/focus.h"
#include "win32/text.h"
#include "win32/windowed_controls.h"

namespace win32 {
namespace {

// Child window ids start above the dialog keys' IDOK and IDCANCEL.
constexpr int kFirstControlId = 100;
constexpr UINT_PTR kFirstTimerId = 1;

DWORD WindowStyle(const ui::WindowDescription& window) {
  DWORD style = WS_CLIPCHILDREN;
  switch (window.border) {
    case ui::BorderStyle::None:
      return style | WS_POPUP;
    case ui::BorderStyle::Single:
      style |= WS_CAPTION;  // a single fixed frame, not resizable
      break;
    case ui::BorderStyle::Sizeable:
      style |= WS_CAPTION | WS_THICKFRAME;
      break;
  }
  if (window.system_menu) {
    style |= WS_SYSMENU;
    if (window.minimize_box) style |= WS_MINIMIZEBOX;
    if (window.maximize_box) style |= WS_MAXIMIZEBOX;
  }
  return style;
}

}  // namespace

MainWindow::MainWindow(const ui::WindowDescription& description, ui::WindowEvents& events,
                       Application& application, Classes classes)
    : description_(description),
      events_(events),
      application_(application),
      fonts_(description_.font),
      context_{description_, events_, fonts_, application_} {
  const DWORD style = WindowStyle(description_);
  RECT frame{0, 0, description_.client_width, description_.client_height};
  if (!AdjustWindowRectEx(&frame, style, FALSE, 0))
    throw install::Failure("无法计算窗口 " + description_.class_name + " 的大小");
  HWND window =
      CreateWindowExW(0, classes.window, Wide(description_.caption).c_str(), style,
                      description_.left, description_.top, frame.right - frame.left,
                      frame.bottom - frame.top, nullptr, nullptr, GetModuleHandleW(nullptr), this);
  if (!window) throw install::Failure("无法创建窗口 " + description_.class_name);
  window_.reset(window);
  if (!application_.main_window) application_.main_window = window;
  // What fails here leaves the window to window_, destroyed before the controls it calls on.
  Build(classes.panel);
}

ui::TComponent* MainWindow::Find(std::string_view name) {
  for (const Component& component : components_)
    if (component.name == name) return component.owned.get();
  return nullptr;
}

template <class Control, class... Arguments>
Control& MainWindow::Own(const std::string& name, Arguments&&... arguments) {
  if (Find(name)) throw install::Failure("窗口中有两个控件叫 " + name);
  auto control = std::make_unique<Control>(std::forward<Arguments>(arguments)...);
  Control& made = *control;
  components_.push_back({name, std::move(control)});
  return made;
}

void MainWindow::Build(const wchar_t* panel_class) {
  int id = kFirstControlId;
  UINT_PTR timer_id = kFirstTimerId;
  for (const ui::ControlDescription& control : description_.controls) {
    ++id;
    switch (control.kind) {
      case ui::ControlKind::TBCPanel: {
        Panel& panel = Own<Panel>(control.name, control, PanelStyleOf(control), context_, hwnd(),
                                  id, panel_class);
        panels_.push_back(&panel);
        break;
      }
      case ui::ControlKind::TTimer:
        timers_.push_back(&Own<Timer>(control.name, control.name, hwnd(), timer_id++,
                                      static_cast<UINT>(std::max(control.interval, 1)),
                                      control.enabled));
        break;
      case ui::ControlKind::TBCButton: {
        Panel& panel = PanelOf(control);
        panel.Add(Own<DrawnButton>(control.name, control, panel, ButtonStyleOf(control), fonts_));
        break;
      }
      case ui::ControlKind::TLabel: {
        Panel& panel = PanelOf(control);
        panel.Add(Own<DrawnLabel>(control.name, control, panel, fonts_, description_.font.color));
        break;
      }
      case ui::ControlKind::TBCButtonFocus: {
        Panel& panel = PanelOf(control);
        panel.Add(Own<FocusButton>(control.name, control, context_, panel.hwnd(), id,
                                   ButtonStyleOf(control), panel));
        break;
      }
      case ui::ControlKind::TComboBox: {
        Panel& panel = PanelOf(control);
        panel.Add(Own<ComboBox>(control.name, control, context_, panel.hwnd(), id));
        break;
      }
      case ui::ControlKind::TMemo: {
        Panel& panel = PanelOf(control);
        panel.Add(Own<Memo>(control.name, control, context_, panel.hwnd(), id));
        break;
      }
    }
  }
  for (Panel* panel : panels_) panel->ArrangeTabOrder();
}

Panel& MainWindow::PanelOf(const ui::ControlDescription& control) {
  for (Panel* panel : panels_)
    if (panel->description().name == control.parent) return *panel;
  throw install::Failure("控件 " + control.name + " 不在一个已建好的面板上");
}

const ui::ButtonStyle& MainWindow::ButtonStyleOf(const ui::ControlDescription& control) const {
  if (control.style.empty()) return unstyled_button_;
  auto found = description_.button_styles.find(control.style);
  if (found == description_.button_styles.end())
    throw install::Failure("控件 " + control.name + " 的按钮样式 " + control.style + " 不存在");
  return found->second;
}

const ui::PanelStyle& MainWindow::PanelStyleOf(const ui::ControlDescription& control) const {
  if (control.style.empty()) return unstyled_panel_;
  auto found = description_.panel_styles.find(control.style);
  if (found == description_.panel_styles.end())
    throw install::Failure("控件 " + control.name + " 的面板样式 " + control.style + " 不存在");
  return found->second;
}

void MainWindow::StartTimers() {
  for (Timer* timer : timers_) timer->Start();
}

void MainWindow::Show() {
  ShowWindow(hwnd(), SW_SHOWNORMAL);
  UpdateWindow(hwnd());
  if (GetActiveWindow() == hwnd() && !IsChild(hwnd(), GetFocus())) RestoreFocus();
}

void MainWindow::RestoreFocus() {
  if (focus_ && IsWindow(focus_) && IsChild(hwnd(), focus_) && IsWindowVisible(focus_) &&
      IsWindowEnabled(focus_))
    SetFocus(focus_);
  else
    FocusFirstControl(hwnd());
}

LRESULT MainWindow::Handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CLOSE:
      if (events_.CloseQuery()) {
        DestroyWindow(window);
        PostQuitMessage(0);
      }
      return 0;
    case WM_TIMER:
      for (Timer* timer : timers_)
        if (timer->id() == wparam) {
          // A tick already queued when the timer was stopped is not delivered.
          if (timer->Enabled()) events_.Notify(timer->name(), ui::Event::Timer);
          return 0;
        }
      break;
    case WM_SETCURSOR:
      if (std::optional<LRESULT> answer = AnswerSetCursor(application_.cursor)) return *answer;
      break;
    case WM_ACTIVATE:
      // As a dialog box does: the focus leaves with the window and comes back with it.
      if (LOWORD(wparam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(window, focus)) focus_ = focus;
      } else if (!HIWORD(wparam)) {
        RestoreFocus();
      }
      return 0;
    case WM_SETFOCUS:
      RestoreFocus();
      return 0;
    case WM_NEXTDLGCTL:
      MoveFocus(window, wparam, lparam);
      return 0;
    case WM_COMMAND:
      // Enter and Escape come as IDOK and IDCANCEL: the window has no default buttons.
      return 0;
    case WM_NCDESTROY:
      if (application_.main_window == window) application_.main_window = nullptr;
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace win32
