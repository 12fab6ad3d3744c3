#include "zip_writer.h"

#include <zlib.h>

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <utility>

#include "zip_cipher.h"

namespace payload {
namespace {

constexpr std::uint64_t kMaxOffset = std::numeric_limits<std::uint32_t>::max();
constexpr std::size_t kMaxEntries = std::numeric_limits<std::uint16_t>::max();
constexpr std::size_t kMaxNameSize = std::numeric_limits<std::uint16_t>::max();

class Deflater {
 public:
  Deflater() {
    if (deflateInit2(&stream_, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) !=
        Z_OK) {
      throw std::runtime_error("zlib deflateInit2 failed");
    }
  }
  ~Deflater() { deflateEnd(&stream_); }
  Deflater(const Deflater&) = delete;
  Deflater& operator=(const Deflater&) = delete;

  std::string Run(std::string_view data) {
    if (data.size() > std::numeric_limits<uInt>::max()) {
      throw std::runtime_error("entry too large to deflate in one piece");
    }
    std::string out(deflateBound(&stream_, static_cast<uLong>(data.size())), '\0');
    stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream_.avail_in = static_cast<uInt>(data.size());
    stream_.next_out = reinterpret_cast<Bytef*>(out.data());
    stream_.avail_out = static_cast<uInt>(out.size());
    const int rc = deflate(&stream_, Z_FINISH);
    if (rc != Z_STREAM_END) {
      throw std::runtime_error("zlib deflate failed with code " + std::to_string(rc));
    }
    out.resize(stream_.total_out);
    return out;
  }

