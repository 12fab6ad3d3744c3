#include "payload_check.h"

#include <fstream>
#include <set>

#include "gbk.h"
#include "zip_cipher.h"
#include "zip_reader.h"

namespace payload {
namespace {

void CheckEncryption(ZipReader& reader, const ZipEntry& entry, std::string_view password) {
  if (!entry.IsEncrypted()) {
    throw PayloadRejected("entry " + entry.QuotedName() + " is not encrypted");
  }
  if ((entry.flags & zip::kFlagStrongEncryption) != 0 || entry.method == zip::kMethodAes) {
    throw PayloadRejected("entry " + entry.QuotedName() +
                          " uses AES or strong encryption; traditional ZIP encryption is "
                          "required");
  }
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
