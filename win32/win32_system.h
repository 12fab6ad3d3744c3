// The installer's operating-system operations on Win32. Paths are UTF-8 here and UTF-16 at
// each call; the resources are read in place from the mapped program image.
#pragma once

#include <windows.h>

#include <vector>

#include "install/operating_system.h"

namespace win32 {

class Win32System : public install::OperatingSystem {
 public:
  // Resources come from `resources`: the running program by default, or a module loaded as a
  // data file (tests read the built program that way).
  explicit Win32System(HMODULE resources = nullptr);

  std::unique_ptr<install::Resource> OpenResource(std::string_view name) override;
  install::FileIdentity WriteFile(const std::string& path, std::string_view bytes) override;
  install::FileIdentity SaveLines(const std::string& path,
                                  const std::vector<std::string>& lines) override;
  void MakeDirectory(const std::string& path) override;
  install::FolderFacts InspectFolder(const std::string& path) override;
  bool EntryExists(const std::string& path) override;
  void ProtectFolder(const std::string& path) override;
  void RestoreFolderSecurity(const std::string& path) override;
  bool DirectoryExists(const std::string& path) override;
  bool FileExists(const std::string& path) override;
  void OpenHidden(const std::string& path) override;
  std::optional<std::uint64_t> FileSize(const std::string& path) override;
  std::optional<install::FileDigest> ReadDigest(const std::string& path) override;
  bool IsLink(const std::string& path) override;
  std::string DecodeGbk(std::string_view gbk) override;
  void RemoveFile(const std::string& path,
                  const std::optional<install::FileIdentity>& written) override;
  void Sleep(std::uint32_t milliseconds) override;
  std::uint64_t Milliseconds() override;

 private:
  HMODULE resources_;
  std::vector<char> read_buffer_;  // kept between reads: the check reads thousands of files
};

}  // namespace win32
