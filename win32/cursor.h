// The screen cursor the application chose, over every one of its windows.
#pragma once

#include <windows.h>

#include <optional>

#include "ui/toolkit.h"

namespace win32 {

// The answer to WM_SETCURSOR while the hourglass is chosen (it is shown); nothing for the
// default, when each window shows its own (an edit field its I-beam).
std::optional<LRESULT> AnswerSetCursor(ui::Cursor chosen);
// Shows the chosen cursor at once, without waiting for the pointer to move.
void RefreshCursor(ui::Cursor chosen);

}  // namespace win32
