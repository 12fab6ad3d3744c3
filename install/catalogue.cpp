#include "install/catalogue.h"

#include "install/ascii.h"

namespace install {

std::string TargetFolder(const std::string& disk_root) { return disk_root + "duzozudiv\\"; }

std::string ExtractedFolder(const std::string& disk_root) {
  return TargetFolder(disk_root) + "duzozudiv\\";
}

std::string InstallResourceName(const std::string& disk_root) {
  return std::string(1, AsciiUpper(disk_root.empty() ? '\0' : disk_root.front())) + "INSTALL";
}

}  // namespace install