 private:
  z_stream stream_{};
};

std::uint32_t Crc32(std::string_view data) {
  uLong crc = crc32(0L, Z_NULL, 0);
  // zlib takes at most uInt bytes per call.
  while (!data.empty()) {
    const auto n =
        static_cast<uInt>(std::min<std::size_t>(data.size(), std::numeric_limits<uInt>::max()));
    crc = crc32(crc, reinterpret_cast<const Bytef*>(data.data()), n);
    data.remove_prefix(n);
  }
  return static_cast<std::uint32_t>(crc);
}

void CheckName(const std::string& name) {
  if (name.empty()) throw std::invalid_argument("ZIP entry name is empty");
  if (name.size() > kMaxNameSize) throw std::invalid_argument("ZIP entry name too long");
  if (name.front() == '/') {
    throw std::invalid_argument("ZIP entry name \"" + name + "\" must be relative");
  }
}

}  // namespace

std::string RawDeflate(std::string_view data) { return Deflater().Run(data); }

ZipWriter::ZipWriter(std::ostream& out, std::string password, DosTimestamp stamp)
    : out_(out), password_(std::move(password)), stamp_(stamp), header_bytes_(0x862u) {}

void ZipWriter::AddFolder(std::string raw_name) {
  CheckName(raw_name);
  if (!raw_name.ends_with('/')) {
    throw std::invalid_argument("ZIP folder name \"" + raw_name + "\" must end with '/'");
  }
  AddEntry({.name = std::move(raw_name),
            .flags = 0,
            .method = Method::kStored,
            .crc = 0,
            .compressed_size = 0,
            .uncompressed_size = 0,
            .external_attributes = zip::kDosAttributeDirectory,
            .local_header_offset = 0},
           {});
}

void ZipWriter::AddFile(std::string raw_name, std::string_view data, Method method,
                        Protection protection) {
  CheckName(raw_name);
  if (raw_name.ends_with('/')) {
    throw std::invalid_argument("ZIP file name \"" + raw_name + "\" must not end with '/'");
  }
  if (data.size() > kMaxOffset) throw std::invalid_argument("ZIP entry larger than 4 GiB");
  const std::uint32_t crc = Crc32(data);
  std::string stored = method == Method::kDeflated ? RawDeflate(data) : std::string(data);
  std::uint16_t flags = 0;
  if (protection == Protection::kEncrypted) {
    // The last header byte is the CRC's high byte: the check byte for the password.
    std::string header(kEncryptionHeaderSize, '\0');
    for (auto& c : header) c = static_cast<char>(header_bytes_() & 0xff);
    header.back() = static_cast<char>(crc >> 24);
    stored.insert(0, header);
    ZipCipher(password_).Encrypt(stored);
    flags |= zip::kFlagEncrypted;
  }
  if (stored.size() > kMaxOffset) throw std::invalid_argument("ZIP entry larger than 4 GiB");
  AddEntry({.name = std::move(raw_name),
            .flags = flags,
            .method = method,
            .crc = crc,
            .compressed_size = static_cast<std::uint32_t>(stored.size()),
            .uncompressed_size = static_cast<std::uint32_t>(data.size()),
            .external_attributes = zip::kDosAttributeArchive,
            .local_header_offset = 0},
           stored);
}

void ZipWriter::AddEntry(Record record, std::string_view stored_data) {
  if (finished_) throw std::logic_error("ZIP entry added after Finish()");
  if (records_.size() == kMaxEntries) throw std::length_error("too many ZIP entries");
  if (offset_ > kMaxOffset) throw std::length_error("ZIP archive larger than 4 GiB");
  record.local_header_offset = static_cast<std::uint32_t>(offset_);

  std::string header;
  zip::Put32(header, zip::kLocalHeaderSignature);
  zip::Put16(header, zip::kVersionNeeded);
  zip::Put16(header, record.flags);
  zip::Put16(header, static_cast<std::uint16_t>(record.method));
  zip::Put16(header, stamp_.time);
  zip::Put16(header, stamp_.date);
  zip::Put32(header, record.crc);
  zip::Put32(header, record.compressed_size);
  zip::Put32(header, record.uncompressed_size);
  zip::Put16(header, static_cast<std::uint16_t>(record.name.size()));
  zip::Put16(header, 0);  // extra field length
  header += record.name;
  Write(header);
  Write(stored_data);
  records_.push_back(std::move(record));
}

void ZipWriter::Finish() {
  if (finished_) throw std::logic_error("ZipWriter::Finish() called twice");
  if (offset_ > kMaxOffset) throw std::length_error("ZIP archive larger than 4 GiB");
  const auto directory_offset = static_cast<std::uint32_t>(offset_);
  std::string directory;
  for (const Record& r : records_) {
    zip::Put32(directory, zip::kCentralHeaderSignature);
    zip::Put16(directory, zip::kVersionMadeByDos);
    zip::Put16(directory, zip::kVersionNeeded);
    zip::Put16(directory, r.flags);
    zip::Put16(directory, static_cast<std::uint16_t>(r.method));
    zip::Put16(directory, stamp_.time);
    zip::Put16(directory, stamp_.date);
    zip::Put32(directory, r.crc);
    zip::Put32(directory, r.compressed_size);
    zip::Put32(directory, r.uncompressed_size);
    zip::Put16(directory, static_cast<std::uint16_t>(r.name.size()));
    zip::Put16(directory, 0);  // extra field length
    zip::Put16(directory, 0);  // comment length
    zip::Put16(directory, 0);  // disk number
    zip::Put16(directory, 0);  // internal attributes
    zip::Put32(directory, r.external_attributes);
    zip::Put32(directory, r.local_header_offset);
    directory += r.name;
  }
  if (offset_ + directory.size() > kMaxOffset) {
    throw std::length_error("ZIP archive larger than 4 GiB");
  }
  std::string end;
  const auto count = static_cast<std::uint16_t>(records_.size());
  zip::Put32(end, zip::kEndRecordSignature);
  zip::Put16(end, 0);  // this disk
  zip::Put16(end, 0);  // disk holding the central directory
  zip::Put16(end, count);
  zip::Put16(end, count);
  zip::Put32(end, static_cast<std::uint32_t>(directory.size()));
  zip::Put32(end, directory_offset);
  zip::Put16(end, 0);  // comment length
  Write(directory);
  Write(end);
  out_.flush();
  if (!out_) throw std::runtime_error("writing the ZIP archive failed");
  finished_ = true;
}

void ZipWriter::Write(std::string_view bytes) {
  out_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out_) throw std::runtime_error("writing the ZIP archive failed");
  offset_ += bytes.size();
}

}  // namespace payload
