#include "install/disk_selection.h"

#include "install/ascii.h"

namespace install {

std::string ResolveDiskRoot(InstallWindow& window) {
  std::string disk_root = window.GetDefaultDisk();
  const std::string box_text = window.DiskText();
  if (!box_text.empty()) {
    auto is_blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    std::size_t first = 0, last = box_text.size();
    while (first < last && is_blank(box_text[first])) ++first;
    while (last > first && is_blank(box_text[last - 1])) --last;
    disk_root = box_text.substr(first, last - first);
  }
  return disk_root;
}

bool IsValidDiskRoot(const std::string& disk_root) {
  if (disk_root.size() != 3) return false;
  const char letter = AsciiUpper(disk_root[0]);
  return letter >= 'A' && letter <= 'Z' && disk_root[1] == ':' && disk_root[2] == '\\';
}

}  // namespace install
