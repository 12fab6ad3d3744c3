#include "win32/paint.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "win32/gdi.h"

namespace win32 {
namespace {

std::uint8_t Channel(double value) {
  return static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 255L));
}

// How much of the pixel (column, row) of a corner square the quarter disc of the radius covers,
// the disc's centre at (radius, radius): sampled on a 4 x 4 grid.
double CornerCover(int column, int row, int radius) {
  constexpr int kSamples = 4;
  int inside = 0;
  for (int sy = 0; sy < kSamples; ++sy) {
    for (int sx = 0; sx < kSamples; ++sx) {
      double dx = radius - (column + (sx + 0.5) / kSamples);
      double dy = radius - (row + (sy + 0.5) / kSamples);
      if (dx * dx + dy * dy <= double(radius) * radius) ++inside;
    }
  }
  return double(inside) / (kSamples * kSamples);
}

// Fills with a solid colour through the DC brush: no GDI object is made.
void FillSolid(HDC dc, const RECT& area, COLORREF color) {
  if (area.right <= area.left || area.bottom <= area.top) return;
  COLORREF previous = SetDCBrushColor(dc, color);
  FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  SetDCBrushColor(dc, previous);
}

}  // namespace

COLORREF ToColorRef(const ui::Color& color) { return RGB(color.red, color.green, color.blue); }

ui::Color FromColorRef(COLORREF color) {
  return {GetRValue(color), GetGValue(color), GetBValue(color), 255};
}

ui::Color Blend(const ui::Color& over, const ui::Color& below) {
  return Mix(below, over, over.alpha / 255.0);
}

ui::Color Mix(const ui::Color& from, const ui::Color& to, double share) {
  auto mix = [share](std::uint8_t a, std::uint8_t b) { return Channel(a + (b - a) * share); };
  return {mix(from.red, to.red), mix(from.green, to.green), mix(from.blue, to.blue), 255};
}

void FillRounded(HDC dc, const RECT& area, int radius, const ui::Color& color) {
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  radius = std::clamp(radius, 0, std::min(width, height) / 2);
  const COLORREF solid = ToColorRef(color);
  // The cross between the corner squares is solid.
  FillSolid(dc, {area.left + radius, area.top, area.right - radius, area.bottom}, solid);
  FillSolid(dc, {area.left, area.top + radius, area.left + radius, area.bottom - radius}, solid);
  FillSolid(dc, {area.right - radius, area.top + radius, area.right, area.bottom - radius}, solid);
  for (int row = 0; row < radius; ++row) {
    for (int column = 0; column < radius; ++column) {
      double cover = CornerCover(column, row, radius);
      const POINT corners[] = {{area.left + column, area.top + row},
                               {area.right - 1 - column, area.top + row},
                               {area.left + column, area.bottom - 1 - row},
                               {area.right - 1 - column, area.bottom - 1 - row}};
      for (const POINT& at : corners) {
        ui::Color below = FromColorRef(GetPixel(dc, at.x, at.y));
        SetPixelV(dc, at.x, at.y, ToColorRef(Mix(below, color, cover)));
      }
    }
  }
}

void DrawTextLine(HDC dc, const RECT& area, std::wstring_view text, HFONT font, COLORREF color,
                  UINT format) {
  Selection selected(dc, font);
  int previous_mode = SetBkMode(dc, TRANSPARENT);
  COLORREF previous_color = SetTextColor(dc, color);
  RECT box = area;
  std::wstring copy(text);  // DrawTextW may write to the text with some flags
  DrawTextW(dc, copy.data(), static_cast<int>(copy.size()), &box, format | DT_NOPREFIX);
  SetTextColor(dc, previous_color);
  SetBkMode(dc, previous_mode);
}

}  // namespace win32
