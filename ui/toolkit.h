// The window toolkit as the installer's logic sees it: an application object, a window built
// from a stored layout, and the few control operations the handlers use. The Windows layer and
// the recording toolkit of the tests implement it.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "ui/window_description.h"

namespace ui {

// Screen cursor codes of the toolkit; the choice applies over the whole window.
enum class Cursor : int { Default = 0, HourGlass = -11 };

class TComponent {
 public:
  virtual ~TComponent() = default;
};

// A visible control. A disabled control draws as disabled and ignores clicks; a hidden one is
// not drawn, takes no clicks and uncovers what lies under it; a new caption shows at the next
// paint.
class TControl : public TComponent {
 public:
  virtual bool Enabled() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
  virtual bool Visible() const = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual std::string Caption() const = 0;
  virtual void SetCaption(const std::string& caption) = 0;
};

// Each kind names the layout's kind of control it is built for, so that a form can check a
// component's kind against its field's.
class TBCButton : public TControl {
 public:
  static constexpr ControlKind kKind = ControlKind::TBCButton;
};
class TBCButtonFocus : public TControl {
 public:
  static constexpr ControlKind kKind = ControlKind::TBCButtonFocus;
};
class TBCPanel : public TControl {
 public:
  static constexpr ControlKind kKind = ControlKind::TBCPanel;
};
class TLabel : public TControl {
 public:
  static constexpr ControlKind kKind = ControlKind::TLabel;
};
class TMemo : public TControl {
 public:
  static constexpr ControlKind kKind = ControlKind::TMemo;
};

class TComboBox : public TControl {
 public:
  static constexpr ControlKind kKind = ControlKind::TComboBox;
  virtual std::string Text() const = 0;
};

class TTimer : public TComponent {
 public:
  static constexpr ControlKind kKind = ControlKind::TTimer;
  virtual bool Enabled() const = 0;
  // Setting true starts a fresh interval; setting false stops ticks at once.
  virtual void SetEnabled(bool enabled) = 0;
};

// A window the toolkit has built; owns its controls.
class NativeWindow {
 public:
  virtual ~NativeWindow() = default;
  // The component of that name, of the kind its description gives it; nullptr if the window
  // has none.
  virtual TComponent* Find(std::string_view name) = 0;
};

// What a built window reports back to the form that owns it. Every call arrives on the UI
// thread, one at a time. The toolkit is where the system calls in: what a handler throws
// comes back to it, and it shows the text to the user and carries on.
class WindowEvents {
 public:
  virtual ~WindowEvents() = default;
  // Runs once, as the last act of creation, with every control in place and before any timer
  // tick.
  virtual void Created(NativeWindow& window) = 0;
  // A click on a control, or a tick of a timer.
  virtual void Notify(const std::string& component, Event event) = 0;
  // A typed character; setting it to U+0000 discards the keystroke.
  virtual void KeyPress(const std::string& component, char32_t& key) = 0;
  // The close box was pressed; false keeps the window open.
  virtual bool CloseQuery() = 0;
};

class Toolkit {
 public:
  virtual ~Toolkit() = default;

  // Prepares the toolkit and sets the application icon from the named icon resource.
  virtual void Initialize(std::string_view icon_resource) = 0;
  // A text stored in the program file (a window layout, the agreement text), as UTF-8;
  // nothing when there is none of that name.
  virtual std::optional<std::string> StoredText(std::string_view name) = 0;
  // Builds the window and its controls as described and calls events.Created() last; what that
  // throws comes out of here. The first window built becomes the application's main window;
  // closing it, when events.CloseQuery() allows, terminates the application.
  virtual std::unique_ptr<NativeWindow> CreateMainWindow(const WindowDescription& description,
                                                         WindowEvents& events) = 0;
  // Delivers input, paint and timer events until Terminate; then returns.
  virtual void Run() = 0;
  // Asks the running event loop to end after the current event.
  virtual void Terminate() = 0;
  // Handles every event already queued and returns without waiting for new ones.
  virtual void ProcessMessages() = 0;
  virtual void SetScreenCursor(Cursor cursor) = 0;
  // A modal message box with one OK button; returns when it is dismissed.
  virtual void ShowMessage(const std::string& text) = 0;
};

}  // namespace ui
