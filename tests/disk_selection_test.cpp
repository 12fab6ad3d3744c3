#include "install/disk_selection.h"

#include <gtest/gtest.h>

#include "tests/test_window.h"

namespace {

struct Probe {
  const char* name;
  std::vector<std::string> drives;
  std::string box;
  std::string disk_root;
  std::vector<std::string> probed;
};

void PrintTo(const Probe& value, std::ostream* out) { *out << value.name; }

class ProbeTest : public ::testing::TestWithParam<Probe> {};

TEST_P(ProbeTest, SettlesTheDiskRoot) {
  const Probe& probe = GetParam();
  doubles::TestWindow w;
  for (const std::string& drive : probe.drives) w.os.AddDrive(drive);
  w.Open();
  w["edtDisk"].text = probe.box;
  EXPECT_EQ(install::ResolveDiskRoot(*w.main), probe.disk_root);
  // The probe always runs, stops at the first present disk and never tests C.
  EXPECT_EQ(w.os.Logged("probe"), probe.probed);
}

INSTANTIATE_TEST_SUITE_P(
    Disks, ProbeTest,
    ::testing::Values(
        Probe{"CEF", {"c:", "e:", "f:"}, "", "e:\\", {"d:\\", "e:\\"}},
        Probe{"OnlyC", {"c:"}, "", "c:\\", {"d:\\", "e:\\", "f:\\", "g:\\"}},
        Probe{"DPresentFChosen", {"c:", "d:"}, "f:\\", "f:\\", {"d:\\"}},
        Probe{"GChosenWithoutDriveG", {"c:"}, "g:\\", "g:\\", {"d:\\", "e:\\", "f:\\", "g:\\"}},
        Probe{"Trimmed", {"d:"}, " \te:\\ \r\n", "e:\\", {"d:\\"}},
        Probe{"BlankBox", {"d:"}, "   ", "", {"d:\\"}}),
    [](const ::testing::TestParamInfo<Probe>& info) { return info.param.name; });

TEST(DiskRoot, OnlyLetterColonBackslashIsValid) {
  for (const char* valid : {"c:\\", "d:\\", "g:\\", "Z:\\", "a:\\"})
    EXPECT_TRUE(install::IsValidDiskRoot(valid)) << valid;
  for (const char* invalid : {"", "d:", "d:/", "dd:\\", "1:\\", "d:\\x", "d:\\&calc", "&:\\",
                              "\xE4:\\", "d;\\", "d:\\\\"})
    EXPECT_FALSE(install::IsValidDiskRoot(invalid)) << invalid;
}

TEST(DiskBox, TypedCharactersAreDiscarded) {
  doubles::TestWindow w;
  w.Open();
  for (char32_t key : {U'd', U'7', U':', U'\\', U' ', U'中'})
    EXPECT_EQ(w.toolkit.Type("edtDisk", key), U'\0');
  EXPECT_EQ(w["edtDisk"].text, "");
}

TEST(DiskBox, OffersTheFourDisksAndStartsEmpty) {
  doubles::TestWindow w;
  w.Open();
  const ui::ControlDescription* box = w.toolkit.window().Find("edtDisk");
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->items, (std::vector<std::string>{"d:\\", "e:\\", "f:\\", "g:\\"}));
  EXPECT_EQ(w["edtDisk"].text, "");
}

}  // namespace
