// The window toolkit on Win32: the installer's window built from its stored layout, with drawn
// styled controls on a gradient panel and native windowed controls above them.
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
