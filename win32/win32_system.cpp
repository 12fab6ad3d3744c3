#include "win32/win32_system.h"

#include <shellapi.h>

#include <algorithm>

#include "install/crc32.h"
#include "install/failure.h"
#include "install/scripts.h"
#include "win32/folder_security.h"
#include "win32/handle.h"
#include "win32/raw_resource.h"
#include "win32/system_error.h"
#include "win32/text.h"

namespace win32 {
namespace {

// One WriteFile call takes at most this much; larger contents go in several. Measured with the
// 37.9 MB payload under Wine: a single write from the mapped image ran at a third of a plain
// file copy's speed, pieces of a mebibyte faster than the copy.
constexpr std::size_t kLargestWrite = std::size_t{1} << 20;

// A resource stays mapped with its module, so there is nothing to give back.
class MappedResource : public install::Resource {
 public:
  explicit MappedResource(std::string_view bytes) : bytes_(bytes) {}
  std::string_view Bytes() const override { return bytes_; }

 private:
  std::string_view bytes_;
};

// Reads go in pieces this large, into one buffer kept for all files.
constexpr DWORD kReadPiece = 256 * 1024;

// The file being written, removed again unless the write completes: a full disk must not leave
// a truncated copy of the payload behind.
class PartialFile {
 public:
  PartialFile(FileHandle& file, const std::string& path) : file_(file), path_(path) {}
  ~PartialFile() {
    if (complete_) return;
    file_.reset();  // an open file cannot be deleted
    DeleteFileW(Wide(path_).c_str());
  }
  PartialFile(const PartialFile&) = delete;
  PartialFile& operator=(const PartialFile&) = delete;
  void Complete() { complete_ = true; }

