#include "host_fix.h"

#include <sstream>

#include "zip_reader.h"

namespace payload {

std::size_t SetHostMsDos(std::string& archive) {
  std::istringstream in(archive);
  const ZipReader reader(in);
  std::size_t changed = 0;
  for (const ZipEntry& entry : reader.entries()) {
    if (entry.Host() == zip::kHostMsDos) continue;
    archive[entry.central_header_offset + zip::kCentralHostOffset] =
        static_cast<char>(zip::kHostMsDos);
    ++changed;
  }
  return changed;
}

}  // namespace payload
