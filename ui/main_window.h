// TMain, the installer's only window: the agreement behind a countdown, the disk box, Install
// and Close, and a large display for instructions and progress.
#pragma once

#include <cstdint>
#include <string>

#include "install/operating_system.h"
#include "ui/form.h"

namespace ui {

class TMain : public TForm {
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
  std::string GetDefaultDisk();
  void InstallSystem();
  // Neither the close box nor Close may end the program while an installation runs.
  bool CanClose() override { return !installing_; }

  install::OperatingSystem& os_;
  bool installing_ = false;
};

}  // namespace ui
