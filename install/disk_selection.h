// The install disk: chosen in the box, or the first present of D: to G:, or C:.
#pragma once

#include <string>

#include "install/operating_system.h"

namespace install {

// The first of "d:\" .. "g:\" that is an existing directory, else "c:\" (never tested).
std::string GetDefaultDisk(OperatingSystem& os);
// The probe always runs; a non-empty box text, trimmed of characters of code 32 or less, wins.
std::string ResolveDiskRoot(OperatingSystem& os, const std::string& box_text);
// Exactly one ASCII letter, a colon and a backslash. The root is composed into command scripts,
// so nothing else may pass.
bool IsValidDiskRoot(const std::string& disk_root);
// Nothing can be typed into the disk box: every typed character is discarded.
inline void DiscardTypedKey(char32_t& key) { key = U'\0'; }

}  // namespace install
