// What someone could plant as "7z.com" in a folder the installer would use: the command
// interpreter would run it in place of "7z.exe". It leaves a marker beside itself, so that a
// test sees whether it ran.
#include <windows.h>

#include <string>

int wmain() {
  wchar_t self[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return 1;
  std::wstring marker(self, length);
  marker.resize(marker.find_last_of(L'\\') + 1);
  marker += L"planted-command-ran";
  HANDLE file = CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  CloseHandle(file);
  return 0;
}
