// The temporary files of one installation, deleted in the order they were added.
#pragma once

#include <string>
#include <vector>

#include "install/operating_system.h"

namespace install {

class CleanupList {
 public:
  void Add(std::string path) { paths_.push_back(std::move(path)); }
  const std::vector<std::string>& paths() const { return paths_; }
  // Deletes every listed path that exists as a file, then empties the list. A file that cannot
  // be deleted (still in use, say) stays.
  void DeleteExisting(OperatingSystem& os);

 private:
  std::vector<std::string> paths_;
};

}  // namespace install
