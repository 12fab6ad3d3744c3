#include "ui/layout_parser.h"

#include <charconv>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "install/failure.h"

namespace ui {

void FailAtLine(int line, const std::string& what) {
  throw install::Failure("窗口布局第 " + std::to_string(line) + " 行：" + what);
}

namespace {

struct Line {
  int number = 0;
  bool indented = false;
  std::vector<std::string> tokens;
};

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r'; }

Line Tokenize(std::string_view text, int number) {
  Line line{number, !text.empty() && IsSpace(text.front()), {}};
  std::size_t i = 0;
  while (i < text.size()) {
    if (IsSpace(text[i])) {
      ++i;
    } else if (text[i] == '#' && (i == 0 || IsSpace(text[i - 1])) &&
               (line.tokens.empty() || i + 1 >= text.size() || IsSpace(text[i + 1]))) {
      break;  // a comment; "#RRGGBB" after a key is a colour
    } else if (text[i] == '"') {
      std::size_t end = text.find('"', i + 1);
      if (end == std::string_view::npos) FailAtLine(number, "引号没有结束");
      line.tokens.emplace_back(text.substr(i, end + 1 - i));
      i = end + 1;
    } else {
      std::size_t end = i;
      while (end < text.size() && !IsSpace(text[end])) ++end;
      line.tokens.emplace_back(text.substr(i, end - i));
      i = end;
    }
  }
  return line;
}

// Reads the values of one property line, in order.
class Values {
 public:
  Values(const Line& line, std::string key) : line_(line), key_(std::move(key)) {}

  int number() const { return line_.number; }
  bool More() const { return next_ < line_.tokens.size(); }

  const std::string& Word() {
    if (!More()) FailAtLine(number(), "属性 " + key_ + " 缺少值");
    const std::string& token = line_.tokens[next_++];
    if (token.front() == '"') FailAtLine(number(), "属性 " + key_ + " 的值不应加引号：" + token);
    return token;
  }
  std::string String() {
    if (!More()) FailAtLine(number(), "属性 " + key_ + " 缺少值");
    const std::string& token = line_.tokens[next_++];
    if (token.front() != '"') FailAtLine(number(), "属性 " + key_ + " 的值应加引号：" + token);
    return token.substr(1, token.size() - 2);
  }
  int Int() { return Parse(Word()); }
  // An integer, or the given word standing for a default value.
  int IntOr(std::string_view word, int fallback) {
    const std::string& token = Word();
    return token == word ? fallback : Parse(token);
  }
  int Parse(const std::string& token) const {
    int value = 0;
    auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
    if (error != std::errc() || end != token.data() + token.size())
      FailAtLine(number(), "属性 " + key_ + " 应为整数：" + token);
    return value;
  }
  bool Bool() { return Choice<bool>({{"true", true}, {"false", false}}); }
  Color Colour() {
    const std::string& token = Word();
    unsigned value = 0;
    auto [end, error] = std::from_chars(token.data() + 1, token.data() + token.size(), value, 16);
    if (token.size() != 7 || token[0] != '#' || error != std::errc() ||
        end != token.data() + token.size())
      FailAtLine(number(), "属性 " + key_ + " 应为颜色 #RRGGBB：" + token);
    return Color{static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 8),
                 static_cast<std::uint8_t>(value), 255};
  }
  template <class T>
  T Choice(std::initializer_list<std::pair<std::string_view, T>> choices) {
    const std::string& token = Word();
    for (const auto& [name, value] : choices)
      if (token == name) return value;
    FailAtLine(number(), "属性 " + key_ + " 的值无效：" + token);
  }
  void Expect(std::string_view word) {
    if (Word() != word) FailAtLine(number(), "属性 " + key_ + " 此处应为 " + std::string(word));
  }
  void End() const {
    if (More()) FailAtLine(number(), "属性 " + key_ + " 的值过多");
  }

