// What the installer takes from its program file and where each piece goes on disk.
#pragma once

#include <string>

namespace install {

inline constexpr char kPayloadResource[] = "DUZOZUDIV";
inline constexpr char kArchiveLibraryResource[] = "7Z";
inline constexpr char kArchiveProgramResource[] = "7Zexe";

inline constexpr char kPayloadFile[] = "duzozudiv.7z";
inline constexpr char kArchiveLibraryFile[] = "7z.dll";
inline constexpr char kArchiveProgramFile[] = "7z.exe";
inline constexpr char kExtractionScriptFile[] = "un7zip_duzozudiv.bat";
inline constexpr char kSecondScriptFile[] = "un7zip_qelsystemii.bat";
inline constexpr char kRegisterScriptFile[] = "reg_dll.bat";
inline constexpr char kLauncherFile[] = "install.bat";
// Its appearance in the extracted folder tells that extraction has got that far.
inline constexpr char kSetupProbeFile[] = "zerarivur.exe";

// disk root + "duzozudiv\": the folder the installer creates and writes into.
std::string TargetFolder(const std::string& disk_root);
// target folder + "duzozudiv\": the top folder that extracting the payload creates.
std::string ExtractedFolder(const std::string& disk_root);
// The launcher line for the disk: its first letter upper-cased, then "INSTALL".
std::string InstallResourceName(const std::string& disk_root);

}  // namespace install
