// The security the installer gives its folder, read back as the system keeps it (under Wine, in
// an extended attribute of the file).
#include "win32/folder_security.h"

#include <aclapi.h>
#include <gtest/gtest.h>
#include <sddl.h>

#include <cstdlib>
#include <optional>
#include <stdexcept>

#include "install/failure.h"
#include "test_files.h"
#include "win32/handle.h"
#include "win32/text.h"
#include "win32/win32_system.h"

namespace {

using install::FolderOwner;

// A folder's security as the tests compare it.
struct Security {
  std::string owner;  // SDDL, e.g. "BA"
  bool protected_dacl = false;
  std::vector<std::string> explicit_aces;  // SDDL, e.g. "(A;OICI;FA;;;SY)"
  int inherited_aces = 0;
  bool operator==(const Security&) const = default;
};

void PrintTo(const Security& value, std::ostream* out) {
  *out << "owner " << value.owner << (value.protected_dacl ? ", protected" : "") << ", "
       << value.inherited_aces << " inherited,";
  for (const std::string& ace : value.explicit_aces) *out << " " << ace;
}

Security ReadSecurity(const std::string& path) {
  PSECURITY_DESCRIPTOR raw = nullptr;
  PSID owner = nullptr;
  PACL dacl = nullptr;
  std::wstring name = win32::Wide(path);
  const DWORD code = GetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT,
                                           OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                           &owner, nullptr, &dacl, nullptr, &raw);
  if (code != ERROR_SUCCESS) throw std::runtime_error("GetNamedSecurityInfoW " + path);
  win32::LocalMemory descriptor(raw);
  Security security;
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  GetSecurityDescriptorControl(raw, &control, &revision);
  security.protected_dacl = control & SE_DACL_PROTECTED;
  wchar_t* text = nullptr;
  if (ConvertSidToStringSidW(owner, &text)) {
    win32::LocalMemory owned(text);
    security.owner = win32::Utf8(text);
  }
  for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
    ACE_HEADER* ace = nullptr;
    GetAce(dacl, i, reinterpret_cast<void**>(&ace));
    if (ace->AceFlags & INHERITED_ACE) {
      ++security.inherited_aces;
      continue;
    }
    // One ACE at a time through SDDL: a descriptor holding just this entry.
    SECURITY_DESCRIPTOR one;
    BYTE buffer[256];
    auto* acl = reinterpret_cast<PACL>(buffer);
    InitializeAcl(acl, sizeof buffer, ACL_REVISION);
    AddAce(acl, ACL_REVISION, 0, ace, ace->AceSize);
    InitializeSecurityDescriptor(&one, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&one, TRUE, acl, FALSE);
    wchar_t* sddl = nullptr;
    if (ConvertSecurityDescriptorToStringSecurityDescriptorW(
            &one, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &sddl, nullptr)) {
      win32::LocalMemory owned(sddl);
      const std::string entry = win32::Utf8(sddl);
      security.explicit_aces.push_back(entry.substr(entry.find('(')));
    }
  }
  return security;
}

std::string Sid(WELL_KNOWN_SID_TYPE type) {
  BYTE sid[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof sid;
  wchar_t* text = nullptr;
  if (!CreateWellKnownSid(type, nullptr, sid, &size) || !ConvertSidToStringSidW(sid, &text))
    return {};
  win32::LocalMemory owned(text);
  return win32::Utf8(text);
}

const std::vector<std::string> kProtectedAces = {"(A;OICI;FA;;;SY)", "(A;OICI;FA;;;BA)",
                                                 "(A;OICI;0x1200a9;;;BU)"};

void ExpectProtected(const std::string& path) {
  const Security security = ReadSecurity(path);
  EXPECT_EQ(security.owner, Sid(WinBuiltinAdministratorsSid)) << path;
  EXPECT_TRUE(security.protected_dacl) << path;
  EXPECT_EQ(security.explicit_aces, kProtectedAces) << path;
  EXPECT_EQ(security.inherited_aces, 0) << path;
}

// Upstream Wine keeps no security descriptors: it maps a DACL to Unix permission bits and
// makes one up from them when asked. Where the system gives back what it was given, the tests
// compare descriptors; elsewhere they say so and check only what that system can show.
bool KeepsSecurityDescriptors(const std::string& folder) {
  PSECURITY_DESCRIPTOR raw = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;OICI;0x1200a9;;;BU)",
                                                            SDDL_REVISION_1, &raw, nullptr))
    return false;
  win32::LocalMemory descriptor(raw);
  const std::string probe = folder + "\\probe";
  if (!CreateDirectoryW(win32::Wide(probe).c_str(), nullptr)) return false;
  const bool kept =
      SetFileSecurityW(win32::Wide(probe).c_str(), DACL_SECURITY_INFORMATION, raw) &&
      ReadSecurity(probe).explicit_aces == std::vector<std::string>{"(A;OICI;0x1200a9;;;BU)"};
  RemoveDirectoryW(win32::Wide(probe).c_str());
  return kept;
}

