// Mends an archive made on a Unix host (Info-ZIP's zip on Linux always writes host Unix), whose
// GBK names 7-Zip would garble, by marking every entry as made on MS-DOS.
#pragma once

#include <cstddef>
#include <string>

namespace payload {

// Sets the host byte of every central directory record to MS-DOS and returns how many
// changed. Nothing else changes: the local headers hold no host, and the encrypted data and
// the password check stay valid. Throws ZipFormatError for an unreadable archive.
std::size_t SetHostMsDos(std::string& archive);

}  // namespace payload
