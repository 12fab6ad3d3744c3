// UTF-8 inside the program, UTF-16 at the Win32 edge.
#pragma once

#include <string>
#include <string_view>

namespace win32 {

std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);

}  // namespace win32
