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

// The state every drawn control keeps; the panel paints it and routes the mouse to it. Each
// kind of control below is also its toolkit kind, whose operations are these.
class DrawnControl {
 public:
  DrawnControl(const ui::ControlDescription& description, DrawnHost& host);
  DrawnControl(const DrawnControl&) = delete;
  DrawnControl& operator=(const DrawnControl&) = delete;

  const ui::ControlDescription& description() const { return description_; }
  // In the panel's client coordinates.
  RECT bounds() const;
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);

  virtual void Paint(HDC dc, Look look) const = 0;

 protected:
  ~DrawnControl() = default;
  const std::wstring& wide_caption() const { return wide_caption_; }

 private:
  const ui::ControlDescription& description_;
  DrawnHost& host_;
  bool enabled_;
  bool visible_;
  std::string caption_;
  std::wstring wide_caption_;
};

class DrawnButton final : public ui::TBCButton, public DrawnControl {
 public:
  DrawnButton(const ui::ControlDescription& description, DrawnHost& host,
              const ui::ButtonStyle& style, FontSet& fonts);
  bool Enabled() const override { return DrawnControl::Enabled(); }
  void SetEnabled(bool enabled) override { DrawnControl::SetEnabled(enabled); }
  bool Visible() const override { return DrawnControl::Visible(); }
  void SetVisible(bool visible) override { DrawnControl::SetVisible(visible); }
  std::string Caption() const override { return DrawnControl::Caption(); }
  void SetCaption(const std::string& caption) override { DrawnControl::SetCaption(caption); }
  void Paint(HDC dc, Look look) const override;

 private:
  const ui::ButtonStyle& style_;
  FontSet& fonts_;
};

// Text in the window's font and colour, on a transparent background.
class DrawnLabel final : public ui::TLabel, public DrawnControl {
 public:
  DrawnLabel(const ui::ControlDescription& description, DrawnHost& host, FontSet& fonts,
             const ui::Color& color);
  bool Enabled() const override { return DrawnControl::Enabled(); }
  void SetEnabled(bool enabled) override { DrawnControl::SetEnabled(enabled); }
  bool Visible() const override { return DrawnControl::Visible(); }
  void SetVisible(bool visible) override { DrawnControl::SetVisible(visible); }
  std::string Caption() const override { return DrawnControl::Caption(); }
  void SetCaption(const std::string& caption) override { DrawnControl::SetCaption(caption); }
  void Paint(HDC dc, Look look) const override;

 private:
  HFONT font_;
  COLORREF color_;
};

}  // namespace win32
