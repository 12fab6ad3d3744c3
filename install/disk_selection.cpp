#include "install/disk_selection.h"

namespace install {

std::string GetDefaultDisk(OperatingSystem& os) {
  for (const char* disk : {"d:\\", "e:\\", "f:\\", "g:\\"})
    if (os.DirectoryExists(disk)) return disk;
  return "c:\\";
}

std::string ResolveDiskRoot(OperatingSystem& os, const std::string& box_text) {
  std::string disk_root = GetDefaultDisk(os);
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
  char letter = disk_root[0];
  bool ascii_letter = (letter >= 'a' && letter <= 'z') || (letter >= 'A' && letter <= 'Z');
  return ascii_letter && disk_root[1] == ':' && disk_root[2] == '\\';
}

}  // namespace install