 private:
  FileHandle& file_;
  const std::string& path_;
  bool complete_ = false;
};

[[noreturn]] void ThrowWriteError(const std::string& path, DWORD code) {
  throw SystemError("无法写入文件 " + Quoted(path), code);
}

DWORD Attributes(const std::string& path) { return GetFileAttributesW(Wide(path).c_str()); }

// Which file an open handle refers to; zero when the system cannot say.
install::FileIdentity IdentityOf(HANDLE file, BY_HANDLE_FILE_INFORMATION& information) {
  if (!GetFileInformationByHandle(file, &information)) return {};
  return {information.dwVolumeSerialNumber,
          (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow};
}

}  // namespace

Win32System::Win32System(HMODULE resources) : resources_(resources) {}

std::unique_ptr<install::Resource> Win32System::OpenResource(std::string_view name) {
  std::optional<std::string_view> bytes = FindRawResource(resources_, name);
  if (!bytes) throw install::Failure("找不到资源 " + Quoted(std::string(name)));
  return std::make_unique<MappedResource>(*bytes);
}

install::FileIdentity Win32System::WriteFile(const std::string& path, std::string_view bytes) {
  // Overwriting would keep the old file's owner and ACL, and write through a hard link into
  // whatever file it shares: the old entry goes, and the new file is created where it was.
  if (!DeleteFileW(Wide(path).c_str())) {
    const DWORD code = GetLastError();
    if (code != ERROR_FILE_NOT_FOUND && code != ERROR_PATH_NOT_FOUND)
      throw SystemError("无法创建文件 " + Quoted(path), code);
  }
  FileHandle file(CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    const DWORD code = GetLastError();
    throw SystemError("无法创建文件 " + Quoted(path), code);
  }
  PartialFile partial(file, path);
  while (!bytes.empty()) {
    DWORD written = 0;
    const auto piece = static_cast<DWORD>(std::min(bytes.size(), kLargestWrite));
    if (!::WriteFile(file.get(), bytes.data(), piece, &written, nullptr))
      ThrowWriteError(path, GetLastError());
    // A write that succeeds without taking anything would never finish.
    if (written == 0) ThrowWriteError(path, ERROR_WRITE_FAULT);
    bytes.remove_prefix(written);
  }
  BY_HANDLE_FILE_INFORMATION information;
  const install::FileIdentity identity = IdentityOf(file.get(), information);
  // Closing can be where a deferred write fails.
  if (!CloseHandle(file.release())) ThrowWriteError(path, GetLastError());
  partial.Complete();
  return identity;
}

install::FileIdentity Win32System::SaveLines(const std::string& path,
                                             const std::vector<std::string>& lines) {
  return WriteFile(path, install::ScriptBytes(lines));
}

void Win32System::MakeDirectory(const std::string& path) {
  const ProtectedFolderSecurity security;
  SECURITY_ATTRIBUTES attributes{sizeof attributes, security.descriptor(), FALSE};
  // The caller checks the outcome with DirectoryExists: the folder may already be there.
  CreateDirectoryW(Wide(path).c_str(), &attributes);
}

install::FolderFacts Win32System::InspectFolder(const std::string& path) {
  return win32::InspectFolder(path);
}

bool Win32System::EntryExists(const std::string& path) {
  // Attributes are those of a link itself, so a dangling one counts too.
  return Attributes(path) != INVALID_FILE_ATTRIBUTES;
}

void Win32System::ProtectFolder(const std::string& path) { win32::ProtectFolder(path); }

void Win32System::RestoreFolderSecurity(const std::string& path) {
  win32::RestoreFolderSecurity(path);
}

bool Win32System::DirectoryExists(const std::string& path) {
  const DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32System::FileExists(const std::string& path) {
  const DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void Win32System::OpenHidden(const std::string& path) {
  // Whether anything started shows later, in the files the started program leaves.
  ShellExecuteW(nullptr, nullptr, Wide(path).c_str(), nullptr, nullptr, SW_HIDE);
}

std::optional<std::uint64_t> Win32System::FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  if (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))
    return std::nullopt;
  return std::uint64_t{data.nFileSizeHigh} << 32 | data.nFileSizeLow;
}

std::optional<install::FileDigest> Win32System::ReadDigest(const std::string& path) {
  // A link in the last step is opened as itself, so its target is never read; a folder does
  // not open without backup semantics. Nothing else is asked of the file: each question costs
  // as much as reading a small file.
  FileHandle file(CreateFileW(
      Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return std::nullopt;
  read_buffer_.resize(kReadPiece);
  install::FileDigest digest;
  while (true) {
    DWORD read = 0;
    if (!::ReadFile(file.get(), read_buffer_.data(), kReadPiece, &read, nullptr))
      return std::nullopt;
    if (read == 0) return digest;
    digest.size += read;
    digest.crc32 = install::Crc32(std::string_view(read_buffer_.data(), read), digest.crc32);
  }
}

bool Win32System::IsLink(const std::string& path) {
  const DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

std::string Win32System::DecodeGbk(std::string_view gbk) {
  // Code page 936 whatever the system's own: the names are GBK wherever the payload goes.
  if (gbk.empty()) return {};
  const int length = static_cast<int>(gbk.size());
  const int size = MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, gbk.data(), length, nullptr, 0);
  if (size <= 0) throw SystemError("无法转换 GBK 文本", GetLastError());
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, gbk.data(), length, wide.data(), size);
  return Utf8(wide);
}

void Win32System::RemoveFile(const std::string& path,
                             const std::optional<install::FileIdentity>& written) {
  // Checked and deleted through one handle to the entry itself, so that what is deleted is
  // what was checked. A file that cannot go (in use, already gone) is left as it is.
  FileHandle file(CreateFileW(Wide(path).c_str(), DELETE | FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file) return;
  BY_HANDLE_FILE_INFORMATION information;
  const install::FileIdentity identity = IdentityOf(file.get(), information);
  if (identity == install::FileIdentity{}) return;
  if (information.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY))
    return;
  if (written && identity != *written) return;
  FILE_DISPOSITION_INFO disposition{TRUE};
  SetFileInformationByHandle(file.get(), FileDispositionInfo, &disposition, sizeof disposition);
}

void Win32System::Sleep(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

std::uint64_t Win32System::Milliseconds() { return GetTickCount64(); }

}  // namespace win32
