// Who may change the target folder: what its security is, making it the administrators' for
// the installation, and giving it back the security its disk passes on.
#pragma once

#include <windows.h>

#include <string>

#include "install/folder_safety.h"
#include "win32/handle.h"

namespace win32 {

// Owner Administrators; a protected DACL giving SYSTEM and Administrators full control and
// Users read and execute, to the folder and everything below it.
class ProtectedFolderSecurity {
 public:
  ProtectedFolderSecurity();
  PSECURITY_DESCRIPTOR descriptor() const { return descriptor_.get(); }
  PSID owner() const;
  PACL dacl() const;

 private:
  LocalMemory descriptor_;
};

// Which of the owners the installer trusts the SID is.
install::FolderOwner OwnerKind(PSID owner);

// The folder itself, not what a reparse point there leads to: whether it is one, whether its
// volume keeps ACLs, and who owns it.
install::FolderFacts InspectFolder(const std::string& path);

// Applies ProtectedFolderSecurity through a handle to the folder itself; the system passes the
// entries on to what is below. Refuses a reparse point.
void ProtectFolder(const std::string& path);

// Removes the folder's explicit entries and lets it inherit from its parent again, passed on
// below.
void RestoreFolderSecurity(const std::string& path);

}  // namespace win32
