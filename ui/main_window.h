// TMain, the installer's only window: the agreement behind a countdown, the disk box, Install
// and Close, and a large display for instructions and progress.
//
// ui/ holds the window: its base TForm built from the stored layout, the layout's parser, the
// handlers, the texts it shows, and the toolkit interface (toolkit.h) that a platform layer
// implements. It depends on install/ only (the installation it starts and the interfaces
// through which the installation reaches the window and the system), never on app/ or on a
// platform layer.
#pragma once

#include <cstdint>
#include <string>

#include "install/install_window.h"
#include "install/operating_system.h"
#include "ui/form.h"

namespace ui {

// The display's texts while and after installing, and the messages of the installation's own
// stops.
inline constexpr char kInstallingText[] = "正在安装系统，请稍候......";
inline constexpr char kInstalledText[] = "系统已安装完成";
inline constexpr char kFolderFailedText[] = "创建目录失败";
inline constexpr char kInvalidDiskText[] = "安装盘无效";

class TMain : public TForm, public install::InstallWindow {
 public:
  TMain(Toolkit& toolkit, install::OperatingSystem& os);

  TBCButton* BCButton1 = nullptr;
  TBCButton* btnInstall = nullptr;
  TBCButtonFocus* btnClose = nullptr;
  TBCPanel* BCPanel1 = nullptr;
  TBCButton* btnAgree = nullptr;
  TComboBox* edtDisk = nullptr;
  TLabel* Label1 = nullptr;
  TMemo* Memo1 = nullptr;
  TTimer* Timer1 = nullptr;
  std::int32_t TickCount = 0;
  std::int32_t Countdown = 0;

  void FormCreate();
  void Timer1Timer();
  void btnAgreeClick();
  void btnCloseClick();
  void edtDiskKeyPress(char32_t& key);
  void btnInstallClick();

 private:
  std::string GetDefaultDisk() override;
  void InstallSystem();
  // Neither the close box nor Close may end the program while an installation runs.
  bool CanClose() override { return !installing_; }

  // install::InstallWindow
  void ProcessMessages() override;
  std::string DiskText() override;
  void SetBusy(bool busy) override;
  void ShowProgress() override;
  void ShowInstalled() override;
  void ShowInvalidDisk() override;
  void ShowFolderFailed() override;
  void ShowMessage(const std::string& text) override;

  install::OperatingSystem& os_;
  bool installing_ = false;
};

}  // namespace ui
