// Writes ZIP archives in the layout the installer's payload uses: raw (code page) entry
// names, MS-DOS host, no data descriptors, optional traditional encryption.
#pragma once

#include <cstdint>
#include <ostream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "zip_format.h"

namespace payload {

enum class Protection { kEncrypted, kPlain };

class ZipWriter {
 public:
  // Every entry gets the same timestamp, and the encryption headers come from a fixed-seed
  // generator, so equal input gives a byte-identical archive.
  ZipWriter(std::ostream& out, std::string password, DosTimestamp stamp);

  // Names are raw bytes as stored (already converted to the target code page).
  // A folder name ends with '/'; folders are always stored, empty and unencrypted.
  void AddFolder(std::string raw_name);
  void AddFile(std::string raw_name, std::string_view data, Method method,
               Protection protection = Protection::kEncrypted);

  // Appends the central directory and end record. Nothing may be added afterwards.
  void Finish();

 private:
  struct Record {
    std::string name;
    std::uint16_t flags;
    Method method;
    std::uint32_t crc;
    std::uint32_t compressed_size;
    std::uint32_t uncompressed_size;
    std::uint32_t external_attributes;
    std::uint32_t local_header_offset;
  };

  void AddEntry(Record record, std::string_view stored_data);
  void Write(std::string_view bytes);

  std::ostream& out_;
  std::string password_;
  DosTimestamp stamp_;
  std::mt19937 header_bytes_;
  std::uint64_t offset_ = 0;
  std::vector<Record> records_;
  bool finished_ = false;
};

// Raw deflate (no zlib or gzip wrapper), as ZIP method 8 stores it.
std::string RawDeflate(std::string_view data);

}  // namespace payload
