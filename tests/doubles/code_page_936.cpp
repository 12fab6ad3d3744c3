#include "tests/doubles/code_page_936.h"

#include "install/failure.h"

namespace doubles {
namespace {

struct Character {
  std::string_view utf8;
  std::string_view gbk;
};

constexpr Character kCharacters[] = {{"澄", "\xb3\xce"}, {"岚", "\xe1\xb0"}, {"汽", "\xc6\xfb"},
                                     {"车", "\xb3\xb5"}, {"用", "\xd3\xc3"}, {"品", "\xc6\xb7"},
                                     {"销", "\xcf\xfa"}, {"售", "\xca\xdb"}, {"工", "\xb9\xa4"},
                                     {"作", "\xd7\xf7"}, {"系", "\xcf\xb5"}, {"统", "\xcd\xb3"},
                                     {"客", "\xbf\xcd"}, {"户", "\xbb\xa7"}, {"端", "\xb6\xcb"},
                                     {"配", "\xc5\xe4"}, {"置", "\xd6\xc3"}};

// Converts character by character: ASCII as it is, the rest through the table.
template <std::string_view Character::*From, std::string_view Character::*To>
std::string Convert(std::string_view text, std::size_t wide) {
  std::string out;
  while (!text.empty()) {
    if (static_cast<unsigned char>(text.front()) < 0x80) {
      out += text.front();
      text.remove_prefix(1);
      continue;
    }
    bool found = false;
    for (const Character& c : kCharacters) {
      if (text.substr(0, wide) != c.*From) continue;
      out += c.*To;
      text.remove_prefix(wide);
      found = true;
      break;
    }
    if (!found) throw install::Failure("not in the test's code page 936 table");
  }
  return out;
}

}  // namespace

std::string ToGbk(std::string_view utf8) {
  return Convert<&Character::utf8, &Character::gbk>(utf8, 3);
}

std::string FromGbk(std::string_view gbk) {
  return Convert<&Character::gbk, &Character::utf8>(gbk, 2);
}

}  // namespace doubles
