#include "win32/hardening.h"

#include <windows.h>

#include "win32/system_error.h"
#include "win32/text.h"

namespace win32 {
namespace {

// The system's own "no disk in drive" and "cannot open file" boxes stay away: a failing call
// simply reports the error.
void SilenceCriticalErrorBoxes() { SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX); }

// DLLs loaded by name come from System32 only, never from the program's or the working
// folder. Systems without SetDefaultDllDirectories at least lose the working folder, and get
// the DLLs their own libraries load later preloaded from System32.
void RestrictDllSearchToSystem32() {
  // Present from Windows 8, and on Vista and 7 with update KB2533623; looked up so the program
  // still starts without it.
  using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
  constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
  HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
  auto set_default =
      kernel32 ? reinterpret_cast<SetDefaultDllDirectoriesFunction>(reinterpret_cast<void (*)()>(
                     GetProcAddress(kernel32, "SetDefaultDllDirectories")))
               : nullptr;
  if (set_default && set_default(kSearchSystem32)) return;
  SetDllDirectoryW(L"");
  PreloadSystemDlls();
}

}  // namespace

void PreloadSystemDlls() {
  // The libraries that the system's own DLLs load by name later (themes, the shell, the
  // loader's compatibility layer), loaded now from System32 by full path: once loaded, a load
  // by name finds them and never looks beside the program. They stay loaded for that reason.
  static constexpr const wchar_t* kLibraries[] = {L"uxtheme.dll",   L"userenv.dll", L"setupapi.dll",
                                                  L"apphelp.dll",   L"propsys.dll", L"dwmapi.dll",
                                                  L"cryptbase.dll", L"oleacc.dll",  L"clbcatq.dll",
                                                  L"ntmarta.dll",   L"version.dll"};
  wchar_t system[MAX_PATH];
  const UINT length = GetSystemDirectoryW(system, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  for (const wchar_t* library : kLibraries) {
    const std::wstring path = std::wstring(system, length) + L"\\" + library;
    // One this system lacks is not loaded by its own libraries either.
    LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  }
}

std::string ProgramPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) {
      const DWORD code = GetLastError();
      throw SystemError("无法确定安装程序的位置", code);
    }
    if (length < path.size()) {
      path.resize(length);
      return Utf8(path);
    }
    path.resize(path.size() * 2);  // cut short: try a larger buffer
  }
}

std::optional<std::string> DllRedirectionBeside(const std::string& program_path) {
  const std::string redirection = program_path + ".local";
  if (GetFileAttributesW(Wide(redirection).c_str()) != INVALID_FILE_ATTRIBUTES) return redirection;
  const DWORD code = GetLastError();
  // Only a clear "not there" lets the program go on; an entry it may not read still counts.
  if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return std::nullopt;
  return redirection;
}

std::optional<std::string> HardenStartup() {
  SilenceCriticalErrorBoxes();
  RestrictDllSearchToSystem32();
  const std::optional<std::string> redirection = DllRedirectionBeside(ProgramPath());
  if (!redirection) return std::nullopt;
  const std::string name = redirection->substr(redirection->find_last_of("\\/") + 1);
  return "安装程序所在的文件夹中有 \"" + name +
         "\"，它会让系统从这里而不是从系统文件夹加载组件。为安全起见，安装程序不会运行。"
         "请删除它后再运行安装程序。";
}

}  // namespace win32
