#include "install/scripts.h"

#include "install/catalogue.h"

namespace install {

std::vector<std::string> ExtractionScript(const std::string& disk_root) {
  const std::string target = TargetFolder(disk_root);
  // Two spaces before the archive name, none between -o and the folder: the archive program
  // takes the line as it stands.
  return {disk_root.substr(0, 2), "cd " + target, "7z x -tzip -y -p862  duzozudiv.7z -o" + target};
}

std::vector<std::string> SecondScript(const std::string& disk_root) {
  return {disk_root.substr(0, 2), "cd " + ExtractedFolder(disk_root)};
}

std::string ScriptBytes(const std::vector<std::string>& lines) {
  std::string bytes;
  for (const std::string& line : lines) bytes += line + "\r\n";
  return bytes;
}

}  // namespace install
