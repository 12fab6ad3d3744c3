#include "win32/drawn_controls.h"

#include <algorithm>

#include "win32/paint.h"
#include "win32/text.h"

namespace win32 {
namespace {

constexpr ui::Color kWhite{255, 255, 255, 255};

ui::Color Gradient(const ui::Color& from, const ui::Color& to, int step, int steps) {
  return Mix(from, to, steps > 1 ? double(step) / (steps - 1) : 0.0);
}

// Pixels of the panel background as colours.
class Pixels {
 public:
  Pixels(std::uint32_t* pixels, int width, int height)
      : pixels_(pixels), width_(width), height_(height) {}

  ui::Color at(int x, int y) const {
    std::uint32_t value = pixels_[y * width_ + x];
    return {std::uint8_t(value >> 16), std::uint8_t(value >> 8), std::uint8_t(value), 255};
  }
  void set(int x, int y, const ui::Color& color) {
    pixels_[y * width_ + x] = (std::uint32_t(color.red) << 16) | (std::uint32_t(color.green) << 8) |
                              std::uint32_t(color.blue);
  }
  // The ring `inset` pixels in from the edge; top and left take `top_left`, bottom and right
  // (the corners where they meet included) `bottom_right`, each blended at its alpha.
  void Ring(int inset, const ui::Color& top_left, const ui::Color& bottom_right) {
    const int left = inset, top = inset, right = width_ - 1 - inset, bottom = height_ - 1 - inset;
    if (right < left || bottom < top) return;
    auto put = [&](int x, int y, const ui::Color& color) { set(x, y, Blend(color, at(x, y))); };
    for (int x = left; x < right; ++x) put(x, top, top_left);
    for (int y = top + 1; y < bottom; ++y) put(left, y, top_left);
    for (int x = left; x <= right; ++x) put(x, bottom, bottom_right);
    for (int y = top; y < bottom; ++y) put(right, y, bottom_right);
  }

 private:
  std::uint32_t* pixels_;
  int width_;
  int height_;
};

// The button's face for the look; disabled is the normal face made paler.
ui::ButtonFace FaceFor(const ui::ButtonStyle& style, Look look) {
  switch (look) {
    case Look::Hover:
      return style.hover;
    case Look::Pressed:
      return style.pressed;
    case Look::Disabled: {
      ui::ButtonFace face = style.normal;
      face.background = Mix(style.normal.background, kWhite, 0.5);
      face.border = Mix(style.normal.border, kWhite, 0.5);
      face.text = Mix(style.normal.text, face.background, 0.4);
      return face;
    }
    case Look::Normal:
      break;
  }
  return style.normal;
}

}  // namespace

void PrepareFonts(const ui::ButtonStyle& style, FontSet& fonts) {
  for (const ui::ButtonFace* face : {&style.normal, &style.hover, &style.pressed})
    fonts.Get(face->text_size, face->bold);
}

void PaintButton(HDC dc, const RECT& area, const ui::ButtonStyle& style, Look look,
                 std::wstring_view caption, FontSet& fonts) {
  const ui::ButtonFace face = FaceFor(style, look);
  FillRounded(dc, area, style.rounding, face.border);
  const RECT inner{area.left + 1, area.top + 1, area.right - 1, area.bottom - 1};
  FillRounded(dc, inner, std::max(style.rounding - 1, 0), face.background);
  DrawTextLine(dc, area, caption, fonts.Get(face.text_size, face.bold), ToColorRef(face.text),
               DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void RenderPanelBackground(std::uint32_t* pixels, int width, int height,
                           const ui::PanelStyle& style, const ui::Color& highlight,
                           const ui::Color& shadow) {
  Pixels image(pixels, width, height);
  const int split = height * std::clamp(style.gradient_split_percent, 0, 100) / 100;
  for (int y = 0; y < height; ++y) {
    ui::Color row = y < split
                        ? Gradient(style.gradient[0], style.gradient[1], y, split)
                        : Gradient(style.gradient[2], style.gradient[3], y - split, height - split);
    for (int x = 0; x < width; ++x) image.set(x, y, row);
  }
  int inset = 0;
  auto bevel = [&](ui::Bevel kind) {
    if (kind == ui::Bevel::None) return;
    const bool raised = kind == ui::Bevel::Raised;
    for (int i = 0; i < style.bevel_width; ++i)
      image.Ring(inset++, raised ? highlight : shadow, raised ? shadow : highlight);
  };
  bevel(style.bevel_outer);
  image.Ring(inset++, style.border, style.border);
  image.Ring(inset++, style.light, style.light);
  bevel(style.bevel_inner);
}

DrawnControl::DrawnControl(const ui::ControlDescription& description, DrawnHost& host)
    : description_(description),
      host_(host),
      enabled_(description.enabled),
      visible_(description.visible),
      caption_(description.caption),
      wide_caption_(Wide(description.caption)) {}

RECT DrawnControl::bounds() const {
  return {description_.left, description_.top, description_.left + description_.width,
          description_.top + description_.height};
}

void DrawnControl::SetEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  host_.Changed(*this);
}

void DrawnControl::SetVisible(bool visible) {
  if (visible_ == visible) return;
  visible_ = visible;
  host_.Changed(*this);
}

void DrawnControl::SetCaption(const std::string& caption) {
  if (caption_ == caption) return;
  wide_caption_ = Wide(caption);
  caption_ = caption;
  host_.Changed(*this);
}

DrawnButton::DrawnButton(const ui::ControlDescription& description, DrawnHost& host,
                         const ui::ButtonStyle& style, FontSet& fonts)
    : DrawnControl(description, host), style_(style), fonts_(fonts) {
  PrepareFonts(style_, fonts_);
}

void DrawnButton::Paint(HDC dc, Look look) const {
  PaintButton(dc, bounds(), style_, look, wide_caption(), fonts_);
}

DrawnLabel::DrawnLabel(const ui::ControlDescription& description, DrawnHost& host, FontSet& fonts,
                       const ui::Color& color)
    : DrawnControl(description, host), font_(fonts.window()), color_(ToColorRef(color)) {}

void DrawnLabel::Paint(HDC dc, Look look) const {
  COLORREF color = look == Look::Disabled ? GetSysColor(COLOR_GRAYTEXT) : color_;
  DrawTextLine(dc, bounds(), wide_caption(), font_, color, DT_LEFT | DT_TOP | DT_SINGLELINE);
}

}  // namespace win32
