// The application's window as its description builds it: a top-level window with the
// described caption, frame and client size at the designed place, its panels and their
// controls in creation order, and its timers. Owns every control.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ui/toolkit.h"
#include "ui/window_description.h"
#include "win32/fonts.h"
#include "win32/panel.h"
#include "win32/timer.h"
#include "win32/window_context.h"
#include "win32/window_handle.h"

namespace win32 {

class MainWindow final : public ui::NativeWindow {
 public:
  // Window classes registered with OwnedWindowProcedure<MainWindow> and <Panel>.
  struct Classes {
    const wchar_t* window;
    const wchar_t* panel;
  };

  // Builds the window hidden, with every control; throws what fails.
  MainWindow(const ui::WindowDescription& description, ui::WindowEvents& events,
             Application& application, Classes classes);
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  ui::TComponent* Find(std::string_view name) override;

  HWND hwnd() const { return window_.get(); }
  // The timers described as running start now: the first tick one interval later.
  void StartTimers();
  // Shows the window, with the keyboard focus on the first control of the tab order.
  void Show();

  LRESULT Handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  void Detached() { window_.release(); }

 private:
  void Build(const wchar_t* panel_class);
  template <class Control, class... Arguments>
  Control& Own(const std::string& name, Arguments&&... arguments);
  Panel& PanelOf(const ui::ControlDescription& control);
  const ui::ButtonStyle& ButtonStyleOf(const ui::ControlDescription& control) const;
  const ui::PanelStyle& PanelStyleOf(const ui::ControlDescription& control) const;
  void RestoreFocus();

  ui::WindowDescription description_;
  ui::WindowEvents& events_;
  Application& application_;
  FontSet fonts_;
  WindowContext context_;
  ui::ButtonStyle unstyled_button_;
  ui::PanelStyle unstyled_panel_;

  struct Component {
    std::string name;
    std::unique_ptr<ui::TComponent> owned;
  };
  std::vector<Component> components_;  // a handful: found by looking through them
  std::vector<Panel*> panels_;
  std::vector<Timer*> timers_;
  HWND focus_ = nullptr;  // the control that had the focus when the window was deactivated

  // Last, so destroyed first: the windows go while every control they call on still exists.
  UniqueWindow window_;
};

}  // namespace win32
