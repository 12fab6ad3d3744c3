#include "win32/panel.h"

#include <windowsx.h>

#include <algorithm>
#include <cstdint>
#include <utility>

#include "install/failure.h"
#include "ui/hit_test.h"
#include "win32/cursor.h"
#include "win32/focus.h"
#include "win32/paint.h"
#include "win32/text.h"

namespace win32 {
namespace {

// A 32-bit top-down bitmap whose pixels the program can write directly.
Bitmap MakeCanvas(int width, int height, std::uint32_t** pixels) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  Bitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0),
                "无法创建面板的画布");
  if (pixels) *pixels = static_cast<std::uint32_t*>(bits);
  return bitmap;
}

}  // namespace

Panel::Panel(const ui::ControlDescription& description, const ui::PanelStyle& style,
             WindowContext& context, HWND parent, int id, const wchar_t* window_class)
    : description_(description),
      style_(style),
      context_(context),
      caption_(description.caption),
      wide_caption_(Wide(description.caption)),
      width_(std::max(description.width, 1)),
      height_(std::max(description.height, 1)) {
  std::uint32_t* pixels = nullptr;
  background_ = MakeCanvas(width_, height_, &pixels);
  RenderPanelBackground(pixels, width_, height_, style_,
                        FromColorRef(GetSysColor(COLOR_BTNHIGHLIGHT)),
                        FromColorRef(GetSysColor(COLOR_BTNSHADOW)));
  background_selected_.emplace(background_dc_.get(), background_.get());
  canvas_ = MakeCanvas(width_, height_, nullptr);
  canvas_selected_.emplace(canvas_dc_.get(), canvas_.get());

  const DWORD style_bits = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS |
                           (description.visible ? WS_VISIBLE : 0) |
                           (description.enabled ? 0 : WS_DISABLED);
  // A control parent: tabbing from the window goes on into the panel's controls.
  window_ = CreateWindowExW(WS_EX_CONTROLPARENT, window_class, L"", style_bits, description.left,
                            description.top, width_, height_, parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                            GetModuleHandleW(nullptr), this);
  if (!window_) throw install::Failure("无法创建面板 " + description.name);
}

void Panel::ArrangeTabOrder() {
  std::vector<std::pair<int, WindowedControl*>> order;
  for (WindowedControl* control : windowed_) {
    const int given = control->description().tab_order;
    order.emplace_back(given >= 0 ? given : static_cast<int>(order.size()), control);
  }
  std::stable_sort(order.begin(), order.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  HWND after = HWND_TOP;
  for (const auto& [key, control] : order) {
    SetWindowPos(control->hwnd(), after, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    after = control->hwnd();
  }
}

bool Panel::Enabled() const { return IsWindowEnabled(window_) != FALSE; }

void Panel::SetEnabled(bool enabled) { EnableWindow(window_, enabled); }

bool Panel::Visible() const { return (GetWindowLongW(window_, GWL_STYLE) & WS_VISIBLE) != 0; }

void Panel::SetVisible(bool visible) { ShowWindow(window_, visible ? SW_SHOWNA : SW_HIDE); }

void Panel::SetCaption(const std::string& caption) {
  wide_caption_ = Wide(caption);
  caption_ = caption;
  InvalidateRect(window_, nullptr, FALSE);
}

void Panel::Changed(const DrawnControl& control) {
  Invalidate(&control);
  if (pressed_ == &control && (!control.Visible() || !control.Enabled())) {
    pressed_ = nullptr;
    ReleaseCapture();
    tracking_ = false;
  }
  RefreshHover();
}

HDC Panel::Render() {
  HDC canvas = canvas_dc_.get();
  BitBlt(canvas, 0, 0, width_, height_, background_dc_.get(), 0, 0, SRCCOPY);
  if (!wide_caption_.empty())
    DrawTextLine(canvas, {0, 0, width_, height_}, wide_caption_, context_.fonts.window(),
                 ToColorRef(context_.description.font.color),
                 DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  for (const DrawnControl* control : drawn_)
    if (control->Visible()) control->Paint(canvas, LookOf(*control));
  return canvas;
}

LRESULT Panel::Handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT covers every pixel
    case WM_PAINT:
      Paint();
      return 0;
    case WM_MOUSEMOVE:
      PointerAt(GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam));
      return 0;
    case WM_LBUTTONDOWN:
      Press(GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam));
      return 0;
    case WM_LBUTTONUP:
      Release(GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam));
      return 0;
    case WM_MOUSELEAVE:
      tracking_ = false;
      SetHover(nullptr);
      return 0;
    case WM_CAPTURECHANGED:
      // The press was taken away (a message box, another window): no click comes of it.
      if (pressed_ && reinterpret_cast<HWND>(lparam) != window) {
        Invalidate(pressed_);
        pressed_ = nullptr;
      }
      return 0;
    case WM_COMMAND:
      for (WindowedControl* control : windowed_)
        if (lparam && control->hwnd() == reinterpret_cast<HWND>(lparam)) {
          control->Command(HIWORD(wparam));
          return 0;
        }
      break;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
      for (WindowedControl* control : windowed_)
        if (control->hwnd() == item->hwndItem) {
          control->DrawItem(*item);
          return TRUE;
        }
      break;
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX: {
      LRESULT brush = DefWindowProcW(window, message, wparam, lparam);
      SetTextColor(reinterpret_cast<HDC>(wparam), ToColorRef(context_.description.font.color));
      return brush;
    }
    case WM_SETCURSOR:
      if (std::optional<LRESULT> answer = AnswerSetCursor(context_.application.cursor))
        return *answer;
      break;
    case WM_NEXTDLGCTL:
      MoveFocus(window, wparam, lparam);
      return 0;
    case WM_CLOSE:
      // Only the window's close box closes; a multi-line edit sends this on Escape.
      return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

