// Small ZIP archives made in the tests, laid out as the payload is: raw (GBK) names, host
// MS-DOS, no data descriptors. Data is stored as it is; an "encrypted" entry gets the twelve
// header bytes of traditional encryption in front, as the installer never decrypts anything.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace doubles {

struct ArchiveEntry {
  std::string name;  // raw bytes as stored; a folder ends with '/'
  std::string data;
  std::uint16_t flags = 1;  // encrypted
};

std::string StoredArchive(const std::vector<ArchiveEntry>& entries);

}  // namespace doubles
