#include "install/crc32.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The standard check value, and lengths around the eight-byte steps.
TEST(Crc32, KnownValues) {
  EXPECT_EQ(install::Crc32(""), 0u);
  EXPECT_EQ(install::Crc32("a"), 0xE8B7BE43u);
  EXPECT_EQ(install::Crc32("123456789"), 0xCBF43926u);
  EXPECT_EQ(install::Crc32("The quick brown fox jumps over the lazy dog"), 0x414FA339u);
}

TEST(Crc32, ContinuesAcrossPiecesOfAnyLength) {
  std::string data;
  for (int i = 0; i < 1000; ++i) data += static_cast<char>(i * 7 + 3);
  const std::uint32_t whole = install::Crc32(data);
  for (std::size_t split : {1u, 7u, 8u, 9u, 500u, 999u}) {
    const std::string_view view(data);
    EXPECT_EQ(install::Crc32(view.substr(split), install::Crc32(view.substr(0, split))), whole)
        << split;
  }
}

}  // namespace