constexpr char kNoDescriptors[] =
    "this system keeps no security descriptors (upstream Wine maps them to Unix permissions)";

class FolderSecurityTest : public testing::Test {
 protected:
  std::string Folder(const std::string& name) {
    const std::string path = folder_ / name;
    EXPECT_TRUE(CreateDirectoryW(win32::Wide(path).c_str(), nullptr)) << path;
    return path;
  }
  test_files::TemporaryFolder folder_;
  win32::Win32System os_;
};

TEST_F(FolderSecurityTest, NewFolderIsCreatedProtectedAndWhatIsWrittenInItInherits) {
  const std::string target = folder_ / "duzozudiv\\";
  os_.MakeDirectory(target);
  const install::FolderFacts facts = os_.InspectFolder(target);
  EXPECT_TRUE(facts.exists);
  EXPECT_FALSE(facts.reparse_point);
  EXPECT_TRUE(facts.owner == FolderOwner::kAdministrators ||
              facts.owner == FolderOwner::kInstallingUser);
  os_.WriteFile(target + "7z.exe", "MZ");
  if (!KeepsSecurityDescriptors(folder_.path())) GTEST_SKIP() << kNoDescriptors;

  EXPECT_EQ(facts.owner, FolderOwner::kAdministrators);
  ExpectProtected(target);
  const Security file = ReadSecurity(target + "7z.exe");
  EXPECT_TRUE(file.explicit_aces.empty());
  EXPECT_EQ(file.inherited_aces, 3);
}

TEST_F(FolderSecurityTest, ProtectingTakesTheFolderOverAndRestoringInheritsFromTheParent) {
  const std::string target = Folder("duzozudiv");
  const std::string below = Folder("duzozudiv\\duzozudiv");
  const bool kept = KeepsSecurityDescriptors(folder_.path());
  // The folder's owner granted everyone full control.
  PSECURITY_DESCRIPTOR raw = nullptr;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;OICI;FA;;;WD)",
                                                                   SDDL_REVISION_1, &raw, nullptr));
  win32::LocalMemory everyone(raw);
  ASSERT_TRUE(SetFileSecurityW(win32::Wide(target).c_str(), DACL_SECURITY_INFORMATION, raw));

  os_.ProtectFolder(target);
  if (kept) {
    ExpectProtected(target);
    EXPECT_EQ(os_.InspectFolder(target).owner, FolderOwner::kAdministrators);
    EXPECT_EQ(ReadSecurity(below).inherited_aces, 3) << "not passed on below";
  }

  os_.RestoreFolderSecurity(target);
  if (!kept) GTEST_SKIP() << kNoDescriptors;
  const Security parent = ReadSecurity(folder_.path());
  const Security restored = ReadSecurity(target);
  EXPECT_FALSE(restored.protected_dacl);
  EXPECT_TRUE(restored.explicit_aces.empty());
  EXPECT_GT(restored.inherited_aces, 0);
  EXPECT_LE(restored.inherited_aces, parent.inherited_aces + int(parent.explicit_aces.size()));
  EXPECT_EQ(ReadSecurity(below).explicit_aces, std::vector<std::string>{})
      << "the protected entries stayed below";
}

// Any SID can be classified, whether or not this system lets a folder be given it as owner.
TEST(FolderOwner, OwnersAreToldApart) {
  HANDLE raw = nullptr;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw));
  win32::FileHandle token(raw);
  BYTE user[512];
  DWORD size = sizeof user;
  ASSERT_TRUE(GetTokenInformation(token.get(), TokenUser, user, size, &size));
  wchar_t* text = nullptr;
  ASSERT_TRUE(ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user)->User.Sid, &text));
  win32::LocalMemory user_text(text);

  const std::pair<std::wstring, FolderOwner> cases[] = {
      {L"BA", FolderOwner::kAdministrators},
      {L"SY", FolderOwner::kSystem},
      {L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464",
       FolderOwner::kTrustedInstaller},
      {text, FolderOwner::kInstallingUser},
      {L"BU", FolderOwner::kSomeoneElse},
      {L"AU", FolderOwner::kSomeoneElse},
      {L"S-1-5-21-1-2-3-1001", FolderOwner::kSomeoneElse}};
  for (const auto& [sid_text, owner] : cases) {
    PSID sid = nullptr;
    ASSERT_TRUE(ConvertStringSidToSidW(sid_text.c_str(), &sid)) << win32::Utf8(sid_text);
    win32::LocalMemory held(sid);
    EXPECT_EQ(win32::OwnerKind(sid), owner) << win32::Utf8(sid_text);
  }
}

