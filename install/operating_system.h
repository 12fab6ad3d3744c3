// The operating-system operations the install sequence uses. Failures are raised as
// std::runtime_error whose text (UTF-8, Chinese) is what the user is shown.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace install {

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
  // Creates the file or truncates an existing one and writes all bytes; throws if the file
  // cannot be created or written. A write that fails part-way removes the file first.
  virtual void WriteFile(const std::string& path, std::string_view bytes) = 0;
  // Writes the lines as a script: each line ended by CR LF, no byte-order mark.
  virtual void SaveLines(const std::string& path, const std::vector<std::string>& lines) = 0;
  // Creates one folder level; whether that worked is found out by DirectoryExists.
  virtual void MakeDirectory(const std::string& path) = 0;
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
  // Deletes the file; a failure is ignored.
  virtual void RemoveFile(const std::string& path) = 0;
  // Blocks the calling thread.
  virtual void Sleep(std::uint32_t milliseconds) = 0;
  // A monotonic clock in milliseconds, for bounding waits.
  virtual std::uint64_t Milliseconds() = 0;
};

}  // namespace install
