// The window's font and the sizes and weights of it the styled controls draw with, each made
// once and kept for the life of the window.
#pragma once

#include <windows.h>

#include <vector>

#include "ui/window_description.h"
#include "win32/gdi.h"

namespace win32 {

class FontSet {
 public:
  // Throws if the described font cannot be made (an unknown character set included).
  explicit FontSet(const ui::Font& font);

  // The window's own font, as described.
  HFONT window() const { return window_.get(); }
  int height() const { return font_.height; }
  // The window's face at this character height (0: the window's) and weight; made on the first
  // request, so ask for every one a control needs when the control is built.
  HFONT Get(int height, bool bold);

 private:
  Font Make(int height, bool bold) const;

  struct Variant {
    int height;
    bool bold;
    Font font;
  };

  ui::Font font_;
  BYTE charset_;
  Font window_;
  std::vector<Variant> variants_;  // a few: found by looking through them
};

}  // namespace win32
