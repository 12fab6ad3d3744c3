// What the windows and controls of the toolkit share: the application's main window and cursor,
// and, within one window, its description, its events and its fonts.
#pragma once

#include <windows.h>

#include "ui/toolkit.h"
#include "ui/window_description.h"
#include "win32/fonts.h"

namespace win32 {

struct Application {
  HWND main_window = nullptr;
  ui::Cursor cursor = ui::Cursor::Default;
};

struct WindowContext {
  const ui::WindowDescription& description;
  ui::WindowEvents& events;
  FontSet& fonts;
  Application& application;
};

}  // namespace win32
