#include "tests/doubles/test_archive.h"

#include "install/crc32.h"

namespace doubles {
namespace {

void Put16(std::string& out, std::uint32_t value) {
  out += static_cast<char>(value & 0xff);
  out += static_cast<char>((value >> 8) & 0xff);
}

void Put32(std::string& out, std::uint32_t value) {
  Put16(out, value & 0xffff);
  Put16(out, value >> 16);
}

// The fields local and central headers share, from "version needed" to the name's length.
std::string CommonFields(const ArchiveEntry& entry, std::uint32_t stored_size) {
  std::string fields;
  Put16(fields, 20);
  Put16(fields, entry.flags);
  Put16(fields, 0);  // stored
  Put32(fields, 0);  // time and date
  Put32(fields, install::Crc32(entry.data));
  Put32(fields, stored_size);
  Put32(fields, static_cast<std::uint32_t>(entry.data.size()));
  Put16(fields, static_cast<std::uint32_t>(entry.name.size()));
  Put16(fields, 0);  // extra field
  return fields;
}

}  // namespace

std::string StoredArchive(const std::vector<ArchiveEntry>& entries) {
  std::string archive, directory;
  for (const ArchiveEntry& entry : entries) {
    const bool folder = entry.name.ends_with('/');
    const std::string stored =
        (entry.flags & 1) && !folder ? std::string(12, '\x5a') + entry.data : entry.data;
    const std::string common = CommonFields(entry, static_cast<std::uint32_t>(stored.size()));
    directory += "PK\x01\x02";
    Put16(directory, 20);  // made by MS-DOS, format 2.0
    directory += common;
    Put16(directory, 0);  // comment
    Put32(directory, 0);  // disk, internal attributes
    Put32(directory, folder ? 0x10 : 0x20);
    Put32(directory, static_cast<std::uint32_t>(archive.size()));
    directory += entry.name;
    archive += "PK\x03\x04" + common + entry.name + stored;
  }
  const auto offset = static_cast<std::uint32_t>(archive.size());
  archive += directory + "PK\x05\x06";
  Put32(archive, 0);  // disk numbers
  Put16(archive, static_cast<std::uint32_t>(entries.size()));
  Put16(archive, static_cast<std::uint32_t>(entries.size()));
  Put32(archive, static_cast<std::uint32_t>(directory.size()));
  Put32(archive, offset);
  Put16(archive, 0);  // comment
  return archive;
}

}  // namespace doubles
