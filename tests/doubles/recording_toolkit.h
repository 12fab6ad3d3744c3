// A toolkit without a screen: it builds the window's controls from the description, records
// what the logic does to them, and lets a test act as the user (clicks at a control's place,
// timer ticks, typing, the close box).
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tests/doubles/virtual_clock.h"
#include "ui/toolkit.h"

namespace doubles {

struct ControlState {
  bool enabled = true;
  bool visible = true;
  std::string caption;
  std::string text;  // drop-down box
};

class RecordingToolkit : public ui::Toolkit {
 public:
  // The stored texts start as the project's own layout and agreement text.
  explicit RecordingToolkit(VirtualClock* clock = nullptr);

  // What the program file holds, by resource name.
  std::map<std::string, std::string> stored_texts;

  // What the logic did.
  std::string icon;
  std::vector<std::string> messages;
  ui::Cursor cursor = ui::Cursor::Default;
  bool terminated = false;
  std::vector<std::uint64_t> pumps;  // virtual moments of each ProcessMessages
  int windows_created = 0;

  // Called inside ProcessMessages, and when a message box is shown: the user acting meanwhile.
  std::function<void()> during_pump;
  std::function<void(const std::string&)> on_message;
  // The events the user causes while Run() waits; Run ends when they end or on Terminate.
  std::deque<std::function<void()>> user;

  // The user's side.
  const ui::WindowDescription& window() const { return *description_; }
  ControlState& state(const std::string& name);
  bool TimerRunning() const;
  // Clicks the middle of the named control: the event goes to whatever lies on top there, if
  // it is enabled. Returns the name of the control that took the click, or "".
  std::string Click(const std::string& name);
  // Delivers one timer tick if the timer runs; returns whether it did.
  bool Tick();
  // Types a character into the named control; returns what reached it after the key filter.
  char32_t Type(const std::string& name, char32_t key);
  void Choose(const std::string& box, const std::string& item);
  // The close box: returns whether the window closed (and the application ended).
  bool PressCloseBox();

  // ui::Toolkit
  void Initialize(std::string_view icon_resource) override;
  std::optional<std::string> StoredText(std::string_view name) override;
  std::unique_ptr<ui::NativeWindow> CreateMainWindow(const ui::WindowDescription& description,
                                                     ui::WindowEvents& events) override;
  void Run() override;
  void Terminate() override { terminated = true; }
  void ProcessMessages() override;
  void SetScreenCursor(ui::Cursor value) override { cursor = value; }
  void ShowMessage(const std::string& text) override;

 private:
  class Window;
  VirtualClock* clock_;
  std::unique_ptr<ui::WindowDescription> description_;
  ui::WindowEvents* events_ = nullptr;
  Window* window_ = nullptr;
  bool in_pump_ = false;
};

}  // namespace doubles
