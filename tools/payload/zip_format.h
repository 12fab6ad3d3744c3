// Field values and byte-order helpers shared by the ZIP writer and reader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace payload {

enum class Method : std::uint16_t { kStored = 0, kDeflated = 8 };

// MS-DOS packed time and date, as stored in ZIP headers.
struct DosTimestamp {
  std::uint16_t time;
  std::uint16_t date;
};

constexpr DosTimestamp MakeDosTimestamp(int year, int month, int day, int hour, int minute,
                                        int second) {
  return {static_cast<std::uint16_t>((hour << 11) | (minute << 5) | (second / 2)),
          static_cast<std::uint16_t>(((year - 1980) << 9) | (month << 5) | day)};
}

namespace zip {

inline constexpr std::uint32_t kLocalHeaderSignature = 0x04034b50;
inline constexpr std::uint32_t kCentralHeaderSignature = 0x02014b50;
inline constexpr std::uint32_t kEndRecordSignature = 0x06054b50;

inline constexpr std::size_t kLocalHeaderSize = 30;
inline constexpr std::size_t kCentralHeaderSize = 46;
inline constexpr std::size_t kEndRecordSize = 22;
inline constexpr std::size_t kMaxCommentSize = 0xffff;

inline constexpr std::uint16_t kFlagEncrypted = 1u << 0;
inline constexpr std::uint16_t kFlagDataDescriptor = 1u << 3;
inline constexpr std::uint16_t kFlagStrongEncryption = 1u << 6;
inline constexpr std::uint16_t kFlagUtf8Names = 1u << 11;

// Method number of WinZip AES, which the traditional password check cannot verify.
inline constexpr std::uint16_t kMethodAes = 99;

// Format version 2.0 covers deflate, traditional encryption and folders. The high byte of
// "version made by" is the host system; 0 (MS-DOS) makes extractors decode names in the
// reader's ANSI/OEM code page instead of treating them as Unix bytes.
inline constexpr std::uint16_t kVersionNeeded = 20;
inline constexpr std::uint16_t kVersionMadeByDos = 20;
inline constexpr std::uint8_t kHostMsDos = 0;
// Offset of the host byte (the high byte of "version made by") in a central directory record.
inline constexpr std::size_t kCentralHostOffset = 5;

inline constexpr std::uint32_t kDosAttributeDirectory = 0x10;
inline constexpr std::uint32_t kDosAttributeArchive = 0x20;

inline void Put16(std::string& out, std::uint16_t v) {
  out.push_back(static_cast<char>(v & 0xff));
  out.push_back(static_cast<char>(v >> 8));
}

inline void Put32(std::string& out, std::uint32_t v) {
  Put16(out, static_cast<std::uint16_t>(v & 0xffff));
  Put16(out, static_cast<std::uint16_t>(v >> 16));
}

inline std::uint16_t Get16(std::string_view in, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(in[at]) |
                                    static_cast<unsigned char>(in[at + 1]) << 8);
}

inline std::uint32_t Get32(std::string_view in, std::size_t at) {
  return Get16(in, at) | static_cast<std::uint32_t>(Get16(in, at + 2)) << 16;
}

}  // namespace zip
}  // namespace payload
