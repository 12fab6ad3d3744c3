// The target folder held for one installation: looked at before anything is written into it,
// made the administrators' while the installer writes and runs what lies there, and given back
// the security it inherits from its disk when the installation ends.
#pragma once

#include <optional>
#include <string>

#include "install/folder_safety.h"
#include "install/operating_system.h"

namespace install {

class FolderTakeover {
 public:
  // Protects the folder when it is safe to use; otherwise returns the message saying why it is
  // refused. Throws when the folder cannot be protected.
  std::optional<std::string> TakeOver(OperatingSystem& os, const std::string& target,
                                      const std::string& extracted);
  // Gives a folder that TakeOver protected its inherited security back; throws when that fails.
  void GiveBack(OperatingSystem& os);

 private:
  std::optional<std::string> protected_;
};

}  // namespace install
