#include "win32/win32_system.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <optional>

#include "install/crc32.h"
#include "install/failure.h"
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
    } catch (const install::Failure& error) {
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

TEST_F(Win32SystemTest, DigestReadsTheWholeFileAndSizeLooksOnlyAtFiles) {
  // Larger than one read, and not a multiple of it.
  std::string bytes(700'001, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 131 + i / 977);
  MakeFile("data.bin", bytes);
  MakeFile("empty.txt", "");
  MakeFolder("folder");

  EXPECT_EQ(os_.FileSize(folder_ / "data.bin"), bytes.size());
  const std::optional<install::FileDigest> digest = os_.ReadDigest(folder_ / "data.bin");
  ASSERT_TRUE(digest);
  EXPECT_EQ(digest->size, bytes.size());
  EXPECT_EQ(digest->crc32, install::Crc32(bytes));
  EXPECT_EQ(os_.ReadDigest(folder_ / "empty.txt")->crc32, 0u);
  for (const char* absent : {"folder", "missing.txt", "missing\\data.bin"}) {
    EXPECT_FALSE(os_.FileSize(folder_ / absent)) << absent;
    EXPECT_FALSE(os_.ReadDigest(folder_ / absent)) << absent;
  }
  // A file the extraction still writes, shared for reading, can be read meanwhile.
  win32::FileHandle writer(CreateFileW(win32::Wide(folder_ / "data.bin").c_str(), GENERIC_WRITE,
                                       FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(writer);
  EXPECT_EQ(os_.ReadDigest(folder_ / "data.bin")->size, bytes.size());
}

// A junction or symbolic link must not pass for a file or folder of the extraction.
TEST_F(Win32SystemTest, LinksAreToldApartAndNotReadThrough) {
  MakeFolder("real");
  MakeFile("real\\file.txt", "content");
  MakeFile("plain.txt");
  if (!CreateSymbolicLinkW(win32::Wide(folder_ / "linked").c_str(),
                           win32::Wide(folder_ / "real").c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) ||
      !CreateSymbolicLinkW(win32::Wide(folder_ / "link.txt").c_str(),
                           win32::Wide(folder_ / "real\\file.txt").c_str(), 0))
    GTEST_SKIP() << "no symbolic links here: " << win32::SystemReason(GetLastError());
  // Wine makes them as links of the host's file system, which it does not report as such.
  const DWORD attributes = GetFileAttributesW(win32::Wide(folder_ / "linked").c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
    GTEST_SKIP() << "this system does not report symbolic links as reparse points";
  EXPECT_TRUE(os_.IsLink(folder_ / "linked"));
  EXPECT_TRUE(os_.IsLink(folder_ / "linked\\"));
  EXPECT_TRUE(os_.IsLink(folder_ / "link.txt"));
  EXPECT_FALSE(os_.IsLink(folder_ / "real"));
  EXPECT_FALSE(os_.IsLink(folder_ / "plain.txt"));
  EXPECT_FALSE(os_.IsLink(folder_ / "missing"));
  EXPECT_FALSE(os_.FileSize(folder_ / "link.txt"));
  // Opened as itself, a link holds no data: its target's content is never read.
  const std::optional<install::FileDigest> link = os_.ReadDigest(folder_ / "link.txt");
  EXPECT_TRUE(!link || link->size == 0);
}

TEST_F(Win32SystemTest, DecodesGbkWhateverTheSystemCodePage) {
  EXPECT_EQ(os_.DecodeGbk("duzozudiv/\xb3\xce\xe1\xb0\xc6\xfb\xb3\xb5.exe"),
            "duzozudiv/澄岚汽车.exe");
  EXPECT_EQ(os_.DecodeGbk(""), "");
  EXPECT_THROW(os_.DecodeGbk("bad\x81"), install::Failure);
}

// A disk that fills up mid-write: tests/win32/small_disk.sh maps a 1 MiB drive for this test.
TEST(Win32SystemFullDisk, WriteThatFailsPartWayLeavesNoFile) {
  const char* drive = std::getenv("WIN32_TESTS_FULL_DRIVE");
  if (!drive) GTEST_SKIP() << "WIN32_TESTS_FULL_DRIVE names no small drive";
  win32::Win32System os;
  const std::string bytes(4 << 20, 'x');
  const std::string payload = std::string(drive) + "\\duzozudiv.7z";
  const std::string script = std::string(drive) + "\\un7zip_duzozudiv.bat";
  const std::pair<std::string, std::function<void()>> writes[] = {
      {payload, [&] { os.WriteFile(payload, bytes); }},
      {script, [&] { os.SaveLines(script, {bytes}); }}};
  for (const auto& [path, write] : writes) {
    try {
      write();
      ADD_FAILURE() << "4 MiB fitted on the small drive: " << path;
    } catch (const win32::SystemError& error) {
      EXPECT_EQ(std::string(error.what()),
                "无法写入文件 \"" + path + "\"：" + win32::SystemReason(error.code()));
    }
    EXPECT_FALSE(os.FileExists(path)) << path;
  }
  // The space is free again: a small file fits.
  install::FileIdentity written;
  EXPECT_NO_THROW(written = os.WriteFile(payload, "PK"));
  os.RemoveFile(payload, written);
  EXPECT_FALSE(os.FileExists(payload));
}

}  // namespace
