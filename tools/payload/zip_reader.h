// Reads a ZIP archive's central directory and, on demand, single entries, seeking in the
// stream rather than loading the archive.
#pragma once

#include <cstdint>
#include <istream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "zip_format.h"

namespace payload {

class ZipFormatError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct ZipEntry {
  std::string name;  // raw bytes as stored
  std::uint16_t version_made_by = 0;
  std::uint16_t flags = 0;
  std::uint16_t method = 0;
  DosTimestamp stamp{};
  std::uint32_t crc = 0;
  std::uint32_t compressed_size = 0;
  std::uint32_t uncompressed_size = 0;
  std::uint32_t external_attributes = 0;
  std::uint32_t local_header_offset = 0;
  std::uint64_t central_header_offset = 0;  // where its central directory record starts

  bool IsFolder() const { return name.ends_with('/'); }
  bool IsEncrypted() const { return (flags & zip::kFlagEncrypted) != 0; }
  bool HasUtf8Name() const { return (flags & zip::kFlagUtf8Names) != 0; }
  std::uint8_t Host() const { return static_cast<std::uint8_t>(version_made_by >> 8); }
  // The name as UTF-8 for messages: decoded from GBK unless flagged as UTF-8, with
  // undecodable bytes shown in hex.
  std::string DisplayName() const;
  std::string QuotedName() const { return '"' + DisplayName() + '"'; }
};

class ZipReader {
 public:
  // Reads the end record and the central directory; throws ZipFormatError when the stream
  // is not a complete single-volume ZIP archive without Zip64 records.
  explicit ZipReader(std::istream& in);

  const std::vector<ZipEntry>& entries() const { return entries_; }

  // Validates the entry's local header and returns the first `size` bytes of its stored
  // data (for an encrypted entry, starting with the encryption header).
  std::string ReadStoredPrefix(const ZipEntry& entry, std::size_t size);

  // Decrypts (if encrypted) and decompresses the entry, verifying size and CRC.
  std::string Extract(const ZipEntry& entry, std::string_view password);

 private:
  std::uint64_t DataOffset(const ZipEntry& entry);
  std::string ReadAt(std::uint64_t offset, std::size_t size, const char* what);

  std::istream& in_;
  std::uint64_t size_ = 0;
  std::uint64_t directory_offset_ = 0;
  std::vector<ZipEntry> entries_;
};

}  // namespace payload
