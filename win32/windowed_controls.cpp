#include "win32/windowed_controls.h"

#include <algorithm>

#include "install/failure.h"
#include "win32/cursor.h"
#include "win32/drawn_controls.h"
#include "win32/text.h"

namespace win32 {
namespace {

// Lines in the edit control end in CR LF; lone LFs are made into that.
std::string ToCrLf(const std::string& text) {
  std::string converted;
  converted.reserve(text.size() + text.size() / 32);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) converted += '\r';
    converted += text[i];
  }
  return converted;
}

std::string FromCrLf(const std::string& text) {
  std::string converted;
  converted.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) converted += text[i];
  return converted;
}

// Rows the open list of the drop-down box shows at most before it scrolls.
constexpr int kListRows = 8;

}  // namespace

WindowedControl::WindowedControl(const ui::ControlDescription& description, WindowContext& context)
    : description_(description), context_(context) {}

DWORD WindowedControl::BaseStyle() const {
  return WS_CHILD | WS_CLIPSIBLINGS | (description_.visible ? WS_VISIBLE : 0) |
         (description_.enabled ? 0 : WS_DISABLED) | (description_.tab_stop ? WS_TABSTOP : 0);
}

void WindowedControl::Create(const wchar_t* window_class, DWORD style, DWORD ex_style, HWND panel,
                             int id, int height) {
  window_ = CreateWindowExW(ex_style, window_class, L"", style, description_.left, description_.top,
                            description_.width, height, panel,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                            GetModuleHandleW(nullptr), nullptr);
  if (!window_) throw install::Failure("无法创建控件 " + description_.name);
  SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(context_.fonts.window()), FALSE);
  Hook(window_);
}

std::optional<LRESULT> WindowedControl::Hooked(const Subclass& hook, UINT message, WPARAM wparam,
                                               LPARAM lparam) {
  if (message == WM_SETCURSOR)
    if (std::optional<LRESULT> answer = AnswerSetCursor(context_.application.cursor)) return answer;
  return Message(hook, message, wparam, lparam);
}

bool WindowedControl::Enabled() const { return IsWindowEnabled(window_) != FALSE; }

void WindowedControl::SetEnabled(bool enabled) {
  if (!enabled) GiveUpFocus();
  EnableWindow(window_, enabled);
}

bool WindowedControl::Visible() const {
  return (GetWindowLongW(window_, GWL_STYLE) & WS_VISIBLE) != 0;
}

void WindowedControl::SetVisible(bool visible) {
  if (!visible) GiveUpFocus();
  // Hiding invalidates the panel below, which repaints what the control covered.
  ShowWindow(window_, visible ? SW_SHOWNA : SW_HIDE);
}

std::string WindowedControl::Caption() const {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window_)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window_, text.data(), int(text.size()))));
  return Utf8(text);
}

void WindowedControl::SetCaption(const std::string& caption) {
  if (!SetWindowTextW(window_, Wide(caption).c_str()))
    throw install::Failure("无法设置控件 " + description_.name + " 的文字");
}

void WindowedControl::GiveUpFocus() {
  HWND focus = GetFocus();
  if (!focus || (focus != window_ && !IsChild(window_, focus))) return;
  HWND root = GetAncestor(window_, GA_ROOT);
  HWND next = GetNextDlgTabItem(root, window_, FALSE);
  SetFocus(next && next != window_ && !IsChild(window_, next) ? next : root);
}

FocusButton::FocusButton(const ui::ControlDescription& description, WindowContext& context,
                         HWND panel, int id, const ui::ButtonStyle& style, Backdrop& backdrop)
    : WindowedControl(description, context), style_(style), backdrop_(backdrop) {
  PrepareFonts(style_, context.fonts);
  Create(L"BUTTON", BaseStyle() | BS_OWNERDRAW, 0, panel, id, description.height);
  SetCaption(description.caption);
}

void FocusButton::Command(WORD code) {
  if (code == BN_CLICKED) Click();
}

void FocusButton::Click() { context().events.Notify(description().name, ui::Event::Click); }

