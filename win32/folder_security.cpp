#include "win32/folder_security.h"

#include <aclapi.h>
#include <sddl.h>

#include <vector>

#include "install/failure.h"
#include "win32/system_error.h"
#include "win32/text.h"

namespace win32 {
namespace {

// "P": protected, nothing inherited from the disk root; "OICI": to the folder, its subfolders
// and files. 0x1200a9 is read and execute (FILE_GENERIC_READ | FILE_GENERIC_EXECUTE).
constexpr wchar_t kProtectedFolder[] =
    L"O:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";
// NT SERVICE\TrustedInstaller, the owner of the system's own folders.
constexpr wchar_t kTrustedInstaller[] =
    L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

// The folder itself, never what a reparse point leads to; null when there is nothing there.
FileHandle OpenFolder(const std::string& path, DWORD access, DWORD sharing) {
  return FileHandle(CreateFileW(Wide(path).c_str(), access, sharing, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                nullptr));
}

DWORD AttributesOf(HANDLE folder, const std::string& path) {
  BY_HANDLE_FILE_INFORMATION information;
  if (!GetFileInformationByHandle(folder, &information)) {
    const DWORD code = GetLastError();
    throw SystemError("无法检查文件夹 " + Quoted(path), code);
  }
  return information.dwFileAttributes;
}

// The entry's own attributes, asked of the open entry and by name: both describe a reparse point
// rather than what it leads to, and a system that answers only one way (Wine opens through a
// link to a folder) is still caught.
bool IsReparsePoint(HANDLE folder, const std::string& path) {
  const DWORD by_name = GetFileAttributesW(Wide(path).c_str());
  const bool named = by_name != INVALID_FILE_ATTRIBUTES && (by_name & FILE_ATTRIBUTE_REPARSE_POINT);
  return named || (AttributesOf(folder, path) & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool KeepsAccessControl(HANDLE folder, const std::string& path) {
  DWORD flags = 0;
  if (!GetVolumeInformationByHandleW(folder, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0)) {
    const DWORD code = GetLastError();
    throw SystemError("无法检查文件夹 " + Quoted(path) + " 所在的磁盘", code);
  }
  return flags & FILE_PERSISTENT_ACLS;
}

// The account this program runs as.
std::vector<BYTE> InstallingUser() {
  HANDLE raw = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) {
    const DWORD code = GetLastError();
    throw SystemError("无法确定当前用户", code);
  }
  FileHandle token(raw);
  DWORD size = 0;
  GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
  std::vector<BYTE> user(size);
  if (size == 0 || !GetTokenInformation(token.get(), TokenUser, user.data(), size, &size)) {
    const DWORD code = GetLastError();
    throw SystemError("无法确定当前用户", code);
  }
  return user;
}

bool IsWellKnown(PSID sid, WELL_KNOWN_SID_TYPE type) {
  BYTE known[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof known;
  return CreateWellKnownSid(type, nullptr, known, &size) && EqualSid(sid, known);
}

}  // namespace

install::FolderOwner OwnerKind(PSID owner) {
  if (IsWellKnown(owner, WinBuiltinAdministratorsSid)) return install::FolderOwner::kAdministrators;
  if (IsWellKnown(owner, WinLocalSystemSid)) return install::FolderOwner::kSystem;
  PSID raw = nullptr;
  if (ConvertStringSidToSidW(kTrustedInstaller, &raw)) {
    LocalMemory trusted_installer(raw);
    if (EqualSid(owner, raw)) return install::FolderOwner::kTrustedInstaller;
  }
  const std::vector<BYTE> user = InstallingUser();
  if (EqualSid(owner, reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid))
    return install::FolderOwner::kInstallingUser;
  return install::FolderOwner::kSomeoneElse;
}

namespace {

install::FolderOwner OwnerOf(HANDLE folder, const std::string& path) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR raw = nullptr;
  const DWORD code = GetSecurityInfo(folder, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner,
                                     nullptr, nullptr, nullptr, &raw);
  if (code != ERROR_SUCCESS)
    throw SystemError("无法读取文件夹 " + Quoted(path) + " 的所有者", code);
  LocalMemory descriptor(raw);
  return owner ? OwnerKind(owner) : install::FolderOwner::kUnknown;
}

// Open without delete sharing: while it stays open the folder cannot be renamed away and
// replaced.
FileHandle OpenPlainFolder(const std::string& path, DWORD access, const char* failure) {
  FileHandle folder =
      OpenFolder(path, access | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE);
  if (!folder) {
    const DWORD code = GetLastError();
    throw SystemError(failure + Quoted(path) + " 的权限", code);
  }
  if (IsReparsePoint(folder.get(), path))
    throw install::Failure("文件夹 " + Quoted(path) +
                           " 是指向别处的链接（重解析点），安装程序不会使用它");
  return folder;
}

}  // namespace

ProtectedFolderSecurity::ProtectedFolderSecurity() {
  PSECURITY_DESCRIPTOR raw = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kProtectedFolder, SDDL_REVISION_1, &raw,
                                                            nullptr)) {
    const DWORD code = GetLastError();
    throw SystemError("无法建立文件夹的权限", code);
  }
  descriptor_.reset(raw);
}

PSID ProtectedFolderSecurity::owner() const {
  PSID owner = nullptr;
  BOOL defaulted = FALSE;
  GetSecurityDescriptorOwner(descriptor(), &owner, &defaulted);
  return owner;
}

PACL ProtectedFolderSecurity::dacl() const {
  PACL dacl = nullptr;
  BOOL present = FALSE, defaulted = FALSE;
  GetSecurityDescriptorDacl(descriptor(), &present, &dacl, &defaulted);
  return dacl;
}

install::FolderFacts InspectFolder(const std::string& path) {
  install::FolderFacts facts;
  FileHandle folder = OpenFolder(path, READ_CONTROL | FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
  if (!folder) {
    const DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return facts;
    throw SystemError("无法检查文件夹 " + Quoted(path), code);
  }
  facts.exists = true;
  facts.reparse_point = IsReparsePoint(folder.get(), path);
  facts.keeps_access_control = KeepsAccessControl(folder.get(), path);
  if (facts.keeps_access_control) facts.owner = OwnerOf(folder.get(), path);
  return facts;
}

void ProtectFolder(const std::string& path) {
  FileHandle folder =
      OpenPlainFolder(path, READ_CONTROL | WRITE_DAC | WRITE_OWNER, "无法设置文件夹 ");
  const ProtectedFolderSecurity security;
  const DWORD code = SetSecurityInfo(
      folder.get(), SE_FILE_OBJECT,
      OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
      security.owner(), nullptr, security.dacl(), nullptr);
  if (code != ERROR_SUCCESS) throw SystemError("无法设置文件夹 " + Quoted(path) + " 的权限", code);
}

void RestoreFolderSecurity(const std::string& path) {
  // Held open so that the path keeps naming this folder while its security is set by name,
  // which is how the system finds the parent to inherit from.
  FileHandle folder = OpenPlainFolder(path, READ_CONTROL, "无法恢复文件夹 ");
  ACL empty;
  if (!InitializeAcl(&empty, sizeof empty, ACL_REVISION)) {
    const DWORD code = GetLastError();
    throw SystemError("无法恢复文件夹 " + Quoted(path) + " 的权限", code);
  }
  std::wstring name = Wide(path);
  const DWORD code =
      SetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT,
                            DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION,
                            nullptr, nullptr, &empty, nullptr);
  if (code != ERROR_SUCCESS) throw SystemError("无法恢复文件夹 " + Quoted(path) + " 的权限", code);
}

}  // namespace win32
