// The resources of the built installer.exe, read back through Win32System from the program
// file loaded as an image resource, as the running program reads its own.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "built_program.h"
#include "install/catalogue.h"
#include "install/failure.h"
#include "test_files.h"
#include "win32/handle.h"
#include "win32/text.h"
#include "win32/win32_system.h"

namespace {

using test_files::ReadBytes;

// The built program, or another build of it (a signed copy, say) named by the environment.
std::string ProgramPath() {
  const char* other = std::getenv("SETUP_PROGRAM_UNDER_TEST");
  return other && *other ? other : built::kProgram;
}

class ProgramResources : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    program_ = new win32::ModuleHandle(
        LoadLibraryExW(win32::Wide(ProgramPath()).c_str(), nullptr,
                       LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
  }
  static void TearDownTestSuite() {
    delete program_;
    program_ = nullptr;
  }
  void SetUp() override { ASSERT_TRUE(*program_) << "cannot load " << ProgramPath(); }

  static std::string Stored(std::string_view name) {
    return std::string(Os().OpenResource(name)->Bytes());
  }
  static win32::Win32System Os() { return win32::Win32System(program_->get()); }

  static win32::ModuleHandle* program_;
};

win32::ModuleHandle* ProgramResources::program_ = nullptr;

TEST_F(ProgramResources, EachHoldsTheBytesOfItsFile) {
  for (const auto& [name, file] : built::kRawResources)
    EXPECT_TRUE(Stored(name) == ReadBytes(file)) << name << " differs from " << file;
}

TEST_F(ProgramResources, TheNamesTheInstallerAsksForAreFoundWhateverTheirCase) {
  win32::Win32System os = Os();
  // The sequence asks "7Zexe"; the program file stores "7ZEXE".
  EXPECT_EQ(os.OpenResource(install::kArchiveProgramResource)->Bytes().data(),
            os.OpenResource("7ZEXE")->Bytes().data());
  for (const char* name : {install::kPayloadResource, install::kArchiveLibraryResource, "TMAIN",
                           "AGREEMENT", "tmain", "Agreement"})
    EXPECT_NO_THROW(os.OpenResource(name)) << name;
}

TEST_F(ProgramResources, LauncherLineForEachDiskIsInGbk) {
  // "start X:\duzozudiv\duzozudiv\澄岚汽车用品销售工作系统.exe" in code page 936.
  const std::string program_name =
      "\xB3\xCE\xE1\xB0\xC6\xFB\xB3\xB5\xD3\xC3\xC6\xB7\xCF\xFA\xCA\xDB\xB9\xA4\xD7\xF7\xCF\xB5"
      "\xCD\xB3.exe";
  for (const char* root : {"c:\\", "d:\\", "e:\\", "f:\\", "g:\\"}) {
    const std::string line = std::string("start ") + root + "duzozudiv\\duzozudiv\\" + program_name;
    ASSERT_EQ(line.size(), 57u);
    EXPECT_EQ(Stored(install::InstallResourceName(root)), line) << root;
  }
}

TEST_F(ProgramResources, AMissingNameIsReportedAsAsked) {
  for (const char* name : {"HINSTALL", "hInstall"}) {
    try {
      Os().OpenResource(name);
      ADD_FAILURE() << name << " was found";
    } catch (const install::Failure& error) {
      EXPECT_EQ(std::string(error.what()), "找不到资源 \"" + std::string(name) + "\"");
    }
  }
}

// The payload goes to disk straight from the mapped program image, never through a copy on the
// heap.
TEST_F(ProgramResources, PayloadIsWrittenFromTheMappedImage) {
  win32::Win32System os = Os();
  const std::string_view payload = os.OpenResource(install::kPayloadResource)->Bytes();
  MEMORY_BASIC_INFORMATION memory{};
  ASSERT_NE(VirtualQuery(payload.data(), &memory, sizeof memory), 0u);
  EXPECT_NE(memory.Type, static_cast<DWORD>(MEM_PRIVATE));

  test_files::TemporaryFolder folder;
  os.WriteFile(folder / install::kPayloadFile, payload);
  const auto* source = std::find_if(
      std::begin(built::kRawResources), std::end(built::kRawResources), [](const auto& resource) {
        return std::string_view(resource.first) == install::kPayloadResource;
      });
  ASSERT_NE(source, std::end(built::kRawResources));
  EXPECT_TRUE(ReadBytes(folder / install::kPayloadFile) == ReadBytes(source->second));
}

TEST(OwnResources, ComeFromTheRunningProgramByDefault) {
  win32::Win32System os;
  EXPECT_EQ(os.OpenResource("owndata")->Bytes(), "own");
}

// Zero is what SizeofResource returns on failure, and the size of an empty resource.
TEST(OwnResources, AnEmptyOneIsFoundWithNoBytes) {
  win32::Win32System os;
  EXPECT_EQ(os.OpenResource("emptydata")->Bytes(), "");
}

// As the system's file properties show it.
TEST_F(ProgramResources, VersionIsChineseWithTheProductsNames) {
  const std::wstring program = win32::Wide(ProgramPath());
  DWORD ignored = 0;
  std::string block(GetFileVersionInfoSizeW(program.c_str(), &ignored), '\0');
  ASSERT_FALSE(block.empty());
  ASSERT_TRUE(
      GetFileVersionInfoW(program.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
  auto query = [&](const wchar_t* key) -> std::pair<const void*, UINT> {
    void* value = nullptr;
    UINT size = 0;
    if (!VerQueryValueW(block.data(), key, &value, &size)) return {nullptr, 0};
    return {value, size};
  };
  auto text = [&](const wchar_t* key) {
    auto [value, size] = query(key);
    return value ? win32::Utf8(static_cast<const wchar_t*>(value)) : "(none)";
  };

  auto [translation, translation_size] = query(L"\\VarFileInfo\\Translation");
  ASSERT_EQ(translation_size, 4u);
  EXPECT_EQ(static_cast<const WORD*>(translation)[0], 0x0804);
  EXPECT_EQ(static_cast<const WORD*>(translation)[1], 1200);
  EXPECT_EQ(text(L"\\StringFileInfo\\080404b0\\ProductName"), "澄岚汽车用品销售工作系统 安装程序");
  EXPECT_EQ(text(L"\\StringFileInfo\\080404b0\\FileDescription"), "安装向导");
  EXPECT_EQ(text(L"\\StringFileInfo\\080404b0\\CompanyName"), "澄岚软件工作室");
  EXPECT_EQ(text(L"\\StringFileInfo\\080404b0\\ProductVersion").rfind(built::kVersion, 0), 0u);

  auto [fixed, fixed_size] = query(L"\\");
  ASSERT_EQ(fixed_size, sizeof(VS_FIXEDFILEINFO));
  const auto* info = static_cast<const VS_FIXEDFILEINFO*>(fixed);
  const std::string numbers = std::to_string(HIWORD(info->dwFileVersionMS)) + "." +
                              std::to_string(LOWORD(info->dwFileVersionMS)) + "." +
                              std::to_string(HIWORD(info->dwFileVersionLS));
  EXPECT_EQ(numbers, built::kVersion);
}

}  // namespace