void FocusButton::DrawItem(const DRAWITEMSTRUCT& item) {
  Look look = Look::Normal;
  if (item.itemState & ODS_DISABLED)
    look = Look::Disabled;
  else if (item.itemState & ODS_SELECTED)
    look = Look::Pressed;
  else if (hover_)
    look = Look::Hover;
  // Painted in the panel's back buffer over what lies below, then copied in one go.
  HDC canvas = backdrop_.Render();
  const ui::ControlDescription& place = description();
  RECT area{place.left, place.top, place.left + place.width, place.top + place.height};
  PaintButton(canvas, area, style_, look, Wide(Caption()), context().fonts);
  if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) {
    RECT focus = area;
    InflateRect(&focus, -3, -3);
    DrawFocusRect(canvas, &focus);
  }
  BitBlt(item.hDC, 0, 0, place.width, place.height, canvas, place.left, place.top, SRCCOPY);
}

std::optional<LRESULT> FocusButton::Message(const Subclass& hook, UINT message, WPARAM wparam,
                                            LPARAM lparam) {
  switch (message) {
    case WM_MOUSEMOVE:
      if (!hover_) {
        hover_ = true;
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, hwnd(), 0};
        TrackMouseEvent(&track);
        InvalidateRect(hwnd(), nullptr, FALSE);
      }
      break;
    case WM_MOUSELEAVE:
      hover_ = false;
      InvalidateRect(hwnd(), nullptr, FALSE);
      break;
    case WM_SHOWWINDOW:
      if (!wparam) hover_ = false;
      break;
    case WM_ERASEBKGND:
      return 1;  // WM_DRAWITEM paints every pixel
    case WM_LBUTTONDBLCLK:
      // A quick second press is another click, not a double-click notification.
      return hook.Pass(WM_LBUTTONDOWN, wparam, lparam);
    case WM_GETDLGCODE: {
      // Enter clicks the focused button, rather than going to the window as a dialog key.
      LRESULT code = hook.Pass(message, wparam, lparam);
      const MSG* key = reinterpret_cast<const MSG*>(lparam);
      if (key && key->message == WM_KEYDOWN && key->wParam == VK_RETURN) code |= DLGC_WANTMESSAGE;
      return code;
    }
    case WM_KEYDOWN:
      if (wparam == VK_RETURN) {
        Click();
        return 0;
      }
      break;
  }
  return std::nullopt;
}

ComboBox::ComboBox(const ui::ControlDescription& description, WindowContext& context, HWND panel,
                   int id)
    : WindowedControl(description, context) {
  const DWORD style = BaseStyle() | WS_VSCROLL | CBS_AUTOHSCROLL |
                      (description.editable ? CBS_DROPDOWN : CBS_DROPDOWNLIST);
  // A drop-down box is made as tall as its open list reaches; its closed height is set below.
  const int row = description.item_height > 0 ? description.item_height : context.fonts.height();
  const int rows = std::clamp(static_cast<int>(description.items.size()), 1, kListRows);
  Create(L"COMBOBOX", style, 0, panel, id, description.height + row * rows + 2);
  for (const std::string& item : description.items)
    if (SendMessageW(hwnd(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item).c_str())) < 0)
      throw install::Failure("无法向下拉框 " + description.name + " 添加项目");
  FitHeights();

  COMBOBOXINFO parts{};
  parts.cbSize = sizeof(parts);
  if (!GetComboBoxInfo(hwnd(), &parts))
    throw install::Failure("无法取得下拉框 " + description.name + " 的组成部分");
  if (parts.hwndItem && parts.hwndItem != hwnd()) {
    field_ = parts.hwndItem;
    Hook(field_);
  }
  if (parts.hwndList) Hook(parts.hwndList);
}

void ComboBox::FitHeights() {
  const ui::ControlDescription& place = description();
  if (place.item_height > 0) SendMessageW(hwnd(), CB_SETITEMHEIGHT, 0, place.item_height);
  // The closed box takes the described height: its selection field grows or shrinks by what
  // the box lacks or has in excess. The height asked for and the one reported back need not
  // be the same number (Wine reports two more), so the box is measured after each request.
  const LRESULT field = SendMessageW(hwnd(), CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
  if (field == CB_ERR) return;
  int requested = static_cast<int>(field);
  for (int attempt = 0; attempt < 3; ++attempt) {
    RECT box{};
    GetWindowRect(hwnd(), &box);
    const int lacking = place.height - (box.bottom - box.top);
    if (lacking == 0 || requested + lacking <= 0) return;
    requested += lacking;
    SendMessageW(hwnd(), CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), requested);
  }
}

