// Acceptance check of an application payload archive before it is built into the installer.
#pragma once

#include <cstddef>
#include <filesystem>
#include <istream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace payload {

class PayloadRejected : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct PayloadSummary {
  std::size_t folders = 0;
  std::size_t files = 0;
};

// Accepts the archive only if it is a readable ZIP archive, every entry was made on MS-DOS and
// has a GBK name not flagged as UTF-8, every file entry is stored or deflated and encrypted
// with traditional ZIP encryption, the password passes every entry's check byte, and each
// required entry (UTF-8 names) is present. Throws PayloadRejected or ZipFormatError with a
// one-line reason otherwise. Reads only the directory and each entry's headers.
PayloadSummary CheckPayload(std::istream& archive, std::string_view password,
                            const std::vector<std::string>& required_utf8);
PayloadSummary CheckPayloadFile(const std::filesystem::path& archive, std::string_view password,
                                const std::vector<std::string>& required_utf8);

}  // namespace payload