TEST_F(FolderSecurityTest, WrittenFileIsANewOneNotThePlantedOne) {
  const std::string elsewhere = folder_ / "elsewhere.dll";
  const std::string path = folder_ / "7z.dll";
  os_.WriteFile(elsewhere, "someone else's");
  ASSERT_TRUE(CreateHardLinkW(win32::Wide(path).c_str(), win32::Wide(elsewhere).c_str(), nullptr));
  // The planted file grants everyone full control.
  PSECURITY_DESCRIPTOR raw = nullptr;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;FA;;;WD)",
                                                                   SDDL_REVISION_1, &raw, nullptr));
  win32::LocalMemory everyone(raw);
  ASSERT_TRUE(SetFileSecurityW(win32::Wide(path).c_str(), DACL_SECURITY_INFORMATION, raw));

  const install::FileIdentity written = os_.WriteFile(path, "ours");
  os_.WriteFile(folder_ / "fresh.dll", "ours");
  EXPECT_EQ(test_files::ReadBytes(path), "ours");
  EXPECT_EQ(test_files::ReadBytes(elsewhere), "someone else's") << "written through a hard link";
  EXPECT_EQ(ReadSecurity(path), ReadSecurity(folder_ / "fresh.dll")) << "the planted ACL survived";

  // A file put in its place is not the one written, and stays.
  ASSERT_TRUE(DeleteFileW(win32::Wide(path).c_str()));
  ASSERT_TRUE(MoveFileW(win32::Wide(elsewhere).c_str(), win32::Wide(path).c_str()));
  os_.RemoveFile(path, written);
  EXPECT_TRUE(os_.FileExists(path));
  os_.RemoveFile(path, os_.WriteFile(path, "ours again"));
  EXPECT_FALSE(os_.FileExists(path));
}

// A link to a folder elsewhere: made here where the system can, else the one the test runner
// prepared on the test drive (under Wine a Unix symbolic link, which Wine reports as a reparse
// point; its CreateSymbolicLinkW reports success and makes nothing).
std::optional<std::pair<std::string, std::string>> FolderLink(const std::string& scratch) {
  const std::string outside = scratch + "\\outside";
  const std::string link = scratch + "\\duzozudiv";
  CreateDirectoryW(win32::Wide(outside).c_str(), nullptr);
  CreateSymbolicLinkW(win32::Wide(link).c_str(), win32::Wide(outside).c_str(),
                      SYMBOLIC_LINK_FLAG_DIRECTORY);
  const DWORD made = GetFileAttributesW(win32::Wide(link).c_str());
  if (made != INVALID_FILE_ATTRIBUTES && (made & FILE_ATTRIBUTE_REPARSE_POINT))
    return std::pair{link, outside};
  const char* drive = std::getenv("WIN32_TESTS_DRIVE");
  if (!drive) return std::nullopt;
  const std::string prepared = std::string(drive) + "\\linked-folder";
  const DWORD attributes = GetFileAttributesW(win32::Wide(prepared).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
    return std::nullopt;
  return std::pair{prepared, std::string(drive) + "\\link-target"};
}

TEST_F(FolderSecurityTest, FolderReachedThroughALinkIsSeenAndLeftAlone) {
  const auto link = FolderLink(folder_.path());
  if (!link) GTEST_SKIP() << "no link to a folder can be made or found here";
  const auto& [path, outside] = *link;
  const install::FolderFacts facts = os_.InspectFolder(path);
  EXPECT_TRUE(facts.exists);
  EXPECT_TRUE(facts.reparse_point);
  const Security before = ReadSecurity(outside);
  EXPECT_THROW(os_.ProtectFolder(path), install::Failure);
  EXPECT_THROW(os_.RestoreFolderSecurity(path), install::Failure);
  EXPECT_EQ(ReadSecurity(outside), before) << "changed through the link";
}

}  // namespace
