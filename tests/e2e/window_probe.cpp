// Asks the installer's window whether it answers, as Windows judges a hung window: a message
// sent with a time-out that gives up on a window that does not answer.
// Usage: window_probe <milliseconds>. Exit code 0: answered in time; 1: did not; 2: no window.
#include <windows.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
  const UINT timeout = argc > 1 ? static_cast<UINT>(std::wcstoul(argv[1], nullptr, 10)) : 1000;
  HWND window = FindWindowW(nullptr, L"安装向导");
  if (!window) return 2;
  DWORD_PTR result = 0;
  const ULONGLONG start = GetTickCount64();
  LRESULT answered =
      SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, timeout, &result);
  std::printf("%llu\n", GetTickCount64() - start);
  return answered ? 0 : 1;
}
