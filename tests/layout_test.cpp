#include <gtest/gtest.h>

#include "install/failure.h"
#include "tests/test_window.h"
#include "ui/layout_parser.h"

namespace {

ui::WindowDescription StoredLayout() {
  doubles::RecordingToolkit toolkit;
  return ui::ParseLayout(toolkit.stored_texts.at("TMAIN"));
}

TEST(StoredLayout, Window) {
  const ui::WindowDescription window = StoredLayout();
  EXPECT_EQ(window.class_name, "TMain");
  EXPECT_EQ(window.caption, "安装向导");
  EXPECT_EQ(std::make_pair(window.left, window.top), std::make_pair(343, 206));
  EXPECT_EQ(std::make_pair(window.client_width, window.client_height), std::make_pair(533, 332));
  EXPECT_EQ(window.border, ui::BorderStyle::Single);
  EXPECT_TRUE(window.system_menu);
  EXPECT_FALSE(window.minimize_box || window.maximize_box);
  EXPECT_EQ(window.font, (ui::Font{"微软雅黑", 16, "gb2312", true, true, {0, 0, 0, 255}}));
  ASSERT_EQ(window.events.size(), 1u);
  EXPECT_EQ(window.events[0].handler, "FormCreate");
}

struct Expected {
  const char* name;
  ui::ControlKind kind;
  int left, top, width, height;
  const char* caption;
  bool visible;
  const char* handler;  // "" : none
};

TEST(StoredLayout, ControlsInCreationOrder) {
  using K = ui::ControlKind;
  const Expected expected[] = {
      {"BCPanel1", K::TBCPanel, 0, 0, 533, 332, "", true, ""},
      {"btnClose", K::TBCButtonFocus, 96, 280, 67, 33, "关闭", false, "btnCloseClick"},
      {"BCButton1", K::TBCButton, 2, 0, 531, 248, "请点下面的安装按钮进行安装", true, ""},
      {"Label1", K::TLabel, 384, 283, 48, 21, "安装盘", true, ""},
      {"edtDisk", K::TComboBox, 440, 280, 80, 29, "", true, "edtDiskKeyPress"},
      {"btnInstall", K::TBCButton, 16, 280, 73, 33, "安装", true, "btnInstallClick"},
      {"Memo1", K::TMemo, 1, 1, 531, 247, "", true, ""},
      {"btnAgree", K::TBCButton, 8, 280, 89, 33, "同意", true, "btnAgreeClick"},
      {"Timer1", K::TTimer, 0, 0, 0, 0, "", true, "Timer1Timer"}};
  const ui::WindowDescription window = StoredLayout();
  ASSERT_EQ(window.controls.size(), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    const ui::ControlDescription& c = window.controls[i];
    const Expected& e = expected[i];
    SCOPED_TRACE(e.name);
    EXPECT_EQ(c.name, e.name);
    EXPECT_EQ(c.kind, e.kind);
    EXPECT_EQ(std::tie(c.left, c.top, c.width, c.height),
              std::tie(e.left, e.top, e.width, e.height));
    EXPECT_EQ(c.caption, e.caption);
    EXPECT_EQ(c.visible, e.visible);
    EXPECT_TRUE(c.enabled);
    EXPECT_EQ(c.events.empty() ? "" : c.events[0].handler, e.handler);
    if (c.kind != K::TBCPanel && c.kind != K::TTimer) {
      EXPECT_EQ(c.parent, "BCPanel1");
    }
  }
  const ui::ControlDescription& box = *window.Find("edtDisk");
  EXPECT_EQ(box.item_height, 21);
  EXPECT_TRUE(box.editable);
  EXPECT_EQ(box.tab_order, 1);
  const ui::ControlDescription& memo = *window.Find("Memo1");
  EXPECT_FALSE(memo.border);
  EXPECT_TRUE(memo.vertical_scroll_bar);
  EXPECT_EQ(memo.tab_order, 2);
  EXPECT_EQ(memo.text_resource, "AGREEMENT");
  EXPECT_TRUE(window.Find("btnClose")->tab_stop);
  EXPECT_EQ(window.Find("Timer1")->interval, 1000);
}

TEST(StoredLayout, Styles) {
  const ui::WindowDescription window = StoredLayout();
  const ui::ButtonFace normal{
      {0x3B, 0x59, 0x98, 255}, {0x3B, 0x59, 0x98, 255}, {0xFF, 0xFF, 0xFF, 255}, 16, true};
  const ui::ButtonFace hover{
      {0x4B, 0x67, 0xA1, 255}, {0x4B, 0x67, 0xA1, 255}, {0x2A, 0x42, 0x80, 255}, 0, true};
  const ui::ButtonFace pressed{
      {0xFF, 0xFF, 0xFF, 255}, {0, 0, 0, 255}, {0x2A, 0x42, 0x80, 255}, 0, true};
  EXPECT_EQ(window.button_styles.at("button"), (ui::ButtonStyle{normal, hover, pressed, 1}));
  ui::ButtonFace red = normal;
  red.text = {0xFF, 0, 0, 255};
  red.text_size = 24;
  EXPECT_EQ(window.button_styles.at("display"), (ui::ButtonStyle{red, hover, pressed, 1}));
  EXPECT_EQ(window.Find("BCButton1")->style, "display");
  for (const char* button : {"btnClose", "btnInstall", "btnAgree"})
    EXPECT_EQ(window.Find(button)->style, "button");

  const ui::PanelStyle& panel = window.panel_styles.at(window.Find("BCPanel1")->style);
  EXPECT_EQ(panel.gradient[0], (ui::Color{0xF5, 0xFA, 0xFF, 255}));
  EXPECT_EQ(panel.gradient[1], (ui::Color{0xE6, 0xF0, 0xFA, 255}));
  EXPECT_EQ(panel.gradient[2], (ui::Color{0xDC, 0xE6, 0xF4, 255}));
  EXPECT_EQ(panel.gradient[3], (ui::Color{0xDD, 0xE9, 0xF7, 255}));
  EXPECT_EQ(panel.gradient_split_percent, 50);
  EXPECT_EQ(panel.border, (ui::Color{0xA0, 0xAF, 0xC3, 200}));
  EXPECT_EQ(panel.light, (ui::Color{0xFF, 0xFF, 0xFF, 200}));
  EXPECT_EQ(panel.bevel_outer, ui::Bevel::Raised);
  EXPECT_EQ(panel.bevel_width, 1);
  EXPECT_EQ(panel.bevel_inner, ui::Bevel::None);
}

// A small layout with one fault each; the message must name the faulty line.
struct Fault {
  const char* name;
  const char* layout;
  const char* message;
};

void PrintTo(const Fault& value, std::ostream* out) { *out << value.name; }

constexpr char kForm[] =
    "form TMain\n"
    "  caption \"x\"\n"
    "  position 0 0\n"
    "  client-size 10 10\n"
    "  font \"f\" 16 gb2312 variable draft #000000\n";

class FaultTest : public ::testing::TestWithParam<Fault> {};

TEST_P(FaultTest, NamesTheLine) {
  std::string layout = std::string(kForm) + GetParam().layout;
  try {
    ui::ParseLayout(layout);
    FAIL() << "accepted";
  } catch (const install::Failure& error) {
    EXPECT_EQ(std::string(error.what()), GetParam().message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, FaultTest,
    ::testing::Values(
        Fault{"UnknownKind", "\ncontrol b TButton\n  bounds 0 0 1 1\n",
              "窗口布局第 7 行：未知的控件类型 TButton"},
        Fault{"UnknownKey", "control l TLabel\n  bounds 0 0 1 1\n  colour red\n",
              "窗口布局第 8 行：未知的属性 colour"},
        Fault{"KeyOfAnotherKind", "control l TLabel\n  bounds 0 0 1 1\n  on-click x\n",
              "窗口布局第 8 行：未知的属性 on-click"},
        Fault{"MissingBounds", "control l TLabel\n  caption \"a\"\n",
              "窗口布局第 6 行：缺少属性 bounds"},
        Fault{"MissingInterval", "control t TTimer\n  enabled true\n",
              "窗口布局第 6 行：缺少属性 interval"},
        Fault{"BadNumber", "control l TLabel\n  bounds 0 0 1 x1\n",
              "窗口布局第 7 行：属性 bounds 应为整数：x1"},
        Fault{"BadColour", "panel-style p\n  gradient #F5FAFF #E6F0F 50 #DCE6F4 #DDE9F7\n",
              "窗口布局第 7 行：属性 gradient 应为颜色 #RRGGBB：#E6F0F"},
        Fault{"UnknownStyle", "control p TBCPanel\n  bounds 0 0 1 1\n  style nowhere\n",
              "窗口布局第 6 行：未知的样式 nowhere"},
        Fault{"UnterminatedString", "control l TLabel\n  caption \"a\n",
              "窗口布局第 7 行：引号没有结束"},
        Fault{"DuplicateKey", "control l TLabel\n  bounds 0 0 1 1\n  bounds 0 0 1 1\n",
              "窗口布局第 8 行：属性 bounds 重复"},
        Fault{"UnknownBlock", "menu m\n", "窗口布局第 6 行：未知的块 menu"},
        Fault{"TooManyValues", "control l TLabel\n  bounds 0 0 1 1 1\n",
              "窗口布局第 7 行：属性 bounds 的值过多"}),
    [](const ::testing::TestParamInfo<Fault>& info) { return info.param.name; });

TEST(StoredLayout, MissingFormBlock) {
  EXPECT_THROW(ui::ParseLayout("control l TLabel\n  bounds 0 0 1 1\n"), install::Failure);
}

}  // namespace
