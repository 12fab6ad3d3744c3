#include "install/catalogue.h"

namespace install {

std::string TargetFolder(const std::string& disk_root) { return disk_root + "duzozudiv\\"; }

std::string ExtractedFolder(const std::string& disk_root) {
  return TargetFolder(disk_root) + "duzozudiv\\";
}

std::string InstallResourceName(const std::string& disk_root) {
  char letter = disk_root.empty() ? '\0' : disk_root.front();
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
  return std::string(1, letter) + "INSTALL";
}

}  // namespace install
