// Traditional PKWARE ZIP encryption ("ZipCrypto"), the scheme 7-Zip uses for "-p" with ZIP.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace payload {

// Every encrypted entry's data starts with this many encrypted header bytes; the last one
// decrypts to a check byte that lets an extractor reject a wrong password early.
inline constexpr std::size_t kEncryptionHeaderSize = 12;

class ZipCipher {
 public:
  explicit ZipCipher(std::string_view password);

  // Both transform the buffer in place and advance the key state.
  void Encrypt(std::string& data);
  void Decrypt(std::string& data);

 private:
  std::uint8_t KeystreamByte() const;
  void UpdateKeys(std::uint8_t plain);

  std::uint32_t key0_ = 0x12345678;
  std::uint32_t key1_ = 0x23456789;
  std::uint32_t key2_ = 0x34567890;
};

}  // namespace payload