 private:
  const Line& line_;
  std::string key_;
  std::size_t next_ = 0;
};

using PropertyReader = std::function<bool(const std::string& key, Values& values)>;

// Reads the indented lines after a block header; each key at most once.
std::size_t ReadProperties(const std::vector<Line>& lines, std::size_t at,
                           const PropertyReader& read, std::set<std::string>& seen) {
  for (; at < lines.size() && lines[at].indented; ++at) {
    const Line& line = lines[at];
    const std::string& key = line.tokens.front();
    if (!seen.insert(key).second) FailAtLine(line.number, "属性 " + key + " 重复");
    Values values(line, key);
    values.Word();
    if (!read(key, values)) FailAtLine(line.number, "未知的属性 " + key);
    values.End();
  }
  return at;
}

void Require(const std::set<std::string>& seen, int line, std::initializer_list<const char*> keys) {
  for (const char* key : keys)
    if (!seen.contains(key)) FailAtLine(line, "缺少属性 " + std::string(key));
}

ControlKind KindNamed(const std::string& word, int line) {
  static const std::pair<const char*, ControlKind> kKinds[] = {
      {"TBCButton", ControlKind::TBCButton}, {"TBCButtonFocus", ControlKind::TBCButtonFocus},
      {"TBCPanel", ControlKind::TBCPanel},   {"TComboBox", ControlKind::TComboBox},
      {"TLabel", ControlKind::TLabel},       {"TMemo", ControlKind::TMemo},
      {"TTimer", ControlKind::TTimer}};
  for (const auto& [name, kind] : kKinds)
    if (word == name) return kind;
  FailAtLine(line, "未知的控件类型 " + word);
}

bool IsButton(ControlKind kind) {
  return kind == ControlKind::TBCButton || kind == ControlKind::TBCButtonFocus;
}

ButtonFace ReadFace(Values& values) {
  ButtonFace face;
  values.Expect("background");
  face.background = values.Colour();
  values.Expect("border");
  face.border = values.Colour();
  values.Expect("text");
  face.text = values.Colour();
  values.Expect("size");
  face.text_size = values.IntOr("default", 0);
  if (values.More()) {
    values.Expect("bold");
    face.bold = true;
  }
  return face;
}

class Parser {
 public:
  explicit Parser(std::string_view text) {
    int number = 0;
    while (!text.empty() || number == 0) {
      ++number;
      std::size_t end = text.find('\n');
      std::string_view raw = text.substr(0, end);
      text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
      Line line = Tokenize(raw, number);
      if (!line.tokens.empty()) lines_.push_back(std::move(line));
      if (end == std::string_view::npos) break;
    }
  }

  WindowDescription Parse() {
    std::size_t at = 0;
    while (at < lines_.size()) {
      const Line& header = lines_[at];
      if (header.indented) FailAtLine(header.number, "属性不属于任何块");
      const std::string& block = header.tokens.front();
      if (block == "form")
        at = Form(at);
      else if (block == "control")
        at = Control(at);
      else if (block == "button-style")
        at = ButtonStyleBlock(at);
      else if (block == "panel-style")
        at = PanelStyleBlock(at);
      else
        FailAtLine(header.number, "未知的块 " + block);
    }
    if (window_.class_name.empty())
      FailAtLine(lines_.empty() ? 1 : lines_.back().number, "缺少 form 块");
    CheckReferences();
    return std::move(window_);
  }

 private:
  const std::vector<std::string>& Header(std::size_t at, std::size_t words) {
    const Line& header = lines_[at];
    if (header.tokens.size() != words + 1)
      FailAtLine(header.number,
                 header.tokens.front() + " 块的标题应有 " + std::to_string(words) + " 个名称");
    return header.tokens;
  }

