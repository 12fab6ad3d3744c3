#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "gbk.h"
#include "host_fix.h"
#include "payload_check.h"
#include "sample_payload.h"
#include "zip_reader.h"
#include "zip_writer.h"

namespace payload {
namespace {

// The main program's name in GBK, spelled out so the test does not trust the converter.
constexpr std::string_view kMainProgramGbk =
    "duzozudiv/"
    "\xb3\xce\xe1\xb0\xc6\xfb\xb3\xb5\xd3\xc3\xc6\xb7\xcf\xfa\xca\xdb\xb9\xa4\xd7\xf7\xcf\xb5"
    "\xcd\xb3.exe";

// Two archives made by Info-ZIP zip 3.0 ("zip -P 862" deflated, "zip -P 863 -0" stored) of
// a.txt = "hello hello hello ABC\r\n". Both use a data descriptor, so the password check byte
// is the high byte of the DOS time rather than of the CRC.
constexpr unsigned char kInfoZip862[] = {
    0x50, 0x4b, 0x03, 0x04, 0x14, 0x00, 0x09, 0x00, 0x08, 0x00, 0xc0, 0x4b, 0x6f, 0x58, 0xfd, 0x45,
    0x26, 0x0e, 0x1b, 0x00, 0x00, 0x00, 0x17, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x61, 0x2e,
    0x74, 0x78, 0x74, 0x48, 0xd9, 0xf2, 0xe0, 0xc3, 0xd2, 0x8e, 0xe3, 0x52, 0xeb, 0x4e, 0x95, 0xf6,
    0xce, 0x36, 0xe4, 0xcd, 0xb0, 0x0a, 0x1b, 0x49, 0xf3, 0x54, 0xa2, 0x41, 0xbf, 0xff, 0x50, 0x4b,
    0x07, 0x08, 0xfd, 0x45, 0x26, 0x0e, 0x1b, 0x00, 0x00, 0x00, 0x17, 0x00, 0x00, 0x00, 0x50, 0x4b,
    0x01, 0x02, 0x1e, 0x03, 0x14, 0x00, 0x09, 0x00, 0x08, 0x00, 0xc0, 0x4b, 0x6f, 0x58, 0xfd, 0x45,
    0x26, 0x0e, 0x1b, 0x00, 0x00, 0x00, 0x17, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0xa4, 0x81, 0x00, 0x00, 0x00, 0x00, 0x61, 0x2e, 0x74, 0x78,
    0x74, 0x50, 0x4b, 0x05, 0x06, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x33, 0x00, 0x00,
    0x00, 0x4e, 0x00, 0x00, 0x00, 0x00, 0x00};
constexpr unsigned char kInfoZip863[] = {
    0x50, 0x4b, 0x03, 0x04, 0x0a, 0x00, 0x09, 0x00, 0x00, 0x00, 0xc0, 0x4b, 0x6f, 0x58, 0xfd, 0x45,
    0x26, 0x0e, 0x23, 0x00, 0x00, 0x00, 0x17, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x61, 0x2e,
    0x74, 0x78, 0x74, 0x16, 0x8a, 0xd7, 0xca, 0x1c, 0xf8, 0x08, 0x95, 0xb6, 0xfa, 0xb2, 0x81, 0x26,
    0xb2, 0xf3, 0x0b, 0x4d, 0xf6, 0xf8, 0xf1, 0x7f, 0xb7, 0xa5, 0xef, 0xf8, 0xda, 0xd9, 0xf9, 0x8b,
    0x30, 0x80, 0xa1, 0x1a, 0x6b, 0x4b, 0x50, 0x4b, 0x07, 0x08, 0xfd, 0x45, 0x26, 0x0e, 0x23, 0x00,
    0x00, 0x00, 0x17, 0x00, 0x00, 0x00, 0x50, 0x4b, 0x01, 0x02, 0x1e, 0x03, 0x0a, 0x00, 0x09, 0x00,
    0x00, 0x00, 0xc0, 0x4b, 0x6f, 0x58, 0xfd, 0x45, 0x26, 0x0e, 0x23, 0x00, 0x00, 0x00, 0x17, 0x00,
    0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xa4, 0x81,
    0x00, 0x00, 0x00, 0x00, 0x61, 0x2e, 0x74, 0x78, 0x74, 0x50, 0x4b, 0x05, 0x06, 0x00, 0x00, 0x00,
    0x00, 0x01, 0x00, 0x01, 0x00, 0x33, 0x00, 0x00, 0x00, 0x56, 0x00, 0x00, 0x00, 0x00, 0x00};

std::string Bytes(const unsigned char* data, std::size_t size) {
  return std::string(reinterpret_cast<const char*>(data), size);
}

// Incompressible bytes with an executable's signature.
std::string FakeExe(std::uint32_t seed, std::size_t size) {
  std::mt19937 gen(seed);
  std::string exe = "MZ";
  while (exe.size() < size) exe += static_cast<char>(gen() & 0xff);
  return exe;
}

const std::string kMainExe = FakeExe(1, 40000);
const std::string kProbeExe = FakeExe(2, 9000);

std::string Sample() {
  std::ostringstream out;
  WriteSamplePayload(out, kMainExe, kProbeExe);
  return out.str();
}

std::string Build(std::string_view password, const std::function<void(ZipWriter&)>& fill) {
  std::ostringstream out;
  ZipWriter zip(out, std::string(password), kSampleTimestamp);
  fill(zip);
  zip.Finish();
  return out.str();
}

// The sample layout's essentials plus one text file, protected as given.
std::string Minimal(std::string_view password, Protection extra_protection) {
  return Build(password, [&](ZipWriter& zip) {
    zip.AddFolder("duzozudiv/");
    zip.AddFile(std::string(kMainProgramGbk), kMainExe, Method::kDeflated);
    zip.AddFile("duzozudiv/zerarivur.exe", kProbeExe, Method::kStored);
    zip.AddFile(Utf8ToGbk("duzozudiv/说明.txt"), "readme\r\n", Method::kDeflated, extra_protection);
  });
}

// The archive with one byte of an entry's central directory record ORed with `bits`.
std::string WithCentralBits(std::string archive, std::size_t entry, std::size_t offset,
                            unsigned char bits) {
  std::istringstream in(archive);
  const ZipReader reader(in);
  archive[reader.entries().at(entry).central_header_offset + offset] |= static_cast<char>(bits);
  return archive;
}

// Info-ZIP's archive mended to host MS-DOS.
std::string MendedInfoZip(const unsigned char* data, std::size_t size) {
  std::string archive = Bytes(data, size);
  SetHostMsDos(archive);
  return archive;
}

const std::vector<std::string> kRequired = {std::string(kProbeEntry),
                                            std::string(kMainProgramEntry)};

// Empty when accepted, otherwise the reason given.
std::string Verdict(const std::string& archive, const std::vector<std::string>& required) {
  std::istringstream in(archive);
  try {
    CheckPayload(in, kPayloadPassword, required);
    return "";
  } catch (const std::runtime_error& e) {
    return e.what();
  }
}

struct VerdictCase {
  std::string name;
  std::function<std::string()> archive;
  std::vector<std::string> required;
  std::string reason;  // expected part of the message; empty means accepted
};

void PrintTo(const VerdictCase& c, std::ostream* os) { *os << c.name; }

class CheckPayloadTest : public testing::TestWithParam<VerdictCase> {};

TEST_P(CheckPayloadTest, GivesVerdict) {
  const VerdictCase& c = GetParam();
  const std::string verdict = Verdict(c.archive(), c.required);
  if (c.reason.empty()) {
    EXPECT_EQ(verdict, "");
  } else {
    EXPECT_NE(verdict.find(c.reason), std::string::npos) << "message: " << verdict;
  }
}

const VerdictCase kVerdictCases[] = {
    {"Sample", Sample, kRequired, ""},
    {"AllEncrypted", [] { return Minimal(kPayloadPassword, Protection::kEncrypted); }, kRequired,
     ""},
    {"PlainFile", [] { return Minimal(kPayloadPassword, Protection::kPlain); }, kRequired,
     "entry \"duzozudiv/说明.txt\" is not encrypted"},
    {"WrongPassword", [] { return Minimal("863", Protection::kEncrypted); }, kRequired,
     "wrong password for entry"},
    {"MissingEntry",
     [] {
       return Build(kPayloadPassword, [](ZipWriter& zip) {
         zip.AddFolder("duzozudiv/");
         zip.AddFile("duzozudiv/zerarivur.exe", kProbeExe, Method::kStored);
       });
     },
     kRequired, "required entry \"duzozudiv/澄岚汽车用品销售工作系统.exe\" is missing"},
    // UTF-8 bytes without the UTF-8 flag would be read as GBK and come out garbled.
    {"Utf8BytesWithoutFlag",
     [] {
       return Build(kPayloadPassword, [](ZipWriter& zip) {
         zip.AddFile(std::string(kProbeEntry), kProbeExe, Method::kStored);
         zip.AddFile(std::string(kMainProgramEntry), kMainExe, Method::kStored);
       });
     },
     kRequired, "has a name that is not valid GBK"},
    {"NotZip", [] { return FakeExe(3, 5000); }, kRequired, "not a ZIP archive"},
    {"Empty", [] { return std::string(); }, kRequired, "not a ZIP archive"},
    {"Truncated", [] { return Sample().substr(0, 30000); }, kRequired, "truncated ZIP archive"},
    {"BytesLostInside",
     [] {
       std::string zip = Sample();
       return zip.erase(1000, 64);
     },
     kRequired, "central directory does not end where the end record begins"},
    {"InfoZipDataDescriptor",
     [] { return MendedInfoZip(kInfoZip862, sizeof kInfoZip862); },
     {"a.txt"},
     ""},
    {"InfoZipWrongPassword",
     [] { return MendedInfoZip(kInfoZip863, sizeof kInfoZip863); },
     {"a.txt"},
     "wrong password for entry \"a.txt\""},
    // Info-ZIP's zip on Linux writes host Unix: 7-Zip would garble GBK names.
    {"InfoZipHostUnix",
     [] { return Bytes(kInfoZip862, sizeof kInfoZip862); },
     {"a.txt"},
     "entry \"a.txt\" was made on host 3, not MS-DOS (0)"},
    {"FolderMadeOnUnix",
     [] { return WithCentralBits(Minimal(kPayloadPassword, Protection::kEncrypted), 0, 5, 3); },
     kRequired, "entry \"duzozudiv/\" was made on host 3"},
    {"NameFlaggedUtf8",
     [] { return WithCentralBits(Minimal(kPayloadPassword, Protection::kEncrypted), 2, 9, 0x08); },
     kRequired, "entry \"duzozudiv/zerarivur.exe\" has a name flagged as UTF-8"},
    {"NameNotGbk",
     [] {
       return Build(kPayloadPassword, [](ZipWriter& zip) {
         zip.AddFile("duzozudiv/\xff.txt", "x", Method::kStored);
       });
     },
     {},
     "entry \"duzozudiv/\\xff.txt\" has a name that is not valid GBK"},
    {"MethodBzip2",
     [] { return WithCentralBits(Minimal(kPayloadPassword, Protection::kEncrypted), 2, 10, 12); },
     kRequired, "entry \"duzozudiv/zerarivur.exe\" uses compression method 12"},
};

INSTANTIATE_TEST_SUITE_P(Archives, CheckPayloadTest, testing::ValuesIn(kVerdictCases),
                         [](const auto& info) { return info.param.name; });

// The mend changes the host byte of every record and nothing else, and leaves MS-DOS alone.
TEST(SetHostMsDosTest, ChangesOnlyTheHostBytes) {
  const std::string unix_made = Bytes(kInfoZip862, sizeof kInfoZip862);
  std::string mended = unix_made;
  EXPECT_EQ(SetHostMsDos(mended), 1u);
  std::size_t differences = 0;
  for (std::size_t i = 0; i < mended.size(); ++i) differences += mended[i] != unix_made[i];
  EXPECT_EQ(differences, 1u);
  std::istringstream in(mended);
  EXPECT_EQ(ZipReader(in).entries()[0].Host(), zip::kHostMsDos);
  EXPECT_EQ(SetHostMsDos(mended), 0u);

  std::string sample = Sample();
  EXPECT_EQ(SetHostMsDos(sample), 0u);
  EXPECT_EQ(sample, Sample());
}

TEST(CheckPayloadFileTest, SaysWhenFileIsMissing) {
  try {
    CheckPayloadFile("no/such/payload.zip", kPayloadPassword, kRequired);
    FAIL() << "a missing file was accepted";
  } catch (const PayloadRejected& e) {
    EXPECT_STREQ(e.what(), "no such file");
  }
}

TEST(GbkTest, ConvertsBothWays) {
  EXPECT_EQ(Utf8ToGbk(kMainProgramEntry), kMainProgramGbk);
  EXPECT_EQ(GbkToUtf8(kMainProgramGbk), kMainProgramEntry);
}

TEST(GbkTest, RefusesWhatItCannotConvert) {
  EXPECT_THROW(Utf8ToGbk("car \xF0\x9F\x9A\x97"), std::runtime_error);  // emoji: not in GBK
  EXPECT_THROW(Utf8ToGbk("\xff\xfe"), std::runtime_error);              // not UTF-8
  EXPECT_THROW(GbkToUtf8("\x81"), std::runtime_error);                  // lone lead byte
}

class SamplePayloadTest : public testing::Test {
 protected:
  SamplePayloadTest() : archive_(Sample()), in_(archive_), reader_(in_) {}

