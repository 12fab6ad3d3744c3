#include "app/application.h"

#include <gtest/gtest.h>

#include "tests/test_window.h"

namespace {

struct Program {
  doubles::VirtualClock clock;
  doubles::RecordingToolkit toolkit{&clock};
  doubles::MemorySystem os{clock};
  int Start() { return app::RunInstaller(toolkit, os); }
};

TEST(Application, CloseAfterAgreementEndsWithExitCodeZero) {
  Program run;
  for (int tick = 0; tick < 10; ++tick) run.toolkit.user.push_back([&] { run.toolkit.Tick(); });
  run.toolkit.user.push_back([&] { run.toolkit.Click("btnAgree"); });
  run.toolkit.user.push_back([&] { run.toolkit.Tick(); });
  run.toolkit.user.push_back([&] { EXPECT_EQ(run.toolkit.Click("btnClose"), "btnClose"); });
  EXPECT_EQ(run.Start(), 0);
  EXPECT_EQ(run.toolkit.icon, "MAINICON");
  EXPECT_EQ(run.toolkit.windows_created, 1);
  EXPECT_TRUE(run.toolkit.terminated);
  EXPECT_TRUE(run.toolkit.messages.empty());
}

TEST(Application, CloseBoxAtStartEndsWithExitCodeZero) {
  Program run;
  run.toolkit.user.push_back([&] { EXPECT_TRUE(run.toolkit.PressCloseBox()); });
  EXPECT_EQ(run.Start(), 0);
}

TEST(Application, NoTimerTickBeforeCreation) {
  Program run;
  run.toolkit.user.push_back([&] {
    EXPECT_EQ(run.toolkit.state("btnAgree").caption, "同意");
    run.toolkit.Terminate();
  });
  run.Start();
}

struct BrokenProgramFile {
  const char* name;
  std::function<void(doubles::RecordingToolkit&)> damage;
  std::string message;
};

void PrintTo(const BrokenProgramFile& value, std::ostream* out) { *out << value.name; }

class BrokenProgramFileTest : public ::testing::TestWithParam<BrokenProgramFile> {};

TEST_P(BrokenProgramFileTest, IsReportedAndNoWindowRuns) {
  Program run;
  GetParam().damage(run.toolkit);
  EXPECT_EQ(run.Start(), 1);
  ASSERT_EQ(run.toolkit.messages.size(), 1u);
  EXPECT_EQ(run.toolkit.messages[0], GetParam().message);
}

void Replace(doubles::RecordingToolkit& toolkit, const std::string& from, const std::string& to) {
  std::string& layout = toolkit.stored_texts.at("TMAIN");
  std::size_t at = layout.find(from);
  ASSERT_NE(at, std::string::npos) << from;
  layout.replace(at, from.size(), to);
}

int LineOf(const std::string& text, const std::string& what) {
  return 1 + static_cast<int>(std::count(text.begin(), text.begin() + text.find(what), '\n'));
}

std::string AtLine(const std::string& what, const std::string& message) {
  doubles::RecordingToolkit toolkit;
  return "窗口布局第 " + std::to_string(LineOf(toolkit.stored_texts.at("TMAIN"), what)) + " 行：" +
         message;
}

INSTANTIATE_TEST_SUITE_P(
    Faults, BrokenProgramFileTest,
    ::testing::Values(
        BrokenProgramFile{"NoStoredLayout", [](auto& t) { t.stored_texts.erase("TMAIN"); },
                          "窗口类 TMain 没有存储的布局"},
        BrokenProgramFile{"UnknownField",
                          [](auto& t) { Replace(t, "control Label1 ", "control Label2 "); },
                          AtLine("control Label1 ", "未知的字段 Label2")},
        BrokenProgramFile{"UnknownHandler",
                          [](auto& t) { Replace(t, "on-click btnAgreeClick", "on-click Agree"); },
                          AtLine("on-click btnAgreeClick", "未知的处理程序 Agree")},
        BrokenProgramFile{"KindOfAnotherField",
                          [](auto& t) {
                            Replace(t, "control btnAgree TBCButton",
                                    "control btnAgree TBCButtonFocus");
                          },
                          AtLine("control btnAgree ", "控件 btnAgree 与字段的类型不符")},
        BrokenProgramFile{"NoAgreementText", [](auto& t) { t.stored_texts.erase("AGREEMENT"); },
                          AtLine("control Memo1 ", "找不到文本 AGREEMENT")}),
    [](const ::testing::TestParamInfo<BrokenProgramFile>& info) { return info.param.name; });

TEST(Application, MemoHoldsTheAgreementText) {
  Program run;
  run.toolkit.user.push_back([&] { run.toolkit.Terminate(); });
  run.Start();
  const std::string& text = run.toolkit.window().Find("Memo1")->text;
  EXPECT_EQ(text, run.toolkit.stored_texts.at("AGREEMENT"));
  EXPECT_NE(text.find("许可协议"), std::string::npos);
}

}  // namespace
