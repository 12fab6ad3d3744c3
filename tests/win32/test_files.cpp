#include "test_files.h"

#include <windows.h>

#include <filesystem>
#include <stdexcept>

#include "win32/handle.h"
#include "win32/text.h"

namespace test_files {

std::string ReadBytes(const std::string& path) {
  win32::FileHandle file(CreateFileW(win32::Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (!file || !GetFileSizeEx(file.get(), &size)) throw std::runtime_error("cannot open " + path);
  std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  if (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
      read != bytes.size())
    throw std::runtime_error("cannot read " + path);
  return bytes;
}

TemporaryFolder::TemporaryFolder() {
  static int count = 0;
  const std::filesystem::path outer =
      std::filesystem::temp_directory_path() /
      (L"win32_tests_" + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(++count));
  const std::filesystem::path inner = outer / L"安装测试";
  std::filesystem::create_directories(inner);
  outer_ = win32::Utf8(outer.wstring());
  path_ = win32::Utf8(inner.wstring());
}

TemporaryFolder::~TemporaryFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(win32::Wide(outer_), ignored);
}

}  // namespace test_files
