#include "win32/hardening.h"

#include <gtest/gtest.h>

#include "test_files.h"
#include "win32/handle.h"
#include "win32/text.h"

namespace {

std::string AsciiLower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

bool Exists(const std::string& path) {
  return GetFileAttributesW(win32::Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

TEST(Hardening, RedirectionIsAFileOrFolderNamedAfterTheProgram) {
  test_files::TemporaryFolder folder;
  const std::string program = folder / "installer.exe";
  EXPECT_EQ(win32::DllRedirectionBeside(program), std::nullopt);

  ASSERT_TRUE(CreateDirectoryW(win32::Wide(program + ".local").c_str(), nullptr));
  EXPECT_EQ(win32::DllRedirectionBeside(program), program + ".local");
  ASSERT_TRUE(RemoveDirectoryW(win32::Wide(program + ".local").c_str()));

  win32::FileHandle file(CreateFileW(win32::Wide(program + ".local").c_str(), GENERIC_WRITE, 0,
                                     nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(file);
  EXPECT_EQ(win32::DllRedirectionBeside(program), program + ".local");
}

TEST(Hardening, ProgramPathIsThisProgramsFile) {
  const std::string path = win32::ProgramPath();
  EXPECT_TRUE(path.ends_with("\\win32_tests.exe")) << path;
  EXPECT_TRUE(Exists(path)) << path;
}

// Where the DLL search cannot be restricted, these are loaded from System32 before anything
// could look for them beside the program.
TEST(Hardening, PreloadedDllsComeFromSystem32) {
  wchar_t system[MAX_PATH];
  const UINT length = GetSystemDirectoryW(system, MAX_PATH);
  ASSERT_GT(length, 0u);
  const std::string folder = win32::Utf8({system, length}) + "\\";
  win32::PreloadSystemDlls();
  for (const char* name : {"uxtheme.dll", "dwmapi.dll", "setupapi.dll", "version.dll"}) {
    HMODULE module = GetModuleHandleW(win32::Wide(name).c_str());
    if (!module && !Exists(folder + name)) continue;  // not part of this system
    ASSERT_TRUE(module) << name << " was not loaded";
    wchar_t path[MAX_PATH];
    const DWORD size = GetModuleFileNameW(module, path, MAX_PATH);
    // Names are compared as the file system does, without regard to case: a DLL loaded
    // earlier through another's import table keeps the case spelled there ("VERSION.dll").
    EXPECT_EQ(AsciiLower(win32::Utf8({path, size})), AsciiLower(folder + name));
  }
}

// Last in this process: the DLL search stays restricted once restricted. search_probe.dll lies
// only beside this program.
TEST(Hardening, StartupRefusesBesideARedirectionAndLoadsDllsFromSystem32Only) {
  {
    win32::ModuleHandle probe(LoadLibraryW(L"search_probe.dll"));
    ASSERT_TRUE(probe) << "the default search order should find it beside the program";
  }

  const std::string redirection = win32::ProgramPath() + ".local";
  ASSERT_TRUE(CreateDirectoryW(win32::Wide(redirection).c_str(), nullptr));
  const std::optional<std::string> refusal = win32::HardenStartup();
  RemoveDirectoryW(win32::Wide(redirection).c_str());
  ASSERT_TRUE(refusal.has_value());
  EXPECT_NE(refusal->find("\"win32_tests.exe.local\""), std::string::npos) << *refusal;

  EXPECT_EQ(win32::HardenStartup(), std::nullopt);
  const UINT mode = GetErrorMode();
  EXPECT_TRUE(mode & SEM_FAILCRITICALERRORS);
  EXPECT_TRUE(mode & SEM_NOOPENFILEERRORBOX);

  win32::ModuleHandle beside(LoadLibraryW(L"search_probe.dll"));
  EXPECT_FALSE(beside) << "loaded from beside the program";
  win32::ModuleHandle system(LoadLibraryW(L"version.dll"));
  EXPECT_TRUE(system) << "a System32 DLL must still load by name";
  const std::string program = win32::ProgramPath();
  const std::string full_path = program.substr(0, program.rfind('\\') + 1) + "search_probe.dll";
  win32::ModuleHandle by_path(LoadLibraryW(win32::Wide(full_path).c_str()));
  EXPECT_TRUE(by_path) << "a full path still loads";
}

}  // namespace
