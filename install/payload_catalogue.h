// The list of files in the payload archive, read from its ZIP central directory in place.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace install {

// One file of the payload, as the archive's central directory records it.
struct PayloadFile {
  std::string name;  // as stored: GBK bytes, folders separated by '/'
  std::uint32_t size = 0;
  std::uint32_t crc32 = 0;
};

// The file entries (not the folder entries) of the ZIP archive, in archive order. The bytes are
// read where they lie and never beyond them: a truncated archive, or one whose directory points
// outside itself or contradicts itself, throws Failure saying what is wrong (UTF-8,
// Chinese). So do names flagged as UTF-8: the archive program would not name those files as
// the payload's GBK names promise.
std::vector<PayloadFile> ReadPayloadCatalogue(std::string_view archive);

}  // namespace install
