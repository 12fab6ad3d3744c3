// Code page 936 (GBK) for the few Chinese characters the tests' file names use: ASCII stays
// as it is, the listed characters convert both ways, anything else throws.
#pragma once

#include <string>
#include <string_view>

namespace doubles {

std::string ToGbk(std::string_view utf8);
std::string FromGbk(std::string_view gbk);

}  // namespace doubles
