#include "ui/main_window.h"

#include "install/install_sequence.h"

namespace ui {
namespace {

// Holds the flag raised for as long as the scope runs, however it is left.
class Raised {
 public:
  explicit Raised(bool& flag) : flag_(flag) { flag_ = true; }
  Raised(const Raised&) = delete;
  Raised& operator=(const Raised&) = delete;
  ~Raised() { flag_ = false; }

 private:
  bool& flag_;
};

}  // namespace

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

// Nothing can be typed into the disk box: it holds one of its items or nothing.
void TMain::edtDiskKeyPress(char32_t& key) { key = U'\0'; }

// "c:\" itself is never tested: it is what remains.
std::string TMain::GetDefaultDisk() {
  for (const char* disk : {"d:\\", "e:\\", "f:\\", "g:\\"})
    if (os_.DirectoryExists(disk)) return disk;
  return "c:\\";
}

void TMain::btnInstallClick() {
  if (installing_) return;
  const Raised installing(installing_);
  // Whatever escapes the installation's own error handling is still shown to the user.
  try {
    btnInstall->SetEnabled(false);
    Memo1->SetVisible(false);
    BCButton1->SetCaption(kInstallingText);
    toolkit().ProcessMessages();
    InstallSystem();
  } catch (const std::exception& error) {
    toolkit().ShowMessage(error.what());
  }
}

void TMain::InstallSystem() { install::InstallSystem(*this, os_); }

void TMain::ProcessMessages() { toolkit().ProcessMessages(); }

std::string TMain::DiskText() { return edtDisk->Text(); }

// The hourglass comes first and goes last, so that it covers the whole of the busy time.
void TMain::SetBusy(bool busy) {
  if (busy) toolkit().SetScreenCursor(Cursor::HourGlass);
  btnClose->SetEnabled(!busy);
  if (!busy) toolkit().SetScreenCursor(Cursor::Default);
}

void TMain::ShowProgress() { BCButton1->SetVisible(true); }

void TMain::ShowInstalled() { BCButton1->SetCaption(kInstalledText); }

void TMain::ShowInvalidDisk() { toolkit().ShowMessage(kInvalidDiskText); }

void TMain::ShowFolderFailed() { toolkit().ShowMessage(kFolderFailedText); }

void TMain::ShowMessage(const std::string& text) { toolkit().ShowMessage(text); }

}  // namespace ui
