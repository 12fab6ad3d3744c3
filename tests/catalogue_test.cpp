#include "install/catalogue.h"

#include <gtest/gtest.h>

#include "install/scripts.h"

namespace {

struct Scripts {
  const char* disk_root;
  const char* extraction;
  const char* second;
};

void PrintTo(const Scripts& value, std::ostream* out) { *out << value.disk_root[0]; }

class ScriptsTest : public ::testing::TestWithParam<Scripts> {};

TEST_P(ScriptsTest, ByteForByte) {
  const Scripts& expected = GetParam();
  EXPECT_EQ(install::ScriptBytes(install::ExtractionScript(expected.disk_root)),
            expected.extraction);
  EXPECT_EQ(install::ScriptBytes(install::SecondScript(expected.disk_root)), expected.second);
}

INSTANTIATE_TEST_SUITE_P(
    Disks, ScriptsTest,
    ::testing::Values(
        Scripts{
            "d:\\",
            "d:\r\ncd d:\\duzozudiv\\\r\n7z x -tzip -y -p862  duzozudiv.7z -od:\\duzozudiv\\\r\n",
            "d:\r\ncd d:\\duzozudiv\\duzozudiv\\\r\n"},
        Scripts{
            "e:\\",
            "e:\r\ncd e:\\duzozudiv\\\r\n7z x -tzip -y -p862  duzozudiv.7z -oe:\\duzozudiv\\\r\n",
            "e:\r\ncd e:\\duzozudiv\\duzozudiv\\\r\n"}));

TEST(Catalogue, Folders) {
  EXPECT_EQ(install::TargetFolder("d:\\"), "d:\\duzozudiv\\");
  EXPECT_EQ(install::ExtractedFolder("d:\\"), "d:\\duzozudiv\\duzozudiv\\");
}

TEST(Catalogue, InstallResourceByUpperCasedLetter) {
  const std::pair<const char*, const char*> cases[] = {
      {"c:\\", "CINSTALL"}, {"d:\\", "DINSTALL"}, {"G:\\", "GINSTALL"}, {"h:\\", "HINSTALL"}};
  for (const auto& [root, name] : cases) EXPECT_EQ(install::InstallResourceName(root), name);
}

TEST(Catalogue, EmptyScriptHasNoBytes) { EXPECT_EQ(install::ScriptBytes({}), ""); }

}  // namespace
