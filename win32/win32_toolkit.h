// win32/ is the program on Windows: its entry point and start-up hardening, the toolkit below
// (the installer's window built from its stored layout, with drawn styled controls on a
// gradient panel and native windowed controls above them), the operating-system operations of
// the installation (Win32System) and the one way to tell the user something (a message box).
// It is the only code that includes windows.h, and the one layer that may depend on every
// other: win32/ -> app/ -> ui/ -> install/, never the other way.
#pragma once

#include <memory>

#include "ui/toolkit.h"

namespace win32 {

class Win32Toolkit : public ui::Toolkit {
 public:
  Win32Toolkit();
  ~Win32Toolkit() override;

  void Initialize(std::string_view icon_resource) override;
  std::optional<std::string> StoredText(std::string_view name) override;
  std::unique_ptr<ui::NativeWindow> CreateMainWindow(const ui::WindowDescription& description,
                                                     ui::WindowEvents& events) override;
  void Run() override;
  void Terminate() override;
  void ProcessMessages() override;
  void SetScreenCursor(ui::Cursor cursor) override;
  void ShowMessage(const std::string& text) override;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace win32
