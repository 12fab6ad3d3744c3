#include "zip_reader.h"

#include <zlib.h>

#include <algorithm>
#include <limits>

#include "gbk.h"
#include "zip_cipher.h"

namespace payload {
namespace {

class Inflater {
 public:
  Inflater() {
    if (inflateInit2(&stream_, -MAX_WBITS) != Z_OK) {
      throw std::runtime_error("zlib inflateInit2 failed");
    }
  }
  ~Inflater() { inflateEnd(&stream_); }
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;

  // Returns false when the data is not one complete deflate stream of exactly `size` bytes.
  bool Run(std::string_view data, std::size_t size, std::string& out) {
    // One spare byte so that output longer than declared is noticed.
    out.assign(size + 1, '\0');
    stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream_.avail_in = static_cast<uInt>(data.size());
    stream_.next_out = reinterpret_cast<Bytef*>(out.data());
    stream_.avail_out = static_cast<uInt>(out.size());
    const int rc = inflate(&stream_, Z_FINISH);
    const bool complete = rc == Z_STREAM_END && stream_.total_out == size;
    out.resize(size);
    return complete;
  }

 private:
  z_stream stream_{};
};

}  // namespace

std::string ZipEntry::DisplayName() const {
  if (HasUtf8Name()) return name;
  try {
    return GbkToUtf8(name);
  } catch (const std::runtime_error&) {
    std::string shown;
    static constexpr char kHex[] = "0123456789abcdef";
    for (unsigned char c : name) {
      if (c >= 0x20 && c < 0x7f) {
        shown += static_cast<char>(c);
      } else {
        shown += "\\x";
        shown += kHex[c >> 4];
        shown += kHex[c & 0xf];
      }
    }
    return shown;
  }
}

ZipReader::ZipReader(std::istream& in) : in_(in) {
  in_.seekg(0, std::ios::end);
  const std::streamoff end = in_.tellg();
  if (!in_ || end < 0) throw ZipFormatError("cannot determine the archive size");
  size_ = static_cast<std::uint64_t>(end);

  const std::string head = ReadAt(0, static_cast<std::size_t>(std::min<std::uint64_t>(size_, 4)),
                                  "the start of the file");
  const bool looks_like_zip =
      head.size() == 4 && (zip::Get32(head, 0) == zip::kLocalHeaderSignature ||
                           zip::Get32(head, 0) == zip::kEndRecordSignature);
  const char* const missing_end = looks_like_zip
                                      ? "truncated ZIP archive: no end of central directory record"
                                      : "not a ZIP archive";
  if (size_ < zip::kEndRecordSize) throw ZipFormatError(missing_end);

  // The end record sits at the very end, followed only by a comment of up to 64 KiB.
  const std::size_t tail_size = static_cast<std::size_t>(
      std::min<std::uint64_t>(size_, zip::kEndRecordSize + zip::kMaxCommentSize));
  const std::string tail = ReadAt(size_ - tail_size, tail_size, "the end of central directory");
  std::size_t at = tail_size - zip::kEndRecordSize;
  while (true) {
    if (zip::Get32(tail, at) == zip::kEndRecordSignature &&
        at + zip::kEndRecordSize + zip::Get16(tail, at + 20) == tail_size) {
      break;
    }
    if (at == 0) throw ZipFormatError(missing_end);
    --at;
  }
  const std::uint64_t end_offset = size_ - tail_size + at;
  const std::uint16_t disk = zip::Get16(tail, at + 4);
  const std::uint16_t directory_disk = zip::Get16(tail, at + 6);
  const std::uint16_t disk_entries = zip::Get16(tail, at + 8);
  const std::uint16_t total_entries = zip::Get16(tail, at + 10);
  const std::uint32_t directory_size = zip::Get32(tail, at + 12);
  const std::uint32_t directory_offset = zip::Get32(tail, at + 16);
  if (total_entries == 0xffff || directory_size == 0xffffffff || directory_offset == 0xffffffff) {
    throw ZipFormatError("Zip64 archives are not supported");
  }
  if (disk != 0 || directory_disk != 0 || disk_entries != total_entries) {
    throw ZipFormatError("multi-volume ZIP archives are not supported");
  }
  if (std::uint64_t{directory_offset} + directory_size != end_offset) {
    throw ZipFormatError(
        "damaged or truncated ZIP archive: the central directory does not end where the end "
        "record begins");
  }
  directory_offset_ = directory_offset;

  const std::string directory = ReadAt(directory_offset, directory_size, "the central directory");
  std::size_t pos = 0;
  for (std::size_t i = 0; i < total_entries; ++i) {
    if (pos + zip::kCentralHeaderSize > directory.size() ||
        zip::Get32(directory, pos) != zip::kCentralHeaderSignature) {
      throw ZipFormatError("damaged ZIP archive: central directory entry " + std::to_string(i + 1) +
                           " is malformed");
    }
    ZipEntry e;
    e.version_made_by = zip::Get16(directory, pos + 4);
    e.flags = zip::Get16(directory, pos + 8);
    e.method = zip::Get16(directory, pos + 10);
    e.stamp = {zip::Get16(directory, pos + 12), zip::Get16(directory, pos + 14)};
    e.crc = zip::Get32(directory, pos + 16);
    e.compressed_size = zip::Get32(directory, pos + 20);
    e.uncompressed_size = zip::Get32(directory, pos + 24);
    const std::size_t name_size = zip::Get16(directory, pos + 28);
    const std::size_t extra_size = zip::Get16(directory, pos + 30);
    const std::size_t comment_size = zip::Get16(directory, pos + 32);
    e.external_attributes = zip::Get32(directory, pos + 38);
    e.local_header_offset = zip::Get32(directory, pos + 42);
    e.central_header_offset = directory_offset + pos;
    const std::size_t record_size = zip::kCentralHeaderSize + name_size + extra_size + comment_size;
    if (pos + record_size > directory.size()) {
      throw ZipFormatError("damaged ZIP archive: central directory entry " + std::to_string(i + 1) +
                           " overruns the directory");
    }
    e.name = directory.substr(pos + zip::kCentralHeaderSize, name_size);
    entries_.push_back(std::move(e));
    pos += record_size;
  }
  if (pos != directory.size()) {
    throw ZipFormatError("damaged ZIP archive: central directory size does not match its entries");
  }
}

std::string ZipReader::ReadAt(std::uint64_t offset, std::size_t size, const char* what) {
  if (offset > size_ || size > size_ - offset) {
    throw ZipFormatError(std::string("truncated ZIP archive: ") + what + " lies past the end");
  }
  std::string bytes(size, '\0');
  in_.clear();
  in_.seekg(static_cast<std::streamoff>(offset));
  in_.read(bytes.data(), static_cast<std::streamsize>(size));
  if (!in_) throw ZipFormatError(std::string("cannot read ") + what);
  return bytes;
}

std::uint64_t ZipReader::DataOffset(const ZipEntry& entry) {
  const std::string what = "the local header of " + entry.QuotedName();
  const std::string header = ReadAt(entry.local_header_offset, zip::kLocalHeaderSize, what.c_str());
  if (zip::Get32(header, 0) != zip::kLocalHeaderSignature) {
    throw ZipFormatError("damaged ZIP archive: no local header for " + entry.QuotedName());
  }
  const std::size_t name_size = zip::Get16(header, 26);
  const std::size_t extra_size = zip::Get16(header, 28);
  const std::uint64_t name_offset =
      std::uint64_t{entry.local_header_offset} + zip::kLocalHeaderSize;
  if (ReadAt(name_offset, name_size, what.c_str()) != entry.name) {
    throw ZipFormatError("damaged ZIP archive: the local header of " + entry.QuotedName() +
                         " names a different entry");
  }
  const std::uint64_t data_offset = name_offset + name_size + extra_size;
  if (data_offset + entry.compressed_size > directory_offset_) {
    throw ZipFormatError("damaged or truncated ZIP archive: the data of " + entry.QuotedName() +
                         " runs into the central directory");
  }
  return data_offset;
}

std::string ZipReader::ReadStoredPrefix(const ZipEntry& entry, std::size_t size) {
  const std::string what = "the data of " + entry.QuotedName();
  return ReadAt(DataOffset(entry), std::min<std::size_t>(size, entry.compressed_size),
                what.c_str());
}

std::string ZipReader::Extract(const ZipEntry& entry, std::string_view password) {
  std::string stored = ReadStoredPrefix(entry, entry.compressed_size);
  if (entry.IsEncrypted()) {
    if (stored.size() < kEncryptionHeaderSize) {
      throw ZipFormatError("damaged ZIP archive: " + entry.QuotedName() +
                           " is too short for its encryption header");
    }
    ZipCipher(password).Decrypt(stored);
    stored.erase(0, kEncryptionHeaderSize);
  }
  std::string data;
  if (entry.method == static_cast<std::uint16_t>(Method::kStored)) {
    data = std::move(stored);
    if (data.size() != entry.uncompressed_size) {
      throw ZipFormatError("stored entry " + entry.QuotedName() + " has the wrong size");
    }
  } else if (entry.method == static_cast<std::uint16_t>(Method::kDeflated)) {
    if (stored.size() > std::numeric_limits<uInt>::max()) {
      throw ZipFormatError("entry " + entry.QuotedName() + " is too large to inflate in one piece");
    }
    if (!Inflater().Run(stored, entry.uncompressed_size, data)) {
      throw ZipFormatError("entry " + entry.QuotedName() +
                           " does not inflate to its declared size (wrong password or damage)");
    }
  } else {
    throw ZipFormatError("entry " + entry.QuotedName() + " uses unsupported method " +
                         std::to_string(entry.method));
  }
  const uLong crc = crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(data.data()),
                          static_cast<uInt>(data.size()));
  if (crc != entry.crc) throw ZipFormatError("CRC mismatch in " + entry.QuotedName());
  return data;
}

}  // namespace payload
