// Asks the installer's window whether it answers, as Windows judges a hung window: a message
// sent with a time-out that gives up on a window that does not answer. Also tells what kind of
// process owns the window, so that a case can be sure which program it ran.
// Usage: window_probe <milliseconds>. Prints "<milliseconds taken> <wow64|native>".
// Exit code 0: answered in time; 1: did not; 2: no window; 3: the process cannot be asked.
#include <windows.h>

#include <cstdio>
#include <cwchar>

namespace {

// Whether the process is a 32-bit program under WoW64. IsWow64Process2 tells on Windows 10
// and later (and on Wine); IsWow64Process is the fallback on older systems.
bool IsWow64(HANDLE process, bool& wow64) {
  using IsWow64Process2Function = BOOL(WINAPI*)(HANDLE, USHORT*, USHORT*);
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  auto is_wow64_process2 = reinterpret_cast<IsWow64Process2Function>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "IsWow64Process2")));
  if (is_wow64_process2) {
    USHORT process_machine = 0, native_machine = 0;
    if (!is_wow64_process2(process, &process_machine, &native_machine)) return false;
    wow64 = process_machine != IMAGE_FILE_MACHINE_UNKNOWN;
    return true;
  }
  BOOL result = FALSE;
  if (!IsWow64Process(process, &result)) return false;
  wow64 = result != FALSE;
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const UINT timeout = argc > 1 ? static_cast<UINT>(std::wcstoul(argv[1], nullptr, 10)) : 1000;
  HWND window = FindWindowW(nullptr, L"安装向导");
  if (!window) return 2;
  DWORD_PTR result = 0;
  const ULONGLONG start = GetTickCount64();
  LRESULT answered =
      SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, timeout, &result);
  const ULONGLONG taken = GetTickCount64() - start;

  DWORD process_id = 0;
  GetWindowThreadProcessId(window, &process_id);
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process_id);
  bool wow64 = false;
  const bool known = process && IsWow64(process, wow64);
  if (process) CloseHandle(process);
  std::printf("%llu %s\n", taken, known ? (wow64 ? "wow64" : "native") : "unknown");
  if (!known) return 3;
  return answered ? 0 : 1;
}
