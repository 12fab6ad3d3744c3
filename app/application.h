// Start-up and shutdown of the installer, the same on every toolkit.
//
// app/ is the top of the portable layers: it creates the window of ui/ and runs the toolkit's
// event loop. It may include ui/ and install/; only a platform layer (win32/) includes app/.
#pragma once

#include "install/operating_system.h"
#include "ui/toolkit.h"

namespace app {

// Initialises the toolkit with the icon MAINICON, creates the one main window Main of class
// TMain, runs the event loop until Close or the close box ends it, and returns the process's
// exit code, 0. A failure to create the window is shown to the user and ends with 1.
int RunInstaller(ui::Toolkit& toolkit, install::OperatingSystem& os);

}  // namespace app
