#include "install/folder_safety.h"

#include <gtest/gtest.h>

namespace {

using install::FolderFacts;
using install::FolderObservation;
using install::FolderOwner;

constexpr FolderFacts kAbsent{};
constexpr FolderFacts kAdministrators{true, false, true, FolderOwner::kAdministrators};

FolderFacts OwnedBy(FolderOwner owner) { return {true, false, true, owner}; }
FolderFacts Link() { return {true, true, true, FolderOwner::kAdministrators}; }
// FAT32 and exFAT record no owner.
FolderFacts WithoutAcls() { return {true, false, false, FolderOwner::kUnknown}; }

struct Case {
  const char* name;
  FolderObservation seen;
  std::string reason;  // "" : safe
};

void PrintTo(const Case& value, std::ostream* out) { *out << value.name; }

class JudgeTargetFolder : public ::testing::TestWithParam<Case> {};

TEST_P(JudgeTargetFolder, RefusesWhatSomeoneElseCouldHavePrepared) {
  const Case& c = GetParam();
  const install::FolderVerdict verdict = install::JudgeTargetFolder(c.seen);
  EXPECT_EQ(verdict.safe, c.reason.empty());
  EXPECT_EQ(verdict.reason, c.reason);
}

const std::string kForeignOwner =
    "它的所有者不是管理员、系统或当前用户，其他用户可能改动其中的文件";

INSTANTIATE_TEST_SUITE_P(
    Table, JudgeTargetFolder,
    ::testing::Values(
        Case{"AbsentFolder", {kAbsent, kAbsent, {}}, ""},
        Case{"PreviousInstallation", {kAdministrators, kAdministrators, {}}, ""},
        Case{"OwnedBySystem", {OwnedBy(FolderOwner::kSystem), kAbsent, {}}, ""},
        Case{"OwnedByTrustedInstaller", {OwnedBy(FolderOwner::kTrustedInstaller), kAbsent, {}}, ""},
        Case{"OwnedByTheInstallingUser", {OwnedBy(FolderOwner::kInstallingUser), kAbsent, {}}, ""},
        Case{
            "OwnedBySomeoneElse", {OwnedBy(FolderOwner::kSomeoneElse), kAbsent, {}}, kForeignOwner},
        Case{"OwnerUnreadableOnAVolumeWithAcls",
             {OwnedBy(FolderOwner::kUnknown), kAbsent, {}},
             kForeignOwner},
        Case{"ExtractedFolderOwnedBySomeoneElse",
             {kAdministrators, OwnedBy(FolderOwner::kSomeoneElse), {}},
             "其中的 duzozudiv "
             "文件夹的所有者不是管理员、系统或当前用户，其他用户可能改动其中的文件"},
        Case{"FolderIsAReparsePoint", {Link(), kAbsent, {}}, "它是指向别处的链接（重解析点）"},
        Case{"ExtractedFolderIsAReparsePoint",
             {kAdministrators, Link(), {}},
             "其中的 duzozudiv 文件夹是指向别处的链接（重解析点）"},
        Case{"PlantedCommand",
             {kAdministrators, kAbsent, {"7z.com"}},
             "其中有 \"7z.com\"，它会代替安装程序写入的文件运行"},
        Case{"PlantedPluginFolder",
             {kAdministrators, kAdministrators, {"Formats"}},
             "其中有 \"Formats\"，它会代替安装程序写入的文件运行"},
        Case{"VolumeWithoutAcls", {WithoutAcls(), WithoutAcls(), {}}, ""},
        Case{"VolumeWithoutAclsStillRefusesAPlantedCommand",
             {WithoutAcls(), kAbsent, {"7z.com", "Codecs"}},
             "其中有 \"7z.com\"，它会代替安装程序写入的文件运行"},
        Case{"VolumeWithoutAclsStillRefusesAReparsePoint",
             {{true, true, false, FolderOwner::kUnknown}, kAbsent, {}},
             "它是指向别处的链接（重解析点）"}),
    [](const ::testing::TestParamInfo<Case>& info) { return info.param.name; });

}  // namespace
