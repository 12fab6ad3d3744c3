#include "install/crc32.h"

#include <array>
#include <memory>

namespace install {
namespace {

using Tables = std::array<std::array<std::uint32_t, 256>, 8>;

// Slicing by eight: table k gives the CRC of a byte followed by k zero bytes, so eight bytes
// are folded in with eight lookups and no dependency between them. The tables are made on first
// use, on the heap: stored in the program file they would cost 8 KB of it (the Windows compiler
// puts even zero-filled statics there), and making them takes microseconds.
std::unique_ptr<const Tables> MakeTables() {
  auto tables = std::make_unique<Tables>();
  Tables& t = *tables;
  for (std::uint32_t byte = 0; byte < 256; ++byte) {
    std::uint32_t crc = byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    t[0][byte] = crc;
  }
  for (std::size_t k = 1; k < 8; ++k)
    for (std::size_t byte = 0; byte < 256; ++byte)
      t[k][byte] = (t[k - 1][byte] >> 8) ^ t[0][t[k - 1][byte] & 0xff];
  return tables;
}

std::uint32_t Byte(std::string_view bytes, std::size_t at) {
  return static_cast<unsigned char>(bytes[at]);
}

}  // namespace

std::uint32_t Crc32(std::string_view bytes, std::uint32_t crc) {
  static const std::unique_ptr<const Tables> tables = MakeTables();
  const Tables& table = *tables;
  crc = ~crc;
  std::size_t at = 0;
  for (; at + 8 <= bytes.size(); at += 8) {
    const std::uint32_t low = crc ^ (Byte(bytes, at) | Byte(bytes, at + 1) << 8 |
                                     Byte(bytes, at + 2) << 16 | Byte(bytes, at + 3) << 24);
    crc = table[7][low & 0xff] ^ table[6][(low >> 8) & 0xff] ^ table[5][(low >> 16) & 0xff] ^
          table[4][low >> 24] ^ table[3][Byte(bytes, at + 4)] ^ table[2][Byte(bytes, at + 5)] ^
          table[1][Byte(bytes, at + 6)] ^ table[0][Byte(bytes, at + 7)];
  }
  for (; at < bytes.size(); ++at) crc = (crc >> 8) ^ table[0][(crc ^ Byte(bytes, at)) & 0xff];
  return ~crc;
}

}  // namespace install
