// The window as the installation sees it: the little it reads from the window and the few
// things it shows there. The window implements it; install/ knows nothing else of the window.
#pragma once

#include <string>

namespace install {

// Lets the window repaint and take clicks between long steps.
class EventPump {
 public:
  // Handles every event already queued and returns without waiting for new ones.
  virtual void ProcessMessages() = 0;

 protected:
  ~EventPump() = default;
};

class InstallWindow : public EventPump {
 public:
  // The disk box's text as the user left it; empty when nothing was chosen.
  virtual std::string DiskText() = 0;
  // The first present disk of "d:\" to "g:\", else "c:\".
  virtual std::string GetDefaultDisk() = 0;
  // Busy: the hourglass over the window and Close disabled, so that the program cannot end
  // half-way. Not busy: Close enabled and the default cursor.
  virtual void SetBusy(bool busy) = 0;
  // Uncovers the display on which the installation reports its progress.
  virtual void ShowProgress() = 0;
  virtual void ShowInstalled() = 0;
  // The two stops that show a message of the window's own; nothing has been written then.
  virtual void ShowInvalidDisk() = 0;
  virtual void ShowFolderFailed() = 0;
  // A modal message box with one OK button; returns when it is dismissed.
  virtual void ShowMessage(const std::string& text) = 0;

 protected:
  ~InstallWindow() = default;
};

}  // namespace install
