#include "zip_cipher.h"

#include <zlib.h>

namespace payload {
namespace {

// One step of the CRC-32 register without zlib's pre- and post-inversion, as the key
// schedule requires.
std::uint32_t CrcStep(std::uint32_t crc, std::uint8_t byte) {
  static const z_crc_t* const table = get_crc_table();
  return table[(crc ^ byte) & 0xff] ^ (crc >> 8);
}

}  // namespace

ZipCipher::ZipCipher(std::string_view password) {
  for (char c : password) UpdateKeys(static_cast<std::uint8_t>(c));
}

std::uint8_t ZipCipher::KeystreamByte() const {
  // Unsigned 32-bit arithmetic: two 16-bit values promoted to int would overflow it.
  const std::uint32_t temp = (key2_ | 2) & 0xffff;
  return static_cast<std::uint8_t>((temp * (temp ^ 1)) >> 8);
}

void ZipCipher::UpdateKeys(std::uint8_t plain) {
  key0_ = CrcStep(key0_, plain);
  key1_ = (key1_ + (key0_ & 0xff)) * 134775813u + 1;
  key2_ = CrcStep(key2_, static_cast<std::uint8_t>(key1_ >> 24));
}

void ZipCipher::Encrypt(std::string& data) {
  for (char& c : data) {
    const auto plain = static_cast<std::uint8_t>(c);
    c = static_cast<char>(plain ^ KeystreamByte());
    UpdateKeys(plain);
  }
}

void ZipCipher::Decrypt(std::string& data) {
  for (char& c : data) {
    const auto plain = static_cast<std::uint8_t>(static_cast<std::uint8_t>(c) ^ KeystreamByte());
    c = static_cast<char>(plain);
    UpdateKeys(plain);
  }
}

}  // namespace payload
