#include "win32/win32_system.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <stdexcept>

#include "test_files.h"
#include "win32/handle.h"
#include "win32/system_error.h"
#include "win32/text.h"

namespace {

using test_files::ReadBytes;

class Win32SystemTest : public testing::Test {
 protected:
  void MakeFile(const std::string& name, std::string_view bytes = "x") {
    os_.WriteFile(folder_ / name, bytes);
  }
  void MakeFolder(const std::string& name) {
    ASSERT_TRUE(CreateDirectoryW(win32::Wide(folder_ / name).c_str(), nullptr)) << name;
  }
  // Opens the file as a program that keeps it in use: no sharing at all.
  win32::FileHandle HoldOpen(const std::string& path) {
    return win32::FileHandle(CreateFileW(win32::Wide(path).c_str(), GENERIC_READ, 0, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  }
  // The message of what `action` throws; nothing if it throws nothing.
  template <class Action>
  static std::optional<std::string> Failure(Action action) {
    try {
      action();
    } catch (const std::runtime_error& error) {
      return error.what();
    }
    return std::nullopt;
  }

  test_files::TemporaryFolder folder_;
  win32::Win32System os_;
};

// A drive letter nothing is mapped to, looked for from the end of the alphabet.
std::string AbsentDriveRoot() {
  const DWORD drives = GetLogicalDrives();
  for (char letter = 'y'; letter > 'c'; --letter)
    if (!(drives & (1u << (letter - 'a')))) return std::string(1, letter) + ":\\";
  return {};
}

struct ExistsCase {
  const char* what;
  std::string path;
  bool directory;
  bool file;
};

TEST_F(Win32SystemTest, ExistsTellsFoldersFilesAndNothing) {
  MakeFolder("folder");
  MakeFile("file.txt");
  const std::string absent_drive = AbsentDriveRoot();
  ASSERT_FALSE(absent_drive.empty());
  const ExistsCase cases[] = {
      {"folder", folder_ / "folder", true, false},
      {"folder with a closing backslash", folder_ / "folder\\", true, false},
      {"file", folder_ / "file.txt", false, true},
      {"missing entry", folder_ / "missing", false, false},
      {"entry in a missing folder", folder_ / "missing\\file.txt", false, false},
      {"root of a drive letter nothing is mapped to", absent_drive, false, false},
      {"file on a drive letter nothing is mapped to", absent_drive + "7z.exe", false, false},
  };
  for (const ExistsCase& c : cases) {
    EXPECT_EQ(os_.DirectoryExists(c.path), c.directory) << c.what << ": " << c.path;
    EXPECT_EQ(os_.FileExists(c.path), c.file) << c.what << ": " << c.path;
  }
}

// The install disk is a drive root: the test runner maps one letter to a folder of its own. On
// Windows that is `subst`; under Wine, DefineDosDeviceW reports success but the letter stays
// unusable, so scripts/wine-run links the letter in the prefix instead.
TEST_F(Win32SystemTest, MappedDriveRootTakesTheInstallFolder) {
  const char* drive = std::getenv("WIN32_TESTS_DRIVE");
  if (!drive) GTEST_SKIP() << "WIN32_TESTS_DRIVE names no mapped drive letter";
  const std::string root = std::string(drive) + "\\";
  ASSERT_TRUE(os_.DirectoryExists(root)) << root;
  EXPECT_FALSE(os_.FileExists(root));

  const std::string target = root + "duzozudiv\\";
  os_.MakeDirectory(target);
  ASSERT_TRUE(os_.DirectoryExists(target));
  const install::FileIdentity written = os_.WriteFile(target + "7z.exe", "MZ");
  EXPECT_TRUE(os_.FileExists(target + "7z.exe"));
  os_.RemoveFile(target + "7z.exe", written);
  EXPECT_FALSE(os_.FileExists(target + "7z.exe"));
  EXPECT_TRUE(RemoveDirectoryW(win32::Wide(target).c_str()));
}

TEST_F(Win32SystemTest, WriteCreatesAndOverwriteTruncates) {
  const std::string path = folder_ / "7z.dll";
  os_.WriteFile(path, "a longer first content");
  EXPECT_EQ(ReadBytes(path), "a longer first content");
  os_.WriteFile(path, std::string_view("new\0end", 7));
  EXPECT_EQ(ReadBytes(path), std::string("new\0end", 7));
  os_.WriteFile(path, "");
  EXPECT_EQ(ReadBytes(path), "");
}

TEST_F(Win32SystemTest, SaveLinesEndsEveryLineWithCrLfAndHasNoByteOrderMark) {
  const std::string path = folder_ / "un7zip_duzozudiv.bat";
  os_.WriteFile(path, "an older and longer script");
  os_.SaveLines(path, {"@echo off", "cd /d d:\\duzozudiv\\", ""});
  EXPECT_EQ(ReadBytes(path), "@echo off\r\ncd /d d:\\duzozudiv\\\r\n\r\n");
}

TEST_F(Win32SystemTest, FailureToCreateNamesTheFileAndTheSystemsReason) {
  const std::string in_missing_folder = folder_ / "missing\\7z.exe";
  const std::string expected =
      "无法创建文件 \"" + in_missing_folder + "\"：" + win32::SystemReason(ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(Failure([&] { os_.WriteFile(in_missing_folder, "MZ"); }), expected);
  EXPECT_EQ(Failure([&] { os_.SaveLines(in_missing_folder, {"exit"}); }), expected);

  // A file another program keeps open, as a running 7z.exe would be.
  const std::string in_use = folder_ / "7z.exe";
  MakeFile("7z.exe", "old");
  win32::FileHandle holder = HoldOpen(in_use);
  ASSERT_TRUE(holder);
  EXPECT_EQ(Failure([&] { os_.WriteFile(in_use, "new"); }),
            "无法创建文件 \"" + in_use + "\"：" + win32::SystemReason(ERROR_SHARING_VIOLATION));
}

TEST_F(Win32SystemTest, MakeDirectoryCreatesOneLevelAndReportsNothing) {
  os_.MakeDirectory(folder_ / "a\\b");  // parent missing: nothing happens
  EXPECT_FALSE(os_.DirectoryExists(folder_ / "a"));
  os_.MakeDirectory(folder_ / "a");
  os_.MakeDirectory(folder_ / "a");  // already there
  os_.MakeDirectory(folder_ / "a\\b\\");
  EXPECT_TRUE(os_.DirectoryExists(folder_ / "a\\b"));
}

TEST_F(Win32SystemTest, RemoveFileIgnoresWhatCannotBeRemoved) {
  MakeFile("duzozudiv.7z");
  os_.RemoveFile(folder_ / "duzozudiv.7z", std::nullopt);
  EXPECT_FALSE(os_.FileExists(folder_ / "duzozudiv.7z"));
  EXPECT_NO_THROW(os_.RemoveFile(folder_ / "duzozudiv.7z", std::nullopt));

  MakeFile("7z.exe");
  win32::FileHandle holder = HoldOpen(folder_ / "7z.exe");
  ASSERT_TRUE(holder);
  EXPECT_NO_THROW(os_.RemoveFile(folder_ / "7z.exe", std::nullopt));
  EXPECT_TRUE(os_.FileExists(folder_ / "7z.exe"));
}

// The script records where it ran and what it was given, beside itself (cmd reads the script in
// the system's code page, so it names no path of its own), and renames its record into place so
// that a half-written one is never read.
TEST_F(Win32SystemTest, OpenHiddenRunsAScriptWithoutParametersInTheCurrentFolder) {
  const std::string record = folder_ / "record.txt";
  os_.SaveLines(folder_ / "record.bat",
                {
                    "@echo off",
                    "cd > \"%~dp0record.part\"",
                    "echo [%*]>> \"%~dp0record.part\"",
                    "move /y \"%~dp0record.part\" \"%~dp0record.txt\" > nul",
                });
  os_.OpenHidden(folder_ / "record.bat");

  const std::uint64_t deadline = os_.Milliseconds() + 30'000;
  while (!os_.FileExists(record) && os_.Milliseconds() < deadline) os_.Sleep(50);
  ASSERT_TRUE(os_.FileExists(record)) << "the script did not run within 30 s";

  wchar_t current[MAX_PATH];
  const DWORD length = GetCurrentDirectoryW(MAX_PATH, current);
  ASSERT_GT(length, 0u);
  EXPECT_EQ(ReadBytes(record), win32::Utf8({current, length}) + "\r\n[]\r\n");
}

TEST_F(Win32SystemTest, ClockIsMonotonicAndFollowsSleep) {
  const std::uint64_t before = os_.Milliseconds();
  os_.Sleep(200);
  const std::uint64_t after = os_.Milliseconds();
  // The tick count moves in steps of up to 16 ms.
  EXPECT_GE(after - before, 184u);
  EXPECT_LT(after - before, 10'000u);
  EXPECT_GE(os_.Milliseconds(), after);
}

}  // namespace
