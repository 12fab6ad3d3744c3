// Stand-in for the installed application's main program: a window saying it has started,
// open until the user closes it. Lets the installer's launch step be tried end to end.

#include <windows.h>

namespace {

constexpr wchar_t kClassName[] = L"StandinAppMainWindow";
constexpr wchar_t kCaption[] = L"澄岚汽车用品销售工作系统";
constexpr wchar_t kMessage[] = L"应用程序已启动。";

// Pairs BeginPaint with EndPaint.
class PaintScope {
 public:
  explicit PaintScope(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
  ~PaintScope() { EndPaint(window_, &paint_); }
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  HDC dc() const { return dc_; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_PAINT: {
      PaintScope paint(window);
      RECT client;
      GetClientRect(window, &client);
      SelectObject(paint.dc(), GetStockObject(DEFAULT_GUI_FONT));
      SetBkMode(paint.dc(), TRANSPARENT);
      DrawTextW(paint.dc(), kMessage, -1, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wparam, lparam);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  window_class.lpszClassName = kClassName;
  if (RegisterClassExW(&window_class) == 0) return 1;

  constexpr int kWidth = 360, kHeight = 160;
  HWND window = CreateWindowExW(
      0, kClassName, kCaption, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
      (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2, (GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2,
      kWidth, kHeight, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 1;
  ShowWindow(window, show);
  UpdateWindow(window);

  MSG message;
  BOOL got;
  while ((got = GetMessageW(&message, nullptr, 0, 0)) != 0) {
    if (got == -1) return 1;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}
