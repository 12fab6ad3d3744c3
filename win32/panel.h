// The styled panel: a child window that paints its gradient background and its drawn controls
// in creation order, double-buffered, routes the mouse to the topmost drawn control under it,
// and is the parent of its windowed controls.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "ui/toolkit.h"
#include "ui/window_description.h"
#include "win32/drawn_controls.h"
#include "win32/gdi.h"
#include "win32/window_context.h"
#include "win32/windowed_controls.h"

namespace win32 {

class Panel final : public ui::TBCPanel, public DrawnHost, public Backdrop {
 public:
  // Makes the panel's window (of the given class, whose procedure is
  // OwnedWindowProcedure<Panel>) in the parent, and renders its background once.
  Panel(const ui::ControlDescription& description, const ui::PanelStyle& style,
        WindowContext& context, HWND parent, int id, const wchar_t* window_class);
  Panel(const Panel&) = delete;
  Panel& operator=(const Panel&) = delete;

  HWND hwnd() const { return window_; }
  const ui::ControlDescription& description() const { return description_; }
  // The controls on the panel, each added in creation order.
  void Add(DrawnControl& control) { drawn_.push_back(&control); }
  void Add(WindowedControl& control) { windowed_.push_back(&control); }
  // Orders the windowed controls for Tab by their tab order (creation order where none is
  // given). The system's tab order is the z-order, so that order is also the stacking order
  // among them.
  void ArrangeTabOrder();

  bool Enabled() const override;
  void SetEnabled(bool enabled) override;
  bool Visible() const override;
  void SetVisible(bool visible) override;
  std::string Caption() const override { return caption_; }
  void SetCaption(const std::string& caption) override;

  void Changed(const DrawnControl& control) override;
  HDC Render() override;

  LRESULT Handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  void Detached() { window_ = nullptr; }

 private:
  const DrawnControl* DrawnAt(int x, int y) const;
  const DrawnControl* FindDrawn(const std::string& name) const;
  const WindowedControl* FindWindowed(const std::string& name) const;
  Look LookOf(const DrawnControl& control) const;
  void Invalidate(const DrawnControl* control);
  void Paint();
  void PointerAt(int x, int y);
  void Press(int x, int y);
  void Release(int x, int y);
  void SetHover(const DrawnControl* control);
  // After a change: the control under the pointer now, as if the pointer had moved.
  void RefreshHover();

  const ui::ControlDescription& description_;
  const ui::PanelStyle& style_;
  WindowContext& context_;
  std::string caption_;
  std::wstring wide_caption_;
  int width_;
  int height_;

  // The background, rendered once, and the back buffer each paint is composed in.
  MemoryDc background_dc_;
  Bitmap background_;
  std::optional<Selection> background_selected_;
  MemoryDc canvas_dc_;
  Bitmap canvas_;
  std::optional<Selection> canvas_selected_;

  std::vector<DrawnControl*> drawn_;
  std::vector<WindowedControl*> windowed_;
  const DrawnControl* hover_ = nullptr;    // under the pointer while nothing is held
  const DrawnControl* pressed_ = nullptr;  // held down by the left button
  bool pressed_inside_ = false;            // ... with the pointer still on it
  bool tracking_ = false;                  // WM_MOUSELEAVE is asked for

  HWND window_ = nullptr;
};

}  // namespace win32
