#include "install/payload_catalogue.h"

#include "install/failure.h"

namespace install {
namespace {

constexpr std::uint32_t kLocalHeaderSignature = 0x04034b50;
constexpr std::uint32_t kCentralHeaderSignature = 0x02014b50;
constexpr std::uint32_t kEndRecordSignature = 0x06054b50;
constexpr std::uint64_t kLocalHeaderSize = 30;
constexpr std::uint64_t kCentralHeaderSize = 46;
constexpr std::uint64_t kEndRecordSize = 22;
constexpr std::uint64_t kMaxCommentSize = 0xffff;
constexpr std::uint16_t kFlagEncrypted = 1u << 0;
constexpr std::uint16_t kFlagUtf8Names = 1u << 11;
constexpr std::uint16_t kMethodStored = 0;
// Traditional ZIP encryption puts this many header bytes before an entry's data.
constexpr std::uint64_t kEncryptionHeaderSize = 12;

[[noreturn]] void Damaged(const std::string& what) { throw Failure("安装包已损坏：" + what); }

std::string Entry(std::uint64_t index) { return "第 " + std::to_string(index + 1) + " 个条目"; }

// Little-endian fields of the archive. Callers check every offset against the archive's end
// first; reading outside it anyway would throw rather than touch foreign memory.
class Fields {
 public:
  explicit Fields(std::string_view bytes) : bytes_(bytes) {}
  std::uint16_t U16(std::uint64_t at) const {
    return static_cast<std::uint16_t>(Byte(at) | Byte(at + 1) << 8);
  }
  std::uint32_t U32(std::uint64_t at) const {
    return U16(at) | static_cast<std::uint32_t>(U16(at + 2)) << 16;
  }
  std::string_view Span(std::uint64_t at, std::uint64_t size) const {
    return bytes_.substr(static_cast<std::size_t>(at), static_cast<std::size_t>(size));
  }

 private:
  std::uint32_t Byte(std::uint64_t at) const {
    return static_cast<unsigned char>(bytes_.at(static_cast<std::size_t>(at)));
  }
  std::string_view bytes_;
};

// The end record lies at the very end, followed only by its comment.
std::uint64_t FindEndRecord(const Fields& zip, std::uint64_t size) {
  if (size < kEndRecordSize) Damaged("文件太短，不是 ZIP 压缩包");
  const std::uint64_t lowest =
      size > kEndRecordSize + kMaxCommentSize ? size - kEndRecordSize - kMaxCommentSize : 0;
  for (std::uint64_t at = size - kEndRecordSize;; --at) {
    if (zip.U32(at) == kEndRecordSignature && at + kEndRecordSize + zip.U16(at + 20) == size)
      return at;
    if (at == lowest) Damaged("找不到中央目录的结束记录（压缩包不完整）");
  }
}

// The entry's local header and data must lie before the central directory.
void CheckLocalData(const Fields& zip, std::uint64_t index, std::uint64_t local,
                    std::uint64_t compressed, std::uint64_t directory) {
  if (local + kLocalHeaderSize > directory || zip.U32(local) != kLocalHeaderSignature)
    Damaged(Entry(index) + "的本地头位置不对");
  const std::uint64_t data = local + kLocalHeaderSize + zip.U16(local + 26) + zip.U16(local + 28);
  if (data + compressed > directory) Damaged(Entry(index) + "的数据超出了范围");
}

}  // namespace

std::vector<PayloadFile> ReadPayloadCatalogue(std::string_view archive) {
  const Fields zip(archive);
  const std::uint64_t size = archive.size();
  const std::uint64_t end = FindEndRecord(zip, size);
  const std::uint16_t entries = zip.U16(end + 10);
  const std::uint64_t directory_size = zip.U32(end + 12);
  const std::uint64_t directory = zip.U32(end + 16);
  if (zip.U16(end + 4) != 0 || zip.U16(end + 6) != 0 || zip.U16(end + 8) != entries)
    Damaged("分卷压缩包不受支持");
  if (entries == 0xffff || directory_size == 0xffffffff || directory == 0xffffffff)
    Damaged("ZIP64 压缩包不受支持");
  if (directory + directory_size != end) Damaged("中央目录与结束记录不符");

  std::vector<PayloadFile> files;
  std::uint64_t at = directory;
  for (std::uint64_t index = 0; index < entries; ++index) {
    if (at + kCentralHeaderSize > end || zip.U32(at) != kCentralHeaderSignature)
      Damaged(Entry(index) + "的目录记录缺失或损坏");
    const std::uint16_t flags = zip.U16(at + 8);
    const std::uint16_t method = zip.U16(at + 10);
    const std::uint32_t crc32 = zip.U32(at + 16);
    const std::uint64_t compressed = zip.U32(at + 20);
    const std::uint32_t uncompressed = zip.U32(at + 24);
    const std::uint64_t name_size = zip.U16(at + 28);
    const std::uint64_t record_size =
        kCentralHeaderSize + name_size + zip.U16(at + 30) + zip.U16(at + 32);
    const std::uint64_t local = zip.U32(at + 42);
    if (at + record_size > end) Damaged(Entry(index) + "的目录记录超出了中央目录");
    if (name_size == 0) Damaged(Entry(index) + "没有名称");
    if (flags & kFlagUtf8Names) Damaged(Entry(index) + "的名称标为 UTF-8，而不是 GBK");
    CheckLocalData(zip, index, local, compressed, directory);
    const std::string_view name = zip.Span(at + kCentralHeaderSize, name_size);
    at += record_size;
    if (name.back() == '/') continue;
    // A stored entry's data is the file itself, behind the encryption header if any.
    const std::uint64_t overhead = (flags & kFlagEncrypted) ? kEncryptionHeaderSize : 0;
    if (method == kMethodStored && compressed != uncompressed + overhead)
      Damaged(Entry(index) + "的大小前后矛盾");
    files.push_back({std::string(name), uncompressed, crc32});
  }
  if (at != end) Damaged("中央目录的大小与条目不符");
  return files;
}

}  // namespace install
