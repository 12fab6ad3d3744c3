// The command scripts the installer composes. Their lines are ASCII: the disk root has been
// checked to be a drive letter, a colon and a backslash.
#pragma once

#include <string>
#include <vector>

namespace install {

// Switches to the target folder and extracts the payload there with the archive program.
std::vector<std::string> ExtractionScript(const std::string& disk_root);
// Switches to the extracted folder and ends.
std::vector<std::string> SecondScript(const std::string& disk_root);
// The bytes of a script file: every line, the last included, ended by CR LF; no byte-order mark.
std::string ScriptBytes(const std::vector<std::string>& lines);

}  // namespace install
