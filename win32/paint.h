// Painting primitives of the styled controls: colour arithmetic, filled and rounded rectangles,
// one line of text. Alpha is blended by hand, over what the DC already holds.
#pragma once

#include <windows.h>

#include <string_view>

#include "ui/window_description.h"

namespace win32 {

COLORREF ToColorRef(const ui::Color& color);
ui::Color FromColorRef(COLORREF color);

// What is seen where `over`, at its own alpha, covers the opaque `below`.
ui::Color Blend(const ui::Color& over, const ui::Color& below);
// The colour `share` of the way from `from` to `to` (share 0..1), opaque.
ui::Color Mix(const ui::Color& from, const ui::Color& to, double share);

// Fills a rectangle whose corners are rounded with the radius in pixels; the corner pixels the
// arc only partly covers are blended with what lies below in proportion to that cover.
void FillRounded(HDC dc, const RECT& area, int radius, const ui::Color& color);
// One line of text in the font and colour, transparent background, laid out by format
// (DrawTextW flags).
void DrawTextLine(HDC dc, const RECT& area, std::wstring_view text, HFONT font, COLORREF color,
                  UINT format);

}  // namespace win32
