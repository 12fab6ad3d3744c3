#include "install/cleanup_list.h"

namespace install {

void CleanupList::DeleteExisting(OperatingSystem& os) {
  for (const Entry& entry : entries_)
    if (os.FileExists(entry.path)) os.RemoveFile(entry.path, entry.written);
  entries_.clear();
}

}  // namespace install
