// Whether a target folder found on disk may be used: the installer runs as administrator and
// executes what lies in that folder, so a folder that someone else could have prepared is
// refused. Decided from what was observed, so that the rule can be checked on its own.
#pragma once

#include <string>
#include <vector>

namespace install {

// Who owns a folder, as far as the decision cares.
enum class FolderOwner {
  kAdministrators,
  kSystem,
  kTrustedInstaller,
  kInstallingUser,  // the account running the installer
  kSomeoneElse,
  kUnknown,  // the volume keeps no owners (FAT32, exFAT)
};

// What the operating system reports about one folder, read without following a reparse point.
struct FolderFacts {
  bool exists = false;
  bool reparse_point = false;
  bool keeps_access_control = true;  // false on volumes without ACLs
  FolderOwner owner = FolderOwner::kUnknown;
};

// What was seen of the target folder before anything is written into it.
struct FolderObservation {
  FolderFacts target;
  FolderFacts extracted;
  std::vector<std::string> planted;  // entries of kPlantedEntries found in the target folder
};

// Entries that would run or be loaded in place of what the installer writes: the script runs
// the bare command "7z" in the target folder, where the command interpreter tries ".com" before
// ".exe", and 7-Zip loads plug-in DLLs from these folders beside its program.
inline constexpr const char* kPlantedEntries[] = {"7z.com", "Codecs", "Formats"};

struct FolderVerdict {
  bool safe = true;
  std::string reason;  // why not, in the user's words; empty when safe
  bool operator==(const FolderVerdict&) const = default;
};

FolderVerdict JudgeTargetFolder(const FolderObservation& seen);

// The message for a refused folder: which folder, why, and what the user can do.
std::string FolderRefusalText(const std::string& folder, const std::string& reason);

}  // namespace install