const DrawnControl* Panel::DrawnAt(int x, int y) const {
  const ui::ControlDescription* hit =
      ui::TopmostAt(context_.description, x, y, [this](const ui::ControlDescription& control) {
        if (control.parent != description_.name) return false;
        // A disabled drawn control lets the mouse through; a windowed one covers what is below.
        if (const DrawnControl* drawn = FindDrawn(control.name))
          return drawn->Visible() && drawn->Enabled();
        if (const WindowedControl* windowed = FindWindowed(control.name))
          return windowed->Visible();
        return false;
      });
  return hit ? FindDrawn(hit->name) : nullptr;
}

const DrawnControl* Panel::FindDrawn(const std::string& name) const {
  for (const DrawnControl* control : drawn_)
    if (control->description().name == name) return control;
  return nullptr;
}

const WindowedControl* Panel::FindWindowed(const std::string& name) const {
  for (const WindowedControl* control : windowed_)
    if (control->description().name == name) return control;
  return nullptr;
}

Look Panel::LookOf(const DrawnControl& control) const {
  if (!control.Enabled()) return Look::Disabled;
  if (pressed_ == &control) return pressed_inside_ ? Look::Pressed : Look::Normal;
  if (!pressed_ && hover_ == &control) return Look::Hover;
  return Look::Normal;
}

void Panel::Invalidate(const DrawnControl* control) {
  if (!control || !window_) return;
  RECT area = control->bounds();
  InvalidateRect(window_, &area, FALSE);
}

void Panel::Paint() {
  PaintSession paint(window_);
  if (!paint.dc()) return;
  HDC canvas = Render();
  const RECT& area = paint.area();
  BitBlt(paint.dc(), area.left, area.top, area.right - area.left, area.bottom - area.top, canvas,
         area.left, area.top, SRCCOPY);
}

void Panel::PointerAt(int x, int y) {
  if (!tracking_) {
    TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, window_, 0};
    tracking_ = TrackMouseEvent(&track) != FALSE;
  }
  const DrawnControl* hit = DrawnAt(x, y);
  if (pressed_) {
    // A held button shows pressed only while the pointer is on it, as native buttons do.
    if ((hit == pressed_) != pressed_inside_) {
      pressed_inside_ = hit == pressed_;
      Invalidate(pressed_);
    }
    return;
  }
  SetHover(hit);
}

void Panel::Press(int x, int y) {
  const DrawnControl* hit = DrawnAt(x, y);
  if (!hit) return;
  pressed_ = hit;
  pressed_inside_ = true;
  SetCapture(window_);
  Invalidate(hit);
}

void Panel::Release(int x, int y) {
  if (!pressed_) return;
  const DrawnControl* released = pressed_;
  const bool click = DrawnAt(x, y) == released;
  pressed_ = nullptr;
  ReleaseCapture();
  tracking_ = false;
  Invalidate(released);
  SetHover(DrawnAt(x, y));
  // Last: the handler may run the event loop (an installation) or show a message box.
  if (click) context_.events.Notify(released->description().name, ui::Event::Click);
}

void Panel::SetHover(const DrawnControl* control) {
  if (control == hover_) return;
  Invalidate(hover_);
  hover_ = control;
  Invalidate(hover_);
}

void Panel::RefreshHover() {
  if (pressed_ || !window_) return;
  POINT at{};
  const DrawnControl* hit = nullptr;
  if (GetCursorPos(&at) && WindowFromPoint(at) == window_) {
    ScreenToClient(window_, &at);
    hit = DrawnAt(at.x, at.y);
  }
  SetHover(hit);
}

}  // namespace win32
