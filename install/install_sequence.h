// The installation itself, run on the UI thread when Install is pressed.
#pragma once

#include "install/extraction_check.h"
#include "install/operating_system.h"
#include "ui/toolkit.h"

namespace install {

// The few controls of the window the installation touches.
struct InstallControls {
  ui::TControl& display;  // large text showing progress
  ui::TControl& install_button;
  ui::TControl& close_button;
  ui::TControl& agreement;
  const ui::TComboBox& disk_box;
};

inline constexpr char kInstallingText[] = "正在安装系统，请稍候......";
inline constexpr char kInstalledText[] = "系统已安装完成";
inline constexpr char kFolderFailedText[] = "创建目录失败";
inline constexpr char kInvalidDiskText[] = "安装盘无效";

// Waits longer than these mean the extraction has failed.
inline constexpr std::uint64_t kExtractedFolderTimeoutMs = 360'000;
inline constexpr int kSetupProbePolls = 360;
// Long sleeps are cut into slices this long, with pending events handled between them.
inline constexpr std::uint32_t kResponsiveSliceMs = 50;

// Writes the payload and the archive program into the target folder, runs the extraction,
// waits for it, checks every extracted file against the payload's catalogue, starts the installed
// application and deletes the temporary files. Whatever happens, the temporary files are deleted,
// Close is enabled and the cursor restored before any error is shown.
void InstallSystem(const InstallControls& controls, ui::Toolkit& toolkit, OperatingSystem& os);

}  // namespace install
