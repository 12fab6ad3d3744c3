// The controls that are native child windows of their panel, above its drawn controls: the
// focusable styled button, the drop-down box and the memo.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/toolkit.h"
#include "ui/window_description.h"
#include "win32/subclass.h"
#include "win32/window_context.h"

namespace win32 {

// What the panel paints under a control that paints itself: its background and drawn
// controls, rendered into the panel's back buffer, which is returned.
class Backdrop {
 public:
  virtual HDC Render() = 0;

 protected:
  ~Backdrop() = default;
};

// The window of a windowed control and the hooks on it; the window itself belongs to the
// panel it is a child of and goes with it. Each kind of control below is also its toolkit kind,
// whose operations are these.
class WindowedControl : private Subclass::Owner {
 public:
  WindowedControl(const ui::ControlDescription& description, WindowContext& context);
  WindowedControl(const WindowedControl&) = delete;
  WindowedControl& operator=(const WindowedControl&) = delete;
  virtual ~WindowedControl() = default;

  HWND hwnd() const { return window_; }
  const ui::ControlDescription& description() const { return description_; }

  bool Enabled() const;
  void SetEnabled(bool enabled);
  bool Visible() const;
  void SetVisible(bool visible);
  // The window's text as it is.
  std::string Caption() const;
  void SetCaption(const std::string& caption);

  // A notification (WM_COMMAND code) the control sent to its parent.
  virtual void Command(WORD) {}
  // WM_DRAWITEM, for a control that paints itself.
  virtual void DrawItem(const DRAWITEMSTRUCT&) {}

 protected:
  // Makes the control's window, in its bounds on the panel, with the window's font, and hooks
  // it.
  void Create(const wchar_t* window_class, DWORD style, DWORD ex_style, HWND panel, int id,
              int height);
  // Hooks another window the control is made of (the box's edit field and list).
  void Hook(HWND window) {
    hooks_.push_back(std::make_unique<Subclass>(window, static_cast<Subclass::Owner&>(*this)));
  }
  // Messages of the hooked windows, after the chosen screen cursor has had its say; nothing to
  // let the window handle them.
  virtual std::optional<LRESULT> Message(const Subclass&, UINT, WPARAM, LPARAM) {
    return std::nullopt;
  }
  WindowContext& context() const { return context_; }
  DWORD BaseStyle() const;

 private:
  std::optional<LRESULT> Hooked(const Subclass& hook, UINT message, WPARAM wparam,
                                LPARAM lparam) final;
  // Before the control is hidden or disabled: the keyboard focus moves on to the next control.
  void GiveUpFocus();

  const ui::ControlDescription& description_;
  WindowContext& context_;
  HWND window_ = nullptr;
  std::vector<std::unique_ptr<Subclass>> hooks_;
};

// A styled button that takes the keyboard focus: an owner-drawn button painted like the drawn
// ones over what lies below it; Space and Enter click it.
class FocusButton final : public ui::TBCButtonFocus, public WindowedControl {
 public:
  FocusButton(const ui::ControlDescription& description, WindowContext& context, HWND panel, int id,
              const ui::ButtonStyle& style, Backdrop& backdrop);
  bool Enabled() const override { return WindowedControl::Enabled(); }
  void SetEnabled(bool enabled) override { WindowedControl::SetEnabled(enabled); }
  bool Visible() const override { return WindowedControl::Visible(); }
  void SetVisible(bool visible) override { WindowedControl::SetVisible(visible); }
  std::string Caption() const override { return WindowedControl::Caption(); }
  void SetCaption(const std::string& caption) override { WindowedControl::SetCaption(caption); }
  void Command(WORD code) override;
  void DrawItem(const DRAWITEMSTRUCT& item) override;

 private:
  std::optional<LRESULT> Message(const Subclass& hook, UINT message, WPARAM wparam,
                                 LPARAM lparam) override;
  void Click();

  const ui::ButtonStyle& style_;
  Backdrop& backdrop_;
  bool hover_ = false;
};

// The drop-down box. Typed characters go through WindowEvents::KeyPress first; nothing else
// edits the text in place (paste, cut, delete, undo, composition are refused), so the box holds
// what the key filter lets through or an item chosen from the list.
class ComboBox final : public ui::TComboBox, public WindowedControl {
 public:
  ComboBox(const ui::ControlDescription& description, WindowContext& context, HWND panel, int id);
  bool Enabled() const override { return WindowedControl::Enabled(); }
  void SetEnabled(bool enabled) override { WindowedControl::SetEnabled(enabled); }
  bool Visible() const override { return WindowedControl::Visible(); }
  void SetVisible(bool visible) override { WindowedControl::SetVisible(visible); }
  std::string Caption() const override { return WindowedControl::Caption(); }
  void SetCaption(const std::string& caption) override { WindowedControl::SetCaption(caption); }
  std::string Text() const override { return WindowedControl::Caption(); }

 private:
  std::optional<LRESULT> Message(const Subclass& hook, UINT message, WPARAM wparam,
                                 LPARAM lparam) override;
  // The typing side of the edit field (or of the box itself, when it has none).
  std::optional<LRESULT> Typing(const Subclass& hook, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT Deliver(const Subclass& hook, UINT message, char32_t key, LPARAM lparam);
  void FitHeights();

  HWND field_ = nullptr;  // the edit field of an editable box
  wchar_t pending_high_surrogate_ = 0;
};

// A multi-line edit; its caption is its text, with LF line ends outside and CR LF inside.
class Memo final : public ui::TMemo, public WindowedControl {
 public:
  Memo(const ui::ControlDescription& description, WindowContext& context, HWND panel, int id);
  bool Enabled() const override { return WindowedControl::Enabled(); }
  void SetEnabled(bool enabled) override { WindowedControl::SetEnabled(enabled); }
  bool Visible() const override { return WindowedControl::Visible(); }
  void SetVisible(bool visible) override { WindowedControl::SetVisible(visible); }
  std::string Caption() const override;
  void SetCaption(const std::string& caption) override;

 private:
  std::optional<LRESULT> Message(const Subclass& hook, UINT message, WPARAM wparam,
                                 LPARAM lparam) override;
};

}  // namespace win32
