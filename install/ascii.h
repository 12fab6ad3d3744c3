// ASCII letter case, for the names the installer composes; other bytes (UTF-8 included) pass
// unchanged.
#pragma once

#include <string>

namespace install {

inline char AsciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

inline std::string AsciiUpper(std::string text) {
  for (char& c : text) c = AsciiUpper(c);
  return text;
}

}  // namespace install