  std::size_t Form(std::size_t at) {
    const auto& header = Header(at, 1);
    int line = lines_[at].number;
    if (!window_.class_name.empty()) FailAtLine(line, "form 块重复");
    window_.class_name = header[1];
    window_.line = line;
    std::set<std::string> seen;
    at = ReadProperties(
        lines_, at + 1,
        [&](const std::string& key, Values& v) {
          if (key == "caption") {
            window_.caption = v.String();
          } else if (key == "position") {
            window_.left = v.Int();
            window_.top = v.Int();
          } else if (key == "client-size") {
            window_.client_width = v.Int();
            window_.client_height = v.Int();
          } else if (key == "border") {
            window_.border = v.Choice<BorderStyle>({{"none", BorderStyle::None},
                                                    {"single", BorderStyle::Single},
                                                    {"sizeable", BorderStyle::Sizeable}});
          } else if (key == "border-icons") {
            window_.system_menu = window_.minimize_box = window_.maximize_box = false;
            while (v.More()) {
              bool& icon = *v.Choice<bool*>({{"system-menu", &window_.system_menu},
                                             {"minimize", &window_.minimize_box},
                                             {"maximize", &window_.maximize_box}});
              icon = true;
            }
          } else if (key == "font") {
            Font& font = window_.font;
            font.name = v.String();
            font.height = v.Int();
            font.charset = v.Word();
            font.variable_pitch = v.Choice<bool>({{"variable", true}, {"fixed", false}});
            font.draft_quality = v.Choice<bool>({{"draft", true}, {"default", false}});
            font.color = v.Colour();
          } else if (key == "on-create") {
            window_.events.push_back({Event::Create, v.Word(), v.number()});
          } else {
            return false;
          }
          return true;
        },
        seen);
    Require(seen, line, {"caption", "position", "client-size", "font"});
    return at;
  }

  std::size_t Control(std::size_t at) {
    const auto& header = Header(at, 2);
    ControlDescription control;
    control.line = lines_[at].number;
    control.name = header[1];
    control.kind = KindNamed(header[2], control.line);
    if (window_.Find(control.name)) FailAtLine(control.line, "控件 " + control.name + " 重复");
    const ControlKind kind = control.kind;
    const bool visual = kind != ControlKind::TTimer;
    std::set<std::string> seen;
    at = ReadProperties(
        lines_, at + 1,
        [&](const std::string& key, Values& v) {
          if (key == "enabled") {
            control.enabled = v.Bool();
          } else if (!visual && key == "interval") {
            control.interval = v.Int();
          } else if (!visual && key == "on-timer") {
            control.events.push_back({Event::Timer, v.Word(), v.number()});
          } else if (!visual) {
            return false;
          } else if (key == "parent") {
            control.parent = v.Word();
          } else if (key == "bounds") {
            control.left = v.Int();
            control.top = v.Int();
            control.width = v.Int();
            control.height = v.Int();
          } else if (key == "visible") {
            control.visible = v.Bool();
          } else if (key == "tab-stop") {
            control.tab_stop = v.Bool();
          } else if (key == "tab-order") {
            control.tab_order = v.Int();
          } else if (key == "style" && (IsButton(kind) || kind == ControlKind::TBCPanel)) {
            control.style = v.Word();
          } else if (key == "caption" && (IsButton(kind) || kind == ControlKind::TLabel)) {
            control.caption = v.String();
          } else if (key == "on-click" && IsButton(kind)) {
            control.events.push_back({Event::Click, v.Word(), v.number()});
          } else if (key == "items" && kind == ControlKind::TComboBox) {
            while (v.More()) control.items.push_back(v.String());
          } else if (key == "item-height" && kind == ControlKind::TComboBox) {
            control.item_height = v.Int();
          } else if (key == "on-key-press" && kind == ControlKind::TComboBox) {
            control.events.push_back({Event::KeyPress, v.Word(), v.number()});
          } else if (key == "editable" &&
                     (kind == ControlKind::TComboBox || kind == ControlKind::TMemo)) {
            control.editable = v.Bool();
          } else if (key == "lines-from" && kind == ControlKind::TMemo) {
            control.text_resource = v.Word();
          } else if (key == "border" && kind == ControlKind::TMemo) {
            control.border = v.Choice<bool>({{"none", false}, {"single", true}});
          } else if (key == "scroll-bars" && kind == ControlKind::TMemo) {
            control.vertical_scroll_bar = v.Choice<bool>({{"none", false}, {"vertical", true}});
          } else {
            return false;
          }
          return true;
        },
        seen);
    if (visual) Require(seen, control.line, {"bounds"});
    if (IsButton(kind)) Require(seen, control.line, {"caption", "style"});
    if (kind == ControlKind::TBCPanel) Require(seen, control.line, {"style"});
    if (kind == ControlKind::TMemo) Require(seen, control.line, {"lines-from"});
    if (kind == ControlKind::TTimer) Require(seen, control.line, {"interval"});
    window_.controls.push_back(std::move(control));
    return at;
  }

