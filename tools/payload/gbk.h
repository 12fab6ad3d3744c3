// Conversion between UTF-8 and GBK (code page 936), the code page in which Chinese Windows
// systems read ZIP entry names that lack the UTF-8 flag.
#pragma once

#include <string>
#include <string_view>

namespace payload {

// Both throw std::runtime_error naming the text when it cannot be converted.
std::string Utf8ToGbk(std::string_view utf8);
std::string GbkToUtf8(std::string_view gbk);

}  // namespace payload