std::optional<LRESULT> ComboBox::Message(const Subclass& hook, UINT message, WPARAM wparam,
                                         LPARAM lparam) {
  // Typing goes to the edit field, or to the box itself when it has none; the list only shows
  // the chosen cursor.
  if (hook.window() == (field_ ? field_ : hwnd())) return Typing(hook, message, wparam, lparam);
  return std::nullopt;
}

std::optional<LRESULT> ComboBox::Typing(const Subclass& hook, UINT message, WPARAM wparam,
                                        LPARAM lparam) {
  switch (message) {
    case WM_CHAR:
    case WM_IME_CHAR: {
      const wchar_t unit = static_cast<wchar_t>(wparam);
      if (IS_HIGH_SURROGATE(unit)) {
        pending_high_surrogate_ = unit;  // the character comes whole with its second half
        return 0;
      }
      char32_t key = unit;
      if (IS_LOW_SURROGATE(unit)) {
        if (!pending_high_surrogate_) return 0;
        key = 0x10000 + ((char32_t(pending_high_surrogate_) - 0xD800) << 10) + (unit - 0xDC00);
      }
      pending_high_surrogate_ = 0;
      return Deliver(hook, message, key, lparam);
    }
    case WM_UNICHAR:
      if (wparam == UNICODE_NOCHAR) return TRUE;  // yes, this window takes WM_UNICHAR
      Deliver(hook, WM_CHAR, static_cast<char32_t>(wparam), lparam);
      return FALSE;
    case WM_PASTE:
    case WM_CUT:
    case WM_CLEAR:
    case WM_UNDO:
    case EM_UNDO:
      return 0;
    case WM_KEYDOWN:
      // Delete removes, Shift+Delete cuts, Shift+Insert pastes: none goes through the filter.
      if (wparam == VK_DELETE) return 0;
      if (wparam == VK_INSERT && GetKeyState(VK_SHIFT) < 0) return 0;
      break;
    case WM_IME_STARTCOMPOSITION:
    case WM_IME_COMPOSITION:
    case WM_IME_ENDCOMPOSITION:
      // The field composes nothing in place: the system's own composition window does, and
      // its result arrives as WM_IME_CHAR, through the filter.
      return DefWindowProcW(hook.window(), message, wparam, lparam);
  }
  return std::nullopt;
}

LRESULT ComboBox::Deliver(const Subclass& hook, UINT message, char32_t key, LPARAM lparam) {
  context().events.KeyPress(description().name, key);
  if (key == U'\0') return 0;
  if (key < 0x10000) return hook.Pass(message, static_cast<WPARAM>(key), lparam);
  const char32_t offset = key - 0x10000;
  hook.Pass(message, 0xD800 + (offset >> 10), lparam);
  return hook.Pass(message, 0xDC00 + (offset & 0x3FF), lparam);
}

Memo::Memo(const ui::ControlDescription& description, WindowContext& context, HWND panel, int id)
    : WindowedControl(description, context) {
  const DWORD style = BaseStyle() | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN |
                      (description.vertical_scroll_bar ? WS_VSCROLL : 0) |
                      (description.editable ? 0 : ES_READONLY);
  Create(L"EDIT", style, description.border ? WS_EX_CLIENTEDGE : 0, panel, id, description.height);
  SendMessageW(hwnd(), EM_SETLIMITTEXT, 0, 0);  // no limit: the text is as long as it is
  SetCaption(description.text);
}

std::string Memo::Caption() const { return FromCrLf(WindowedControl::Caption()); }

void Memo::SetCaption(const std::string& caption) { WindowedControl::SetCaption(ToCrLf(caption)); }

std::optional<LRESULT> Memo::Message(const Subclass& hook, UINT message, WPARAM wparam,
                                     LPARAM lparam) {
  if (message == WM_GETDLGCODE) {
    // Tabbing into the memo must not select the whole text, as it would in a dialog.
    return hook.Pass(message, wparam, lparam) & ~LRESULT(DLGC_HASSETSEL);
  }
  return std::nullopt;
}

}  // namespace win32
