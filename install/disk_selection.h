// The install disk: chosen in the box, or the window's default, the first present of D: to G:,
// or C:.
#pragma once

#include <string>

#include "install/install_window.h"

namespace install {

// The default disk is always probed; a non-empty box text, trimmed of characters of code 32 or
// less, wins.
std::string ResolveDiskRoot(InstallWindow& window);
// Exactly one ASCII letter, a colon and a backslash. The root is composed into command scripts,
// so nothing else may pass.
bool IsValidDiskRoot(const std::string& disk_root);

}  // namespace install
