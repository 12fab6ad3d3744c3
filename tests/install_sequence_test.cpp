#include "install/install_sequence.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "install/extraction_check.h"
#include "tests/doubles/code_page_936.h"
#include "tests/doubles/test_archive.h"
#include "tests/test_window.h"

namespace {

using Paths = std::vector<std::string>;

constexpr char kTarget[] = "d:\\duzozudiv\\";
constexpr char kExtracted[] = "d:\\duzozudiv\\duzozudiv\\";

std::string T(const std::string& file) { return kTarget + file; }
std::string X(const std::string& file) { return kExtracted + file; }

// The payload of the files the stand-in extraction writes, names in GBK.
std::string Payload() {
  std::vector<doubles::ArchiveEntry> entries = {{"duzozudiv/", ""}, {"duzozudiv/客户端/", ""}};
  for (const auto& [path, bytes] : doubles::kExtractedFiles) {
    std::string name = "duzozudiv/" + path;
    std::replace(name.begin(), name.end(), '\\', '/');
    entries.push_back({doubles::ToGbk(name), bytes});
  }
  entries.push_back({"duzozudiv/zerarivur.exe", doubles::kProbeContent});
  return doubles::StoredArchive(entries);
}

// A machine with drives C and D, the program file's resources, and a window ready to install.
struct Installation : doubles::TestWindow {
  Installation() {
    os.AddDrive("c:");
    os.AddDrive("d:");
    os.resources = {{"DUZOZUDIV", Payload()}, {"7Z", "MZ library"}, {"7ZEXE", "MZ program"}};
    for (char letter : std::string("CDEFG"))
      os.resources[std::string(1, letter) + "INSTALL"] = std::string("start ") +
                                                         static_cast<char>(letter + 32) +
                                                         ":\\duzozudiv\\duzozudiv\\app.exe";
    Open();
    Agree();
  }
  void Install() { ASSERT_EQ(toolkit.Click("btnInstall"), "btnInstall"); }
  // The file-system steps only, in order.
  Paths Steps() const {
    Paths steps;
    for (const std::string& entry : os.log)
      if (entry.rfind("resource", 0) != 0 && entry.rfind("release", 0) != 0 &&
          entry.rfind("probe", 0) != 0 && entry.rfind("read", 0) != 0)
        steps.push_back(entry);
    return steps;
  }
  void ExpectStopped() {
    EXPECT_EQ((*this)["BCButton1"].caption, ui::kInstallingText);
    EXPECT_TRUE((*this)["btnClose"].enabled);
    EXPECT_FALSE((*this)["btnInstall"].enabled);
    EXPECT_EQ(toolkit.cursor, ui::Cursor::Default);
    EXPECT_EQ(os.open_resources, 0);
    EXPECT_TRUE(os.protected_folders.empty()) << "the folder's security was not given back";
  }
};

const Paths kTemporaryFiles = {T("duzozudiv.7z"), T("7z.dll"), T("7z.exe"),
                               T("un7zip_duzozudiv.bat")};

TEST(InstallSequence, CompleteInstallation) {
  Installation w;
  w.Install();

  EXPECT_EQ(w.Steps(),
            (Paths{"mkdir " + std::string(kTarget), "protect " + std::string(kTarget),
                   "write " + T("duzozudiv.7z"), "write " + T("7z.dll"), "write " + T("7z.exe"),
                   "save " + T("un7zip_duzozudiv.bat"), "open " + T("un7zip_duzozudiv.bat"),
                   "save " + X("un7zip_qelsystemii.bat"), "open " + X("un7zip_qelsystemii.bat"),
                   "write " + T("install.bat"), "open " + T("install.bat"),
                   "delete " + T("duzozudiv.7z"), "delete " + T("7z.dll"), "delete " + T("7z.exe"),
                   "delete " + T("un7zip_duzozudiv.bat"), "restore " + std::string(kTarget)}));
  EXPECT_TRUE(w.os.protected_folders.empty());
  Paths left;
  for (const auto& [path, bytes] : w.os.files)
    if (path.rfind(kExtracted, 0) != 0) left.push_back(path);
  EXPECT_EQ(left, Paths{T("install.bat")});
  EXPECT_EQ(w.os.files.at(T("install.bat")), w.os.resources.at("DINSTALL"));
  EXPECT_EQ(w.os.files.at(X("un7zip_qelsystemii.bat")), "d:\r\ncd d:\\duzozudiv\\duzozudiv\\\r\n");
  EXPECT_TRUE(w.os.files.contains(X("zerarivur.exe")));

  EXPECT_EQ(w["BCButton1"].caption, ui::kInstalledText);
  EXPECT_TRUE(w["BCButton1"].visible);
  EXPECT_FALSE(w["Memo1"].visible);
  EXPECT_TRUE(w["btnClose"].enabled);
  EXPECT_FALSE(w["btnInstall"].enabled);
  EXPECT_EQ(w.toolkit.cursor, ui::Cursor::Default);
  EXPECT_TRUE(w.toolkit.messages.empty());
  // Folder after 1.5 s, 10 s, the probe at 30 s, 60 s.
  EXPECT_GE(w.clock.now(), 90'000u);
  EXPECT_LT(w.clock.now(), 92'000u);
}

TEST(InstallSequence, DeletionFailureIsIgnored) {
  Installation w;
  w.os.undeletable = {T("7z.dll")};
  w.Install();
  EXPECT_EQ(w.os.Logged("delete"),
            (Paths{T("duzozudiv.7z"), T("7z.exe"), T("un7zip_duzozudiv.bat")}));
  EXPECT_TRUE(w.os.files.contains(T("7z.dll")));
  EXPECT_EQ(w["BCButton1"].caption, ui::kInstalledText);
  EXPECT_TRUE(w.toolkit.messages.empty());
}

TEST(InstallSequence, WrittenFilesHoldTheResourcesAndEachIsReleasedAtOnce) {
  Installation w;
  w.os.undeletable = {T("duzozudiv.7z"), T("7z.dll"), T("7z.exe"), T("un7zip_duzozudiv.bat")};
  w.Install();
  EXPECT_EQ(w.os.files.at(T("duzozudiv.7z")), w.os.resources.at("DUZOZUDIV"));
  EXPECT_EQ(w.os.files.at(T("7z.dll")), w.os.resources.at("7Z"));
  EXPECT_EQ(w.os.files.at(T("7z.exe")), w.os.resources.at("7ZEXE"));
  EXPECT_EQ(w.os.files.at(T("un7zip_duzozudiv.bat")),
            "d:\r\ncd d:\\duzozudiv\\\r\n7z x -tzip -y -p862  duzozudiv.7z -od:\\duzozudiv\\\r\n");
  const Paths& log = w.os.log;
  for (const char* name : {"DUZOZUDIV", "7Z", "7ZEXE", "DINSTALL"}) {
    auto release = std::find(log.begin(), log.end(), std::string("release ") + name);
    ASSERT_NE(release, log.end()) << name;
    EXPECT_EQ((release - 1)->rfind("write ", 0), 0u) << name << " held after its file";
  }
  // Deletions that fail are ignored: the files stay and the installation still succeeds.
  EXPECT_EQ(w["BCButton1"].caption, ui::kInstalledText);
  EXPECT_TRUE(w.toolkit.messages.empty());
}

TEST(InstallSequence, StatesWhileInstallingAndTheCloseBoxRefused) {
  Installation w;
  int refused = 0, snapshots = 0;
  w.toolkit.during_pump = [&] {
    if (snapshots++ == 0) {
      EXPECT_EQ(w["BCButton1"].caption, ui::kInstallingText);
      EXPECT_FALSE(w["Memo1"].visible);
      EXPECT_FALSE(w["btnInstall"].enabled);
      EXPECT_FALSE(w["btnAgree"].visible);
    } else {
      EXPECT_FALSE(w["btnClose"].enabled);
      EXPECT_EQ(w.toolkit.cursor, ui::Cursor::HourGlass);
    }
    if (!w.toolkit.PressCloseBox()) ++refused;
    w.toolkit.Click("btnClose");
    w.toolkit.Click("btnInstall");
  };
  w.Install();
  w.toolkit.during_pump = nullptr;
  EXPECT_EQ(refused, snapshots);
  EXPECT_GT(refused, 100);
  EXPECT_FALSE(w.toolkit.terminated);
  EXPECT_EQ(w.os.Logged("mkdir").size(), 1u);  // one installation only
  EXPECT_EQ(w["BCButton1"].caption, ui::kInstalledText);
  EXPECT_TRUE(w.toolkit.PressCloseBox());
}

// Between the Install click and the disabling of Close, the window already handles events.
TEST(InstallSequence, CloseClickedAtTheFirstPumpDoesNotEndTheProgram) {
  Installation w;
  w.toolkit.during_pump = [&] {
    w.toolkit.Click("btnClose");
    w.toolkit.during_pump = nullptr;
  };
  w.Install();
  EXPECT_FALSE(w.toolkit.terminated);
  EXPECT_EQ(w["BCButton1"].caption, ui::kInstalledText);
}

TEST(InstallSequence, PreviousInstallationIsWrittenOverAndTheWindowKeepsAnswering) {
  Installation w;
  w.os.directories.insert(kTarget);
  w.os.directories.insert(kExtracted);
  for (const std::string& path : {T("install.bat"), T("7z.dll"), X("un7zip_qelsystemii.bat")})
    w.os.files[path] = std::string(1000, 'x');
  // The earlier extraction is complete, and nothing new appears: every wait ends at once.
  for (const auto& [path, bytes] : doubles::kExtractedFiles) w.os.files[X(path)] = bytes;
  w.os.files[X("zerarivur.exe")] = doubles::kProbeContent;
  w.os.extraction = {};

  const std::uint64_t start = w.clock.now();
  w.Install();
  EXPECT_EQ(w["BCButton1"].caption, ui::kInstalledText);
  EXPECT_EQ(w.os.files.at(T("install.bat")), w.os.resources.at("DINSTALL"));
  EXPECT_EQ(w.os.files.at(X("un7zip_qelsystemii.bat")), "d:\r\ncd d:\\duzozudiv\\duzozudiv\\\r\n");
  EXPECT_FALSE(w.os.files.contains(T("7z.dll")));
  EXPECT_EQ(w.clock.now() - start, 70'000u);  // the two fixed sleeps keep their full length

  // Events are handled at least every 50 ms throughout.
  std::uint64_t longest = 0;
  for (std::size_t i = 1; i < w.toolkit.pumps.size(); ++i)
    longest = std::max(longest, w.toolkit.pumps[i] - w.toolkit.pumps[i - 1]);
  EXPECT_LE(longest, install::kResponsiveSliceMs);
}

TEST(InstallSequence, ProbeWaitEndsWithinASecondOfTheFile) {
  Installation w;
  w.os.extraction = {1'000, 100'500};
  w.Install();
  // 1 s to the folder, 10 s, polls until 100.5 s rounded up to a whole second, then 60 s.
  EXPECT_EQ(w.clock.now(), 101'000u + 60'000u);
  EXPECT_EQ(w["BCButton1"].caption, ui::kInstalledText);
}

struct Failure {
  const char* name;
  std::function<void(Installation&)> arrange;
  std::string message;  // "" : none
  Paths steps;          // the file-system steps, in order
};

void PrintTo(const Failure& value, std::ostream* out) { *out << value.name; }

const Paths kWrittenUntilExtraction = {"mkdir d:\\duzozudiv\\",
                                       "protect d:\\duzozudiv\\",
                                       "write " + T("duzozudiv.7z"),
                                       "write " + T("7z.dll"),
                                       "write " + T("7z.exe"),
                                       "save " + T("un7zip_duzozudiv.bat"),
                                       "open " + T("un7zip_duzozudiv.bat")};

Paths Then(Paths steps, const Paths& more) {
  steps.insert(steps.end(), more.begin(), more.end());
  return steps;
}

const Paths kCleanup = {"delete " + T("duzozudiv.7z"), "delete " + T("7z.dll"),
                        "delete " + T("7z.exe"), "delete " + T("un7zip_duzozudiv.bat"),
                        "restore d:\\duzozudiv\\"};

class FailureTest : public ::testing::TestWithParam<Failure> {};

TEST_P(FailureTest, StopsCleansUpAndReports) {
  const Failure& failure = GetParam();
  Installation w;
  failure.arrange(w);
  // An error is shown only after the cleanup, with Close enabled and the cursor restored.
  w.toolkit.on_message = [&](const std::string& text) {
    if (text == ui::kFolderFailedText || text == ui::kInvalidDiskText) return;
    for (const std::string& path : kTemporaryFiles) EXPECT_FALSE(w.os.files.contains(path));
    EXPECT_TRUE(w["btnClose"].enabled);
    EXPECT_EQ(w.toolkit.cursor, ui::Cursor::Default);
  };
  w.Install();
  EXPECT_EQ(w.Steps(), failure.steps);
  EXPECT_EQ(w.toolkit.messages, failure.message.empty() ? Paths{} : Paths{failure.message});
  w.ExpectStopped();
}

INSTANTIATE_TEST_SUITE_P(Table, FailureTest,
                         ::testing::
                             Values(Failure{"FolderNotCreatable",
                                            [](Installation& w) {
                                              w.toolkit.Choose("edtDisk", "g:\\");
                                            },
                                            "创建目录失败",
                                            {"mkdir g:\\duzozudiv\\"}},
                                    Failure{"InvalidDiskText",
                                            [](Installation& w) {
                                              w.toolkit.Choose("edtDisk", "d:\\&start x");
                                            },
                                            "安装盘无效",
                                            {}},
                                    Failure{
                                        "BlankDiskText",
                                        [](Installation& w) { w.toolkit.Choose("edtDisk", "  "); },
                                        "安装盘无效",
                                        {}},
                                    Failure{
                                        "PayloadMissing",
                                        [](Installation& w) { w.os.resources.erase("DUZOZUDIV"); },
                                        "找不到资源 \"DUZOZUDIV\"",
                                        {}},
                                    Failure{
                                        "ArchiveLibraryMissing",
                                        [](Installation& w) { w.os.resources.erase("7Z"); },
                                        "找不到资源 \"7Z\"",
                                        {"mkdir d:\\duzozudiv\\", "protect d:\\duzozudiv\\",
                                         "write " + T("duzozudiv.7z"),
                                         "delete " + T("duzozudiv.7z"), "restore d:\\duzozudiv\\"}},
                                    Failure{
                                        "InstallLineMissing",
                                        [](Installation& w) { w.os.resources.erase("DINSTALL"); },
                                        "找不到资源 \"DINSTALL\"",
                                        Then(Then(kWrittenUntilExtraction,
                                                  {"save " + X("un7zip_qelsystemii.bat"),
                                                   "open " + X("un7zip_qelsystemii.bat")}),
                                             kCleanup)},
                                    Failure{"DiskFullWhileWritingThePayload",
                                            [](Installation& w) { w.os.capacity["d:"] = 100; },
                                            "无法写入文件 "
                                            "\"d:\\duzozudiv\\duzozudiv.7z\"：磁盘空间不足。",
                                            {"mkdir d:\\duzozudiv\\", "protect d:\\duzozudiv\\",
                                             "restore d:\\duzozudiv\\"}},
                                    Failure{
                                        "FileNotCreatable",
                                        [](Installation& w) {
                                          w.os.directories.insert(kTarget);
                                          w.os.read_only_drives.insert("d:");
                                        },
                                        "无法创建文件 \"d:\\duzozudiv\\duzozudiv.7z\"：拒绝访问。",
                                        {"mkdir d:\\duzozudiv\\", "protect d:\\duzozudiv\\",
                                         "restore d:\\duzozudiv\\"}},
                                    Failure{"FolderCannotBeProtected",
                                            [](Installation& w) { w.os.protect_fails = true; },
                                            "无法设置文件夹 \"d:\\duzozudiv\\\" 的权限：拒绝访问。",
                                            {"mkdir d:\\duzozudiv\\", "restore d:\\duzozudiv\\"}},
                                    Failure{"ExtractionNeverCreatesTheFolder",
                                            [](Installation& w) { w.os.extraction = {}; },
                                            "解压安装文件失败",
                                            Then(kWrittenUntilExtraction, kCleanup)},
                                    Failure{"SetupProgramNeverAppears",
                                            [](Installation& w) {
                                              w.os.extraction.probe_after_ms.reset();
                                            },
                                            "解压安装文件失败",
                                            Then(Then(kWrittenUntilExtraction,
                                                      {"save " + X("un7zip_qelsystemii.bat"),
                                                       "open " + X("un7zip_qelsystemii.bat"),
                                                       "write " + T("install.bat")}),
                                                 kCleanup)},
                                    Failure{"ExtractedFolderGoneAfterTenSeconds",
                                            [](Installation& w) {
                                              w.os.extraction.probe_after_ms.reset();
                                              w.clock.At(w.clock.now() + 5'000, [&w] {
                                                w.os.directories.erase(kExtracted);
                                              });
                                            },
                                            "", Then(kWrittenUntilExtraction, kCleanup)}),
                         [](const ::testing::TestParamInfo<Failure>& info) {
                           return info.param.name;
                         });

struct Refusal {
  const char* name;
  std::function<void(Installation&)> arrange;
  std::string reason;
  Paths steps;  // the file-system steps, in order
};

void PrintTo(const Refusal& value, std::ostream* out) { *out << value.name; }

class RefusalTest : public ::testing::TestWithParam<Refusal> {};

// A folder that someone else could have prepared: present, with files of its own in it.
void Prepared(Installation& w, install::FolderFacts facts) {
  w.os.directories.insert(kTarget);
  w.os.files[T("7z.exe")] = "theirs";
  w.os.files[T("install.bat")] = "theirs";
  w.os.folder_facts[kTarget] = facts;
}

constexpr install::FolderFacts kForeign{true, false, true, install::FolderOwner::kSomeoneElse};
constexpr install::FolderFacts kWithoutAcls{true, false, false, install::FolderOwner::kUnknown};

TEST_P(RefusalTest, NothingIsWrittenOrDeleted) {
  const Refusal& refusal = GetParam();
  Installation w;
  refusal.arrange(w);
  const auto files_before = w.os.files;
  w.Install();
  EXPECT_EQ(w.Steps(), refusal.steps);
  EXPECT_EQ(w.os.files, files_before);
  EXPECT_EQ(w.toolkit.messages, Paths{"文件夹 \"d:\\duzozudiv\\\" 不安全：" + refusal.reason +
                                      "。为安全起见，安装程序没有写入或删除任何文件。请删除或重命名"
                                      "这个文件夹后再运行安装程序。"});
  w.ExpectStopped();
}

INSTANTIATE_TEST_SUITE_P(
    Table, RefusalTest,
    ::testing::Values(
        Refusal{"OwnedBySomeoneElse",
                [](Installation& w) { Prepared(w, kForeign); },
                "它的所有者不是管理员、系统或当前用户，其他用户可能改动其中的文件",
                {"mkdir d:\\duzozudiv\\"}},
        Refusal{"FolderIsAReparsePoint",
                [](Installation& w) {
                  Prepared(w, {true, true, true, install::FolderOwner::kAdministrators});
                },
                "它是指向别处的链接（重解析点）",
                {"mkdir d:\\duzozudiv\\"}},
        Refusal{"ExtractedFolderIsAReparsePoint",
                [](Installation& w) {
                  w.os.directories.insert(kTarget);
                  w.os.directories.insert(kExtracted);
                  w.os.folder_facts[kExtracted] = {true, true, true,
                                                   install::FolderOwner::kSomeoneElse};
                },
                "其中的 duzozudiv 文件夹是指向别处的链接（重解析点）",
                {"mkdir d:\\duzozudiv\\"}},
        Refusal{"PlantedCommandOnAVolumeWithoutAcls",
                [](Installation& w) {
                  Prepared(w, kWithoutAcls);
                  w.os.files[T("7z.com")] = "MZ";
                },
                "其中有 \"7z.com\"，它会代替安装程序写入的文件运行",
                {"mkdir d:\\duzozudiv\\"}},
        // Until the folder is protected its owner can still put things in it.
        Refusal{"PlantedWhileBeingProtected",
                [](Installation& w) {
                  Prepared(w, {true, false, true, install::FolderOwner::kInstallingUser});
                  w.os.after_protect = [&w] { w.os.directories.insert(T("Codecs\\")); };
                },
                "其中有 \"Codecs\"，它会代替安装程序写入的文件运行",
                {"mkdir d:\\duzozudiv\\", "protect d:\\duzozudiv\\", "restore d:\\duzozudiv\\"}}),
    [](const ::testing::TestParamInfo<Refusal>& info) { return info.param.name; });

TEST(InstallSequence, VolumeWithoutAclsIsInstalledToUnprotected) {
  Installation w;
  Prepared(w, kWithoutAcls);
  w.Install();
  EXPECT_EQ(w["BCButton1"].caption, ui::kInstalledText);
  EXPECT_TRUE(w.os.Logged("protect").empty());
  EXPECT_TRUE(w.os.Logged("restore").empty());
  EXPECT_EQ(w.os.Logged("delete"), kTemporaryFiles);
}

// Only what the installer wrote goes: not a file put in its place, not a link.
TEST(InstallSequence, CleanupDeletesOnlyTheFilesItWrote) {
  Installation w;
  w.os.extraction.folder_after_ms = 2'000;
  w.clock.At(1'000, [&w] {
    w.os.Replace(T("7z.exe"), "replaced");
    w.os.links.insert(T("7z.dll"));
    w.os.files[T("reg_dll.bat")] = "left by the extraction";
  });
  w.Install();
  EXPECT_EQ(w.os.Logged("delete"),
            (Paths{T("duzozudiv.7z"), T("un7zip_duzozudiv.bat"), T("reg_dll.bat")}));
  EXPECT_EQ(w.os.files.at(T("7z.exe")), "replaced");
  EXPECT_TRUE(w.os.files.contains(T("7z.dll")));
  EXPECT_EQ(w["BCButton1"].caption, ui::kInstalledText);
}

// The folder keeps the installation's protection, so the user is told.
TEST(InstallSequence, FolderSecurityNotGivenBackIsReported) {
  Installation w;
  w.os.restore_fails = true;
  w.Install();
  EXPECT_EQ(w["BCButton1"].caption, ui::kInstalledText);
  EXPECT_EQ(w.os.Logged("delete"), kTemporaryFiles);
  EXPECT_EQ(w.toolkit.messages, Paths{"无法恢复文件夹 \"d:\\duzozudiv\\\" 的权限"});
  EXPECT_TRUE(w["btnClose"].enabled);
}

TEST(InstallSequence, BoundedWaitsGiveUpOnTime) {
  struct Case {
    doubles::Extraction extraction;
    std::uint64_t ends_at;
  };
  // The folder wait gives up after 360 s; the probe wait after 360 polls of 1 s, then nothing
  // else is waited for.
  for (const Case& c : {Case{{}, 360'000}, Case{{2'000, std::nullopt}, 2'000 + 10'000 + 360'000}}) {
    Installation w;
    w.os.extraction = c.extraction;
    const std::uint64_t start = w.clock.now();
    w.Install();
    EXPECT_NEAR(static_cast<double>(w.clock.now() - start), static_cast<double>(c.ends_at), 2.0);
    EXPECT_EQ(w.toolkit.messages, Paths{install::kExtractionFailedText});
  }
}

// The extracted files are checked against the payload once the 60 s wait has passed: with the
// folder at 1.5 s, the setup program found at the poll of 30.5 s, that is 90.5 s in.
constexpr std::uint64_t kChecked = 90'500;
const std::string kConfig = X("客户端\\配置.ini");

struct Check {
  const char* name;
  // Arranges the extraction; `start` is the moment Install is pressed.
  std::function<void(Installation&, std::uint64_t start)> arrange;
  bool installed;
  std::uint64_t ends_after;  // the check's end, after its first pass
};

void PrintTo(const Check& value, std::ostream* out) { *out << value.name; }

class CheckTest : public ::testing::TestWithParam<Check> {};

TEST_P(CheckTest, StartsTheApplicationOnlyWhenEveryFileIsRight) {
  const Check& check = GetParam();
  Installation w;
  const std::uint64_t start = w.clock.now();
  check.arrange(w, start);
  w.Install();

  EXPECT_EQ(w.clock.now() - start, kChecked + check.ends_after);
  const Paths opened = w.os.Logged("open");
  EXPECT_EQ(std::count(opened.begin(), opened.end(), T("install.bat")), check.installed ? 1 : 0);
  for (const std::string& path : kTemporaryFiles) EXPECT_FALSE(w.os.files.contains(path));
  if (check.installed) {
    EXPECT_EQ(w["BCButton1"].caption, ui::kInstalledText);
    EXPECT_TRUE(w.toolkit.messages.empty());
    // Each file is read once, when it has its full size.
    Paths reads = w.os.Logged("read");
    std::sort(reads.begin(), reads.end());
    EXPECT_EQ(reads, (Paths{X("zerarivur.exe"), kConfig, X("澄岚汽车用品销售工作系统.exe")}));
  } else {
    EXPECT_EQ(w.toolkit.messages, Paths{install::kExtractionFailedText});
    w.ExpectStopped();
  }
}

// Replaces the configuration file's content at a moment.
void ConfigAt(Installation& w, std::uint64_t moment, std::string bytes) {
  w.clock.At(moment, [&w, bytes] { w.os.files[kConfig] = bytes; });
}

const std::string& Config() { return doubles::kExtractedFiles.at("客户端\\配置.ini"); }

INSTANTIATE_TEST_SUITE_P(
    Table, CheckTest,
    ::testing::Values(
        Check{"AllRight", [](Installation&, std::uint64_t) {}, true, 0},
        Check{"FileMissing",
              [](Installation& w, std::uint64_t start) {
                w.clock.At(start + 5'000, [&w] { w.os.files.erase(kConfig); });
              },
              false, install::kCheckStallMs},
        Check{"WrongSize",
              [](Installation& w, std::uint64_t start) {
                ConfigAt(w, start + 5'000, Config() + "x");
              },
              false, install::kCheckStallMs},
        Check{"WrongCrc",
              [](Installation& w, std::uint64_t start) {
                std::string changed = Config();
                changed[3] ^= 1;
                ConfigAt(w, start + 5'000, changed);
              },
              false, install::kCheckStallMs},
        Check{"FileIsALink", [](Installation& w, std::uint64_t) { w.os.links.insert(kConfig); },
              false, install::kCheckStallMs},
        Check{"FolderOnTheWayIsALink",
              [](Installation& w, std::uint64_t) { w.os.links.insert(X("客户端\\")); }, false, 0},
        Check{"CompletesThreeSecondsLate",
              [](Installation& w, std::uint64_t start) {
                ConfigAt(w, start + 5'000, Config().substr(0, 4));
                ConfigAt(w, start + kChecked + 3'000, Config());
              },
              true, 3'000},
        // A byte a second: progress, so the check waits past the stall time.
        Check{"GrowsSlowlyPastTheStallTime",
              [](Installation& w, std::uint64_t start) {
                ConfigAt(w, start + 5'000, "");
                for (std::size_t size = 1; size <= Config().size(); ++size)
                  ConfigAt(w, start + kChecked + size * 1'000, Config().substr(0, size));
              },
              true, doubles::kExtractedFiles.at("客户端\\配置.ini").size() * 1'000},
        Check{"KeepsGrowingUntilTheLimit",
              [](Installation& w, std::uint64_t start) {
                ConfigAt(w, start + 5'000, "");
                for (std::uint64_t second = 1; second <= 400; ++second)
                  ConfigAt(w, start + kChecked + second * 1'000, std::string(second, 'x'));
              },
              false, install::kCheckLimitMs}),
    [](const ::testing::TestParamInfo<Check>& info) { return info.param.name; });

TEST(InstallSequence, PayloadThatCannotBeListedFailsWhereTheExtractionIsChecked) {
  Installation w;
  std::string& payload = w.os.resources.at("DUZOZUDIV");
  payload.erase(payload.size() - 22, 4);  // the end record's signature
  w.Install();
  EXPECT_EQ(w.clock.now(), kChecked);
  ASSERT_EQ(w.toolkit.messages.size(), 1u);
  EXPECT_TRUE(w.toolkit.messages[0].starts_with("解压安装文件失败：安装包已损坏："))
      << w.toolkit.messages[0];
  EXPECT_FALSE(w.os.files.contains(T("duzozudiv.7z")));
  w.ExpectStopped();
}

// A name the archive program could place outside the target folder, or could not name at
// all, stops the installation before anything is started.
TEST(InstallSequence, PayloadNamesThatCannotBeCheckedAreRefused) {
  const std::pair<std::string, std::string> cases[] = {
      {"duzozudiv/../evil.exe", "解压安装文件失败：安装包中有不安全的文件名"},
      {"duzozudiv/c:evil.exe", "解压安装文件失败：安装包中有不安全的文件名"},
      {"duzozudiv/\xff\xfe.exe", "解压安装文件失败：安装包中有无效的文件名"}};
  for (const auto& [name, message] : cases) {
    Installation w;
    w.os.resources["DUZOZUDIV"] = doubles::StoredArchive({{name, "MZ"}});
    w.Install();
    EXPECT_EQ(w.toolkit.messages, Paths{message}) << name;
    const Paths opened = w.os.Logged("open");
    EXPECT_EQ(std::count(opened.begin(), opened.end(), T("install.bat")), 0) << name;
    w.ExpectStopped();
  }
}

}  // namespace
