// The installation itself, run on the UI thread when Install is pressed.
//
// install/ holds the installation: the stored payload and where it goes, the generated scripts,
// the cleanup list, the install disk, the target folder's safety, the check of the extracted
// files and this sequence. It is the bottom layer and includes nothing of ui/, app/ or a
// platform layer: it reaches the window through InstallWindow (install_window.h) and the system
// through OperatingSystem (operating_system.h), which those layers implement.
#pragma once

#include <cstdint>

#include "install/install_window.h"
#include "install/operating_system.h"

namespace install {

// Waits longer than these mean the extraction has failed.
inline constexpr std::uint64_t kExtractedFolderTimeoutMs = 360'000;
inline constexpr int kSetupProbePolls = 360;
// Long sleeps are cut into slices this long, with pending events handled between them.
inline constexpr std::uint32_t kResponsiveSliceMs = 50;

// Writes the payload and the archive program into the target folder, runs the extraction,
// waits for it, checks every extracted file against the payload's catalogue, starts the installed
// application and deletes the temporary files. Whatever happens, the temporary files are deleted,
// Close is enabled and the cursor restored before any error is shown.
void InstallSystem(InstallWindow& window, OperatingSystem& os);

}  // namespace install
