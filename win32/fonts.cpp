#include "win32/fonts.h"

#include <string>

#include "install/failure.h"
#include "win32/text.h"

namespace win32 {
namespace {

BYTE Charset(const std::string& name) {
  static const std::pair<const char*, BYTE> kCharsets[] = {
      {"default", DEFAULT_CHARSET},  {"ansi", ANSI_CHARSET}, {"gb2312", GB2312_CHARSET},
      {"big5", CHINESEBIG5_CHARSET}, {"oem", OEM_CHARSET},   {"symbol", SYMBOL_CHARSET},
  };
  for (const auto& [known, value] : kCharsets)
    if (name == known) return value;
  throw install::Failure("未知的字符集：" + name);
}

}  // namespace

FontSet::FontSet(const ui::Font& font)
    : font_(font), charset_(Charset(font.charset)), window_(Make(font.height, false)) {}

HFONT FontSet::Get(int height, bool bold) {
  if (height == 0) height = font_.height;
  if (height == font_.height && !bold) return window_.get();
  for (const Variant& variant : variants_)
    if (variant.height == height && variant.bold == bold) return variant.font.get();
  variants_.push_back({height, bold, Make(height, bold)});
  return variants_.back().font.get();
}

Font FontSet::Make(int height, bool bold) const {
  // A negative height asks for that character height, without the internal leading.
  HFONT made = CreateFontW(-height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                           charset_, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                           font_.draft_quality ? DRAFT_QUALITY : DEFAULT_QUALITY,
                           (font_.variable_pitch ? VARIABLE_PITCH : FIXED_PITCH) | FF_DONTCARE,
                           Wide(font_.name).c_str());
  return Font(made, "无法创建字体");
}

}  // namespace win32
