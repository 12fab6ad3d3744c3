// An operating system in memory: drives, folders and files as maps, time on a virtual clock,
// and a stand-in for the extraction that reacts when the extraction script is opened.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "install/operating_system.h"
#include "tests/doubles/virtual_clock.h"

namespace doubles {

// What the stand-in extraction does once its script has been opened; nothing happens for a
// stage left empty.
struct Extraction {
  std::optional<std::uint64_t> folder_after_ms;  // the folder appears with kExtractedFiles
  std::optional<std::uint64_t> probe_after_ms;   // then "zerarivur.exe" in it
};

// What the stand-in extraction writes into the extracted folder (paths below it) besides
// "zerarivur.exe"; tests' payloads list the same files.
extern const std::map<std::string, std::string> kExtractedFiles;
// The content of "zerarivur.exe".
inline constexpr char kProbeContent[] = "MZ probe";

class MemorySystem : public install::OperatingSystem {
 public:
  explicit MemorySystem(VirtualClock& clock);

  // The machine: "d:" adds drive D with its root folder.
  void AddDrive(const std::string& drive, bool read_only = false);
  std::map<std::string, std::string> resources;  // upper-case name -> bytes
  std::set<std::string> directories;             // "d:\", "d:\duzozudiv\", ...
  std::map<std::string, std::string> files;
  std::set<std::string> read_only_drives;
  std::set<std::string> undeletable;  // files in use
  // Junctions and symbolic links (reparse points), folders ending in '\'.
  std::set<std::string> links;
  std::map<std::string, std::uint64_t> capacity;  // "d:" -> bytes its files may hold
  // Folders as InspectFolder reports them; a folder not listed here is an ordinary one of the
  // Administrators on a volume with ACLs.
  std::map<std::string, install::FolderFacts> folder_facts;
  std::set<std::string> protected_folders;  // as ProtectFolder left them
  std::function<void()> after_protect;      // someone acting before the protection takes hold
  bool protect_fails = false;
  bool restore_fails = false;
  // Puts another file in place of the one at the path, as someone else could.
  void Replace(const std::string& path, std::string bytes);
  Extraction extraction{1'500, 30'000};

  // What happened, in order: "mkdir P", "write P" (a complete write), "save P", "open P",
  // "read P" (the whole file), "delete P", "protect P", "restore P", "probe P" (a directory
  // test of a drive root), and "resource N" / "release N".
  std::vector<std::string> log;
  int open_resources = 0;
  std::vector<std::string> Logged(const std::string& verb) const;

  // install::OperatingSystem
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
  bool IsLink(const std::string& path) override { return links.contains(path); }
  std::string DecodeGbk(std::string_view gbk) override;
  void RemoveFile(const std::string& path,
                  const std::optional<install::FileIdentity>& written) override;
  void Sleep(std::uint32_t milliseconds) override { clock_.Advance(milliseconds); }
  std::uint64_t Milliseconds() override { return clock_.now(); }

 private:
  bool Writable(const std::string& path) const;
  bool Fits(const std::string& path, std::size_t size) const;
  void StartExtraction(const std::string& script);
  VirtualClock& clock_;
  std::map<std::string, install::FileIdentity> identities_;
  std::uint64_t next_index_ = 1;
};

}  // namespace doubles
