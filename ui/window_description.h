// A window as its stored layout describes it: the form, its controls in creation order, their
// event bindings by handler name, and the named styles the drawn controls use.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace ui {

enum class ControlKind { TBCButton, TBCButtonFocus, TBCPanel, TComboBox, TLabel, TMemo, TTimer };
enum class Event { Create, Click, KeyPress, Timer };
enum class BorderStyle { None, Single, Sizeable };
enum class Bevel { None, Raised, Lowered };

struct Color {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  std::uint8_t alpha = 255;
  bool operator==(const Color&) const = default;
};

struct Font {
  std::string name;
  int height = 0;  // character height in pixels
  std::string charset;
  bool variable_pitch = false;
  bool draft_quality = false;
  Color color;
  bool operator==(const Font&) const = default;
};

struct ButtonFace {
  Color background;
  Color border;
  Color text;
  int text_size = 0;  // 0: the window's font size
  bool bold = false;
  bool operator==(const ButtonFace&) const = default;
};

struct ButtonStyle {
  ButtonFace normal;
  ButtonFace hover;
  ButtonFace pressed;
  int rounding = 0;
  bool operator==(const ButtonStyle&) const = default;
};

struct PanelStyle {
  // Two vertical gradients: top half from [0] to [1], bottom half from [2] to [3].
  Color gradient[4];
  int gradient_split_percent = 50;
  Color border;  // alpha is the border's opacity
  Color light;   // the light edge inside the border
  Bevel bevel_outer = Bevel::None;
  int bevel_width = 0;
  Bevel bevel_inner = Bevel::None;
  bool operator==(const PanelStyle&) const = default;
};

struct EventBinding {
  Event event = Event::Click;
  std::string handler;
  int line = 0;
};

struct ControlDescription {
  std::string name;
  ControlKind kind = ControlKind::TLabel;
  int line = 0;  // where the control's block starts
  std::string parent;
  int left = 0, top = 0, width = 0, height = 0;
  std::string caption;             // buttons and labels
  std::string text;                // memo: filled from text_resource when the form is built
  std::string text_resource;       // memo: the stored text that holds its lines
  std::vector<std::string> items;  // drop-down box
  int item_height = 0;
  bool visible = true;
  bool enabled = true;
  bool editable = false;
  bool tab_stop = false;
  int tab_order = -1;  // -1: none given
  bool border = true;
  bool vertical_scroll_bar = false;
  std::string style;  // name of a button or panel style
  int interval = 0;   // timer, milliseconds
  std::vector<EventBinding> events;
};

struct WindowDescription {
  std::string class_name;
  int line = 0;
  std::string caption;
  int left = 0, top = 0;
  int client_width = 0, client_height = 0;
  BorderStyle border = BorderStyle::Sizeable;
  bool system_menu = true;
  bool minimize_box = true;
  bool maximize_box = true;
  Font font;
  std::vector<EventBinding> events;          // window events (creation)
  std::vector<ControlDescription> controls;  // in creation order
  std::map<std::string, ButtonStyle> button_styles;
  std::map<std::string, PanelStyle> panel_styles;

  const ControlDescription* Find(const std::string& name) const {
    for (const auto& control : controls)
      if (control.name == name) return &control;
    return nullptr;
  }
};

}  // namespace ui
