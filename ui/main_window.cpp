#include "ui/main_window.h"

#include "install/disk_selection.h"
#include "install/install_sequence.h"

namespace ui {

TMain::TMain(Toolkit& toolkit, install::OperatingSystem& os) : TForm(toolkit, "TMain"), os_(os) {
  RegisterField("BCButton1", BCButton1);
  RegisterField("btnInstall", btnInstall);
  RegisterField("btnClose", btnClose);
  RegisterField("BCPanel1", BCPanel1);
  RegisterField("btnAgree", btnAgree);
  RegisterField("edtDisk", edtDisk);
  RegisterField("Label1", Label1);
  RegisterField("Memo1", Memo1);
  RegisterField("Timer1", Timer1);
  RegisterHandler("FormCreate", [this] { FormCreate(); });
  RegisterHandler("Timer1Timer", [this] { Timer1Timer(); });
  RegisterHandler("btnAgreeClick", [this] { btnAgreeClick(); });
  RegisterHandler("btnCloseClick", [this] { btnCloseClick(); });
  RegisterHandler("btnInstallClick", [this] { btnInstallClick(); });
  RegisterKeyHandler("edtDiskKeyPress", [this](char32_t& key) { edtDiskKeyPress(key); });
  Build();
}

void TMain::btnCloseClick() {
  if (CanClose()) toolkit().Terminate();
}

void TMain::edtDiskKeyPress(char32_t& key) { install::DiscardTypedKey(key); }

std::string TMain::GetDefaultDisk() { return install::GetDefaultDisk(os_); }

void TMain::btnInstallClick() {
  if (installing_) return;
  installing_ = true;
  try {
    btnInstall->SetEnabled(false);
    Memo1->SetVisible(false);
    BCButton1->SetCaption(install::kInstallingText);
    toolkit().ProcessMessages();
    InstallSystem();
  } catch (const std::exception& error) {
    toolkit().ShowMessage(error.what());
  }
  installing_ = false;
}

void TMain::InstallSystem() {
  install::InstallSystem({*BCButton1, *btnInstall, *btnClose, *Memo1, *edtDisk}, toolkit(), os_);
}

}  // namespace ui
