#include <gtest/gtest.h>

#include "tests/test_window.h"

namespace {

struct Moment {
  int ticks;
  const char* agree_caption;
  bool agree_enabled;
  bool install_enabled;
};

void PrintTo(const Moment& value, std::ostream* out) { *out << value.ticks; }

class CountdownTest : public ::testing::TestWithParam<Moment> {};

TEST_P(CountdownTest, AgreeButtonAfterTicks) {
  doubles::TestWindow w;
  w.Open();
  const Moment& moment = GetParam();
  for (int tick = 0; tick < moment.ticks; ++tick) ASSERT_TRUE(w.toolkit.Tick());
  EXPECT_EQ(w["btnAgree"].caption, moment.agree_caption);
  EXPECT_EQ(w["btnAgree"].enabled, moment.agree_enabled);
  EXPECT_TRUE(w["btnAgree"].visible);
  EXPECT_EQ(w["btnInstall"].enabled, moment.install_enabled);
  EXPECT_FALSE(w["btnClose"].visible);
  EXPECT_TRUE(w["Memo1"].visible);
  EXPECT_EQ(w.toolkit.TimerRunning(), moment.ticks < 10);
  EXPECT_EQ(w.main->TickCount, moment.ticks);
}

INSTANTIATE_TEST_SUITE_P(
    Ticks, CountdownTest,
    ::testing::Values(Moment{0, "同意", true, true}, Moment{1, "同意(10)", false, false},
                      Moment{2, "同意(9)", false, false}, Moment{5, "同意(6)", false, false},
                      Moment{9, "同意(2)", false, false}, Moment{10, "同意授权", true, false}));

TEST(Countdown, NeverShowsOneAndStopsAtTen) {
  doubles::TestWindow w;
  w.Open();
  std::vector<std::string> captions;
  while (w.toolkit.Tick()) captions.push_back(w["btnAgree"].caption);
  EXPECT_EQ(captions.size(), 10u);
  EXPECT_EQ(std::count(captions.begin(), captions.end(), "同意(1)"), 0);
  EXPECT_EQ(w.main->Countdown, 0);
}

TEST(Countdown, ClickWhileCountingChangesNothing) {
  doubles::TestWindow w;
  w.Open();
  for (int ticks : {0, 4}) {
    while (w.main->TickCount < ticks) w.toolkit.Tick();
    // Before the first tick the button is enabled but the timer runs; later it is disabled.
    w.toolkit.Click("btnAgree");
    EXPECT_TRUE(w["btnAgree"].visible);
    EXPECT_TRUE(w["Memo1"].visible);
    EXPECT_TRUE(w.toolkit.TimerRunning());
  }
}

TEST(Countdown, InstallUsableOnlyOneTickAfterTheClick) {
  doubles::TestWindow w;
  w.Open();
  for (int tick = 0; tick < 10; ++tick) w.toolkit.Tick();
  w.clock.Advance(60'000);  // the user may wait any time
  EXPECT_EQ(w["btnAgree"].caption, "同意授权");

  EXPECT_EQ(w.toolkit.Click("btnAgree"), "btnAgree");
  EXPECT_FALSE(w["btnAgree"].visible);
  EXPECT_FALSE(w["Memo1"].visible);
  EXPECT_TRUE(w["BCButton1"].visible);
  EXPECT_EQ(w["BCButton1"].caption, "请点下面的安装按钮进行安装");
  EXPECT_TRUE(w["btnInstall"].visible);
  EXPECT_FALSE(w["btnInstall"].enabled);
  EXPECT_FALSE(w["btnClose"].visible);
  EXPECT_TRUE(w.toolkit.TimerRunning());
  EXPECT_EQ(w.toolkit.Click("btnInstall"), "");  // uncovered but still disabled

  ASSERT_TRUE(w.toolkit.Tick());
  EXPECT_TRUE(w["btnInstall"].enabled);
  EXPECT_TRUE(w["btnClose"].visible);
  EXPECT_TRUE(w["btnClose"].enabled);
  EXPECT_FALSE(w.toolkit.TimerRunning());
  EXPECT_FALSE(w.toolkit.Tick());  // nothing starts the timer again
}

TEST(Countdown, InstallIsCoveredByAgreeAtStart) {
  doubles::TestWindow w;
  w.Open();
  EXPECT_EQ(w.toolkit.Click("btnInstall"), "btnAgree");
  EXPECT_EQ(w.toolkit.Click("BCButton1"), "Memo1");
}

}  // namespace
