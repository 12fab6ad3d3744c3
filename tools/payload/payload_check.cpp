#include "payload_check.h"

#include <fstream>
#include <set>

#include "gbk.h"
#include "zip_cipher.h"
#include "zip_reader.h"

namespace payload {
namespace {

// 7-Zip names the files it extracts as the installer expects only when it reads each name as
// GBK: an entry made on MS-DOS, without the UTF-8 flag, named in valid GBK.
void CheckName(const ZipEntry& entry) {
  if (entry.Host() != zip::kHostMsDos) {
    throw PayloadRejected("entry " + entry.QuotedName() + " was made on host " +
                          std::to_string(entry.Host()) +
                          ", not MS-DOS (0), so 7-Zip would garble its name; "
                          "make_sample_payload --fix-host writes a mended copy");
  }
  if (entry.HasUtf8Name()) {
    throw PayloadRejected("entry " + entry.QuotedName() +
                          " has a name flagged as UTF-8; names must be GBK");
  }
  try {
    GbkToUtf8(entry.name);
  } catch (const std::runtime_error&) {
    throw PayloadRejected("entry " + entry.QuotedName() + " has a name that is not valid GBK");
  }
}

void CheckMethod(const ZipEntry& entry) {
  if (entry.method != static_cast<std::uint16_t>(Method::kStored) &&
      entry.method != static_cast<std::uint16_t>(Method::kDeflated)) {
    throw PayloadRejected("entry " + entry.QuotedName() + " uses compression method " +
                          std::to_string(entry.method) + "; only stored (0) and deflated (8)");
  }
}

void CheckEncryption(ZipReader& reader, const ZipEntry& entry, std::string_view password) {
  if (!entry.IsEncrypted()) {
    throw PayloadRejected("entry " + entry.QuotedName() + " is not encrypted");
  }
  if ((entry.flags & zip::kFlagStrongEncryption) != 0 || entry.method == zip::kMethodAes) {
    throw PayloadRejected("entry " + entry.QuotedName() +
                          " uses AES or strong encryption; traditional ZIP encryption is "
                          "required");
  }
  CheckMethod(entry);
  std::string header = reader.ReadStoredPrefix(entry, kEncryptionHeaderSize);
  if (header.size() < kEncryptionHeaderSize) {
    throw ZipFormatError("damaged ZIP archive: " + entry.QuotedName() +
                         " is too short for its encryption header");
  }
  ZipCipher(password).Decrypt(header);
  // With a data descriptor the CRC is unknown while writing, so writers use the time instead.
  const auto expected = static_cast<unsigned char>(
      (entry.flags & zip::kFlagDataDescriptor) != 0 ? entry.stamp.time >> 8 : entry.crc >> 24);
  if (static_cast<unsigned char>(header.back()) != expected) {
    throw PayloadRejected("wrong password for entry " + entry.QuotedName() +
                          " (encryption header check failed)");
  }
}

}  // namespace

PayloadSummary CheckPayload(std::istream& archive, std::string_view password,
                            const std::vector<std::string>& required_utf8) {
  ZipReader reader(archive);
  PayloadSummary summary;
  std::set<std::string> present_raw;
  for (const ZipEntry& entry : reader.entries()) {
    CheckName(entry);
    if (entry.IsFolder()) {
      ++summary.folders;
    } else {
      ++summary.files;
      CheckEncryption(reader, entry, password);
    }
    // Keyed by the UTF-8 flag so a GBK name never matches the UTF-8 spelling by accident.
    present_raw.insert((entry.HasUtf8Name() ? "u:" : "g:") + entry.name);
  }
  for (const std::string& name : required_utf8) {
    if (!present_raw.contains("u:" + name) && !present_raw.contains("g:" + Utf8ToGbk(name))) {
      throw PayloadRejected("required entry \"" + name + "\" is missing");
    }
  }
  return summary;
}

PayloadSummary CheckPayloadFile(const std::filesystem::path& archive, std::string_view password,
                                const std::vector<std::string>& required_utf8) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(archive, error)) {
    throw PayloadRejected("no such file");
  }
  std::ifstream in(archive, std::ios::binary);
  if (!in) throw PayloadRejected("cannot open the file for reading");
  return CheckPayload(in, password, required_utf8);
}

}  // namespace payload
