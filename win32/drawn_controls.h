// The styled controls that are not windows: buttons and labels, painted by their panel in
// creation order, and the painting of the panel's own background.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "ui/toolkit.h"
#include "ui/window_description.h"
#include "win32/fonts.h"

namespace win32 {

// How a button shows: its state under the pointer, or disabled.
enum class Look { Normal, Hover, Pressed, Disabled };

// The button's face for the look; disabled is the normal face made paler.
ui::ButtonFace FaceFor(const ui::ButtonStyle& style, Look look);
// Makes the fonts the style's faces draw with, so that painting never has to.
void PrepareFonts(const ui::ButtonStyle& style, FontSet& fonts);
// Border, background with the style's rounding, and the caption centred on one line.
void PaintButton(HDC dc, const RECT& area, const ui::ButtonStyle& style, Look look,
                 std::wstring_view caption, FontSet& fonts);

// The panel's background into 32-bit pixels (0x00RRGGBB, top row first): the two gradients,
// then from the edge inwards the outer bevel, the border and the light edge blended at their
// opacity over the gradient, and the inner bevel. highlight and shadow are the bevel's colours.
void RenderPanelBackground(std::uint32_t* pixels, int width, int height,
                           const ui::PanelStyle& style, const ui::Color& highlight,
                           const ui::Color& shadow);

class DrawnControl;

// Where drawn controls live: told of every change that needs a repaint.
class DrawnHost {
 public:
  virtual void Changed(const DrawnControl& control) = 0;

 protected:
  ~DrawnHost() = default;
};

// The state every drawn control keeps; the panel paints it and routes the mouse to it.
class DrawnControl {
 public:
  DrawnControl(const ui::ControlDescription& description, DrawnHost& host);
  virtual ~DrawnControl() = default;

  const ui::ControlDescription& description() const { return description_; }
  // In the panel's client coordinates.
  RECT bounds() const;
  bool enabled() const { return enabled_; }
  bool visible() const { return visible_; }
  const std::string& caption() const { return caption_; }
  void set_enabled(bool enabled);
  void set_visible(bool visible);
  void set_caption(const std::string& caption);

  virtual void Paint(HDC dc, Look look) const = 0;

 protected:
  const std::wstring& wide_caption() const { return wide_caption_; }

 private:
  const ui::ControlDescription& description_;
  DrawnHost& host_;
  bool enabled_;
  bool visible_;
  std::string caption_;
  std::wstring wide_caption_;
};

// A drawn control seen as the toolkit kind of control it is.
template <class Kind>
class Drawn : public Kind, public DrawnControl {
 public:
  using DrawnControl::DrawnControl;
  bool Enabled() const override { return enabled(); }
  void SetEnabled(bool enabled) override { set_enabled(enabled); }
  bool Visible() const override { return visible(); }
  void SetVisible(bool visible) override { set_visible(visible); }
  std::string Caption() const override { return caption(); }
  void SetCaption(const std::string& caption) override { set_caption(caption); }
};

class DrawnButton final : public Drawn<ui::TBCButton> {
 public:
  DrawnButton(const ui::ControlDescription& description, DrawnHost& host,
              const ui::ButtonStyle& style, FontSet& fonts);
  void Paint(HDC dc, Look look) const override;

 private:
  const ui::ButtonStyle& style_;
  FontSet& fonts_;
};

// Text in the window's font and colour, on a transparent background.
class DrawnLabel final : public Drawn<ui::TLabel> {
 public:
  DrawnLabel(const ui::ControlDescription& description, DrawnHost& host, FontSet& fonts,
             const ui::Color& color);
  void Paint(HDC dc, Look look) const override;

 private:
  HFONT font_;
  COLORREF color_;
};

}  // namespace win32
