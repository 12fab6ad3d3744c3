// CRC-32 as ZIP archives record it (the reflected polynomial 0xEDB88320, pre- and
// post-inverted), fast enough to check an extracted tree of tens of megabytes in a blink.
#pragma once

#include <cstdint>
#include <string_view>

namespace install {

// Continues `crc` (the CRC-32 of what came before, 0 for nothing) over `bytes`.
std::uint32_t Crc32(std::string_view bytes, std::uint32_t crc = 0);

}  // namespace install
