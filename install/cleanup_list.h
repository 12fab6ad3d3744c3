// The temporary files of one installation, deleted in the order they were added.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "install/operating_system.h"

namespace install {

class CleanupList {
 public:
  // A file the installer wrote, deleted only while the path still names that file.
  void Add(std::string path, const FileIdentity& written) {
    entries_.push_back({std::move(path), written});
  }
  // A file the installer did not write itself: deleted when it is a plain file.
  void Add(std::string path) { entries_.push_back({std::move(path), std::nullopt}); }
  // Deletes every listed path that exists as a file, then empties the list. A file that cannot
  // be deleted (still in use, say), or that is no longer the one written, stays.
  void DeleteExisting(OperatingSystem& os);

 private:
  struct Entry {
    std::string path;
    std::optional<FileIdentity> written;
  };
  std::vector<Entry> entries_;
};

}  // namespace install
