#include "install/payload_catalogue.h"

#include <gtest/gtest.h>

#include <functional>

#include "install/crc32.h"
#include "install/failure.h"
#include "tests/doubles/code_page_936.h"
#include "tests/doubles/test_archive.h"

namespace {

using doubles::ArchiveEntry;

std::uint32_t Get32(const std::string& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

void Put32(std::string& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
}

const std::string kMainName = doubles::ToGbk("duzozudiv/澄岚汽车用品销售工作系统.exe");

std::string Sample() {
  return doubles::StoredArchive({{"duzozudiv/", ""},
                                 {kMainName, "MZ main"},
                                 {"duzozudiv/readme.txt", "plain", 0},
                                 {"duzozudiv/empty/", ""},
                                 {"duzozudiv/zerarivur.exe", "MZ probe"}});
}

// Where the sample's central directory starts, and its second record (the main program).
std::size_t Directory(const std::string& zip) { return Get32(zip, zip.size() - 22 + 16); }
std::size_t SecondRecord(const std::string& zip) {
  return zip.find("PK\x01\x02", Directory(zip) + 4);
}

TEST(PayloadCatalogue, ListsTheFilesInArchiveOrderWithoutTheFolders) {
  const std::string zip = Sample();
  const std::vector<install::PayloadFile> files = install::ReadPayloadCatalogue(zip);
  ASSERT_EQ(files.size(), 3u);
  EXPECT_EQ(files[0].name, kMainName);
  EXPECT_EQ(files[0].size, 7u);
  EXPECT_EQ(files[0].crc32, install::Crc32("MZ main"));
  EXPECT_EQ(files[1].name, "duzozudiv/readme.txt");
  EXPECT_EQ(files[2].name, "duzozudiv/zerarivur.exe");
  EXPECT_EQ(files[2].crc32, install::Crc32("MZ probe"));
}

TEST(PayloadCatalogue, FindsTheEndRecordBehindAComment) {
  std::string zip = Sample();
  zip[zip.size() - 2] = 5;
  zip += "notes";
  EXPECT_EQ(install::ReadPayloadCatalogue(zip).size(), 3u);
}

struct Damage {
  const char* name;
  std::function<std::string(std::string)> damage;
  const char* reason;  // part of the message
};

void PrintTo(const Damage& value, std::ostream* out) { *out << value.name; }

class DamagedCatalogue : public ::testing::TestWithParam<Damage> {};

// Each damage is refused with a message; with AddressSanitizer, any read past the bytes fails
// the test too. The archive is copied into a buffer of its exact size for that.
TEST_P(DamagedCatalogue, IsRefusedWithItsReason) {
  const std::string damaged = GetParam().damage(Sample());
  const std::vector<char> exact(damaged.begin(), damaged.end());
  try {
    install::ReadPayloadCatalogue(std::string_view(exact.data(), exact.size()));
    FAIL() << "accepted";
  } catch (const install::Failure& error) {
    EXPECT_NE(std::string(error.what()).find(GetParam().reason), std::string::npos) << error.what();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, DamagedCatalogue,
    ::testing::Values(
        Damage{"Empty", [](std::string) { return std::string(); }, "不是 ZIP 压缩包"},
        Damage{"NotZip", [](std::string) { return std::string(5000, 'x'); }, "找不到中央目录"},
        Damage{"TruncatedAtTheEnd", [](std::string zip) { return zip.substr(0, zip.size() - 30); },
               "找不到中央目录"},
        Damage{"CutInTheMiddle", [](std::string zip) { return zip.erase(40, 20); },
               "中央目录与结束记录不符"},
        Damage{"DirectoryOffsetPastTheEnd",
               [](std::string zip) {
                 Put32(zip, zip.size() - 22 + 16, 0xfffffff0u);
                 return zip;
               },
               "中央目录与结束记录不符"},
        Damage{"MoreEntriesThanRecords",
               [](std::string zip) {
                 zip[zip.size() - 22 + 8] = zip[zip.size() - 22 + 10] = 6;
                 return zip;
               },
               "第 6 个条目的目录记录"},
        Damage{"FewerEntriesThanRecords",
               [](std::string zip) {
                 zip[zip.size() - 22 + 8] = zip[zip.size() - 22 + 10] = 4;
                 return zip;
               },
               "中央目录的大小与条目不符"},
        Damage{"NameLongerThanTheDirectory",
               [](std::string zip) {
                 zip[SecondRecord(zip) + 29] = '\x7f';
                 return zip;
               },
               "第 2 个条目的目录记录超出了中央目录"},
        Damage{"LocalHeaderOffsetPastTheData",
               [](std::string zip) {
                 Put32(zip, SecondRecord(zip) + 42, static_cast<std::uint32_t>(zip.size()));
                 return zip;
               },
               "第 2 个条目的本地头位置不对"},
        Damage{"LocalHeaderOffsetBesideAHeader",
               [](std::string zip) {
                 Put32(zip, SecondRecord(zip) + 42, 3);
                 return zip;
               },
               "第 2 个条目的本地头位置不对"},
        Damage{"CompressedSizeRunsIntoTheDirectory",
               [](std::string zip) {
                 Put32(zip, SecondRecord(zip) + 20, 0x00ffffffu);
                 return zip;
               },
               "第 2 个条目的数据超出了范围"},
        Damage{"StoredSizeContradictsTheData",
               [](std::string zip) {
                 Put32(zip, SecondRecord(zip) + 24, 9000);
                 return zip;
               },
               "第 2 个条目的大小前后矛盾"},
        Damage{"Utf8FlaggedName",
               [](std::string zip) {
                 zip[SecondRecord(zip) + 9] |= 0x08;
                 return zip;
               },
               "第 2 个条目的名称标为 UTF-8"},
        Damage{"Zip64",
               [](std::string zip) {
                 Put32(zip, zip.size() - 22 + 12, 0xffffffffu);
                 return zip;
               },
               "ZIP64"}),
    [](const ::testing::TestParamInfo<Damage>& info) { return info.param.name; });

}  // namespace
