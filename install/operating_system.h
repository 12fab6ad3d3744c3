// The operating-system operations the install sequence uses. Failures are raised as
// install::Failure, whose text (UTF-8, Chinese) is what the user is shown.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "install/folder_safety.h"

namespace install {

// Which file a path named when it was written: a file put in its place later differs.
struct FileIdentity {
  std::uint64_t volume = 0;
  std::uint64_t index = 0;
  bool operator==(const FileIdentity&) const = default;
};

// A raw-data resource of the program file, held open until destroyed.
class Resource {
 public:
  virtual ~Resource() = default;
  // The resource's whole content, valid while the resource is open.
  virtual std::string_view Bytes() const = 0;
};

// What a file holds, as read in one go.
struct FileDigest {
  std::uint64_t size = 0;
  std::uint32_t crc32 = 0;
};

class OperatingSystem {
 public:
  virtual ~OperatingSystem() = default;

  // Finds the resource by name, without regard to letter case; throws if there is none.
  virtual std::unique_ptr<Resource> OpenResource(std::string_view name) = 0;
  // Deletes an existing file at the path, creates a new one and writes all bytes, so that
  // nothing of a file that was there (owner, ACL, hard link) carries over; throws, naming the
  // path, if the file cannot be replaced, created or written. A write that fails part-way
  // removes the file first.
  virtual FileIdentity WriteFile(const std::string& path, std::string_view bytes) = 0;
  // Writes the lines as a script, as WriteFile does: each line ended by CR LF, no byte-order
  // mark.
  virtual FileIdentity SaveLines(const std::string& path,
                                 const std::vector<std::string>& lines) = 0;
  // Creates one folder level, protected as ProtectFolder leaves it; whether that worked is
  // found out by DirectoryExists.
  virtual void MakeDirectory(const std::string& path) = 0;
  // What the folder is, seen without following a reparse point.
  virtual FolderFacts InspectFolder(const std::string& path) = 0;
  // True for any entry at the path, a link or a folder included.
  virtual bool EntryExists(const std::string& path) = 0;
  // Makes the folder the administrators': owner Administrators, and a protected DACL giving
  // SYSTEM and Administrators full control and Users read and execute, inherited by everything
  // below. Throws for a reparse point or when the security cannot be set.
  virtual void ProtectFolder(const std::string& path) = 0;
  // Gives the folder back the security it inherits from its parent: explicit entries removed,
  // inheritance enabled, and so passed on below. Throws when that fails.
  virtual void RestoreFolderSecurity(const std::string& path) = 0;
  // True only for an existing directory (a missing drive or one without a medium: false).
  virtual bool DirectoryExists(const std::string& path) = 0;
  // True only for an existing entry that is not a directory.
  virtual bool FileExists(const std::string& path) = 0;
  // Opens the file with the shell's default action in a hidden window, without parameters or
  // working folder, and returns at once; the outcome is not reported.
  virtual void OpenHidden(const std::string& path) = 0;
  // The file's size; nothing for a missing entry, a directory or a link (junction, symbolic
  // link), which the extraction never creates.
  virtual std::optional<std::uint64_t> FileSize(const std::string& path) = 0;
  // Reads the whole file once, without following a link in its last step; nothing if it
  // cannot be opened or read (a directory, or held by another program, say).
  virtual std::optional<FileDigest> ReadDigest(const std::string& path) = 0;
  // True for a junction or symbolic link, to a folder or a file.
  virtual bool IsLink(const std::string& path) = 0;
  // Converts text in code page 936 (GBK), in which the archive program reads the payload's
  // entry names, to UTF-8; throws if the bytes are not valid there.
  virtual std::string DecodeGbk(std::string_view gbk) = 0;
  // Deletes the file, never through a reparse point, and with an identity only while the path
  // still names the file written with it; anything else is left alone, and a failure is
  // ignored.
  virtual void RemoveFile(const std::string& path, const std::optional<FileIdentity>& written) = 0;
  // Blocks the calling thread.
  virtual void Sleep(std::uint32_t milliseconds) = 0;
  // A monotonic clock in milliseconds, for bounding waits.
  virtual std::uint64_t Milliseconds() = 0;
};

}  // namespace install