  std::size_t ButtonStyleBlock(std::size_t at) {
    const std::string name = Header(at, 1)[1];
    int line = lines_[at].number;
    ButtonStyle style;
    std::set<std::string> seen;
    at = ReadProperties(
        lines_, at + 1,
        [&](const std::string& key, Values& v) {
          if (key == "normal" || key == "hover" || key == "pressed") {
            ButtonFace face = ReadFace(v);
            if (key == "normal") style.normal = face;
            if (key == "hover") style.hover = face;
            if (key == "pressed") style.pressed = face;
          } else if (key == "rounding") {
            style.rounding = v.Int();
          } else {
            return false;
          }
          return true;
        },
        seen);
    Require(seen, line, {"normal", "hover", "pressed"});
    if (!window_.button_styles.emplace(name, style).second)
      FailAtLine(line, "样式 " + name + " 重复");
    return at;
  }

  std::size_t PanelStyleBlock(std::size_t at) {
    const std::string name = Header(at, 1)[1];
    int line = lines_[at].number;
    PanelStyle style;
    std::set<std::string> seen;
    auto bevel = [](Values& v) {
      return v.Choice<Bevel>(
          {{"none", Bevel::None}, {"raised", Bevel::Raised}, {"lowered", Bevel::Lowered}});
    };
    auto opacity = [](Values& v) {
      int value = v.Int();
      if (value < 0 || value > 255) FailAtLine(v.number(), "不透明度应在 0 到 255 之间");
      return static_cast<std::uint8_t>(value);
    };
    at = ReadProperties(
        lines_, at + 1,
        [&](const std::string& key, Values& v) {
          if (key == "gradient") {
            style.gradient[0] = v.Colour();
            style.gradient[1] = v.Colour();
            style.gradient_split_percent = v.Int();
            style.gradient[2] = v.Colour();
            style.gradient[3] = v.Colour();
          } else if (key == "border") {
            style.border = v.Colour();
            style.border.alpha = opacity(v);
          } else if (key == "light") {
            style.light = v.Colour();
            style.light.alpha = opacity(v);
          } else if (key == "bevel-outer") {
            style.bevel_outer = bevel(v);
            style.bevel_width = v.Int();
          } else if (key == "bevel-inner") {
            style.bevel_inner = bevel(v);
          } else {
            return false;
          }
          return true;
        },
        seen);
    Require(seen, line, {"gradient"});
    if (!window_.panel_styles.emplace(name, style).second)
      FailAtLine(line, "样式 " + name + " 重复");
    return at;
  }

  void CheckReferences() const {
    for (std::size_t i = 0; i < window_.controls.size(); ++i) {
      const ControlDescription& control = window_.controls[i];
      if (!control.parent.empty()) {
        const ControlDescription* parent = window_.Find(control.parent);
        if (!parent || parent->kind != ControlKind::TBCPanel || parent >= &control)
          FailAtLine(control.line, "父控件 " + control.parent + " 应为此前定义的面板");
      }
      if (control.style.empty()) continue;
      bool known = control.kind == ControlKind::TBCPanel
                       ? window_.panel_styles.contains(control.style)
                       : window_.button_styles.contains(control.style);
      if (!known) FailAtLine(control.line, "未知的样式 " + control.style);
    }
  }

  std::vector<Line> lines_;
  WindowDescription window_;
};

}  // namespace

WindowDescription ParseLayout(std::string_view text) { return Parser(text).Parse(); }

}  // namespace ui