  const ZipEntry& Find(std::string_view raw_name) {
    for (const ZipEntry& e : reader_.entries()) {
      if (e.name == raw_name) return e;
    }
    throw std::runtime_error("no entry " + std::string(raw_name));
  }

  std::string archive_;
  std::istringstream in_;
  ZipReader reader_;
};

TEST_F(SamplePayloadTest, HasInstallerLayout) {
  const auto& entries = reader_.entries();
  EXPECT_GE(entries.size(), 24u);
  EXPECT_EQ(Find(kMainProgramGbk).uncompressed_size, kMainExe.size());
  EXPECT_EQ(Find("duzozudiv/zerarivur.exe").uncompressed_size, kProbeExe.size());

  std::map<std::string, std::size_t> position;
  std::map<std::uint16_t, int> methods;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const ZipEntry& e = entries[i];
    SCOPED_TRACE(e.DisplayName());
    EXPECT_TRUE(e.name.starts_with("duzozudiv/"));
    // 7-Zip decodes names with the system code page only for MS-DOS hosts without the flag.
    EXPECT_EQ(e.version_made_by >> 8, 0);
    EXPECT_FALSE(e.HasUtf8Name());
    EXPECT_EQ(e.flags & zip::kFlagDataDescriptor, 0);
    EXPECT_EQ(e.stamp.time, kSampleTimestamp.time);
    EXPECT_EQ(e.stamp.date, kSampleTimestamp.date);
    if (e.IsFolder()) {
      EXPECT_FALSE(e.IsEncrypted());
      EXPECT_EQ(e.method, 0);
      EXPECT_EQ(e.compressed_size, 0u);
      EXPECT_EQ(e.external_attributes, zip::kDosAttributeDirectory);
      position[e.name] = i;
    } else {
      EXPECT_TRUE(e.IsEncrypted());
      ++methods[e.method];
    }
    // Each entry's folder has its own entry, placed before it.
    const std::string_view name(e.name);
    const auto slash = name.substr(0, name.size() - 1).rfind('/');
    if (slash != std::string_view::npos) {
      const auto parent = position.find(std::string(name.substr(0, slash + 1)));
      EXPECT_NE(parent, position.end()) << "folder entry missing or later";
    }
  }
  EXPECT_EQ(position.count("duzozudiv/"), 1u);
  EXPECT_EQ(position.count(Utf8ToGbk("duzozudiv/客户端/")), 1u);
  EXPECT_EQ(position.count(Utf8ToGbk("duzozudiv/服务器/")), 1u);
  EXPECT_GE(methods[0], 2);
  EXPECT_GE(methods[8], 2);
}

TEST_F(SamplePayloadTest, DecryptsAndInflatesToOriginalBytes) {
  EXPECT_EQ(reader_.Extract(Find(kMainProgramGbk), kPayloadPassword), kMainExe);
  EXPECT_EQ(reader_.Extract(Find("duzozudiv/zerarivur.exe"), kPayloadPassword), kProbeExe);
  const std::string ini =
      reader_.Extract(Find(Utf8ToGbk("duzozudiv/客户端/客户端配置.ini")), kPayloadPassword);
  EXPECT_NE(ini.find(Utf8ToGbk("[服务器]\r\n")), std::string::npos);
  for (const ZipEntry& e : reader_.entries()) {
    if (e.IsFolder()) continue;
    SCOPED_TRACE(e.DisplayName());
    EXPECT_NO_THROW(reader_.Extract(e, kPayloadPassword));  // size and CRC verified inside
  }
}

TEST_F(SamplePayloadTest, IsReproducible) { EXPECT_EQ(Sample(), archive_); }

TEST(ZipReaderTest, DetectsCorruptedData) {
  std::string zip = Minimal(kPayloadPassword, Protection::kEncrypted);
  std::istringstream clean(zip);
  ZipReader clean_reader(clean);
  const ZipEntry probe = clean_reader.entries()[2];
  ASSERT_EQ(probe.name, "duzozudiv/zerarivur.exe");
  // Flip a byte in the middle of the stored probe program.
  zip[probe.local_header_offset + 30 + probe.name.size() + 5000] ^= 0x01;
  std::istringstream in(zip);
  ZipReader reader(in);
  try {
    reader.Extract(reader.entries()[2], kPayloadPassword);
    FAIL() << "corruption not detected";
  } catch (const ZipFormatError& e) {
    EXPECT_NE(std::string(e.what()).find("CRC mismatch"), std::string::npos) << e.what();
  }
}

TEST(ZipReaderTest, ExtractsInfoZipArchive) {
  std::istringstream in(Bytes(kInfoZip862, sizeof kInfoZip862));
  ZipReader reader(in);
  ASSERT_EQ(reader.entries().size(), 1u);
  EXPECT_EQ(reader.Extract(reader.entries()[0], "862"), "hello hello hello ABC\r\n");
}

// Writes the sample to a file and lets Info-ZIP's unzip test every entry with the password.
TEST(SamplePayloadUnzipTest, PassesUnzipTest) {
  const std::string unzip = PAYLOAD_UNZIP;
  if (unzip.empty()) GTEST_SKIP() << "unzip is not installed";
  const auto dir =
      std::filesystem::temp_directory_path() / ("payload_tests_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const auto path = dir / "duzozudiv.zip";
  {
    std::ofstream out(path, std::ios::binary);
    out << Sample();
  }
  const std::string command = unzip + " -qq -P 862 -t '" + path.string() + "'";
  const int status = std::system(command.c_str());
  std::filesystem::remove_all(dir);
  EXPECT_EQ(status, 0) << command;
}

}  // namespace
}  // namespace payload
