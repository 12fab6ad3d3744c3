#include "win32/system_error.h"

#include <string_view>

#include "win32/text.h"

namespace win32 {
namespace {

// Frees what FormatMessageW allocated.
struct LocalText {
  wchar_t* text = nullptr;
  ~LocalText() { LocalFree(text); }
};

}  // namespace

std::string SystemReason(DWORD code) {
  const std::string numbered = "错误代码 " + std::to_string(code);
  // FormatMessageW would call 0 a success.
  if (code == ERROR_SUCCESS) return "系统未说明原因（" + numbered + "）";
  LocalText message;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&message.text), 0, nullptr);
  std::wstring_view reason(message.text, message.text ? length : 0);
  const std::size_t end = reason.find_last_not_of(L" \t\r\n");
  reason = reason.substr(0, end == std::wstring_view::npos ? 0 : end + 1);
  if (reason.empty()) return numbered;
  return Utf8(reason);
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

SystemError::SystemError(const std::string& failure, DWORD code)
    : install::Failure(failure + "：" + SystemReason(code)), code_(code) {}

}  // namespace win32
