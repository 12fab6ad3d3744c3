#include "install/cleanup_list.h"

namespace install {

void CleanupList::DeleteExisting(OperatingSystem& os) {
  for (const std::string& path : paths_)
    if (os.FileExists(path)) os.RemoveFile(path);
  paths_.clear();
}

}  // namespace install
