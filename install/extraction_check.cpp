#include "install/extraction_check.h"

#include <set>

#include "install/failure.h"

namespace install {
namespace {

// Pending events are handled at least this often while the files are read.
constexpr std::uint64_t kPumpEveryMs = 50;

struct ExpectedFile {
  std::string path;
  std::uint64_t size;
  std::uint32_t crc32;
  bool right = false;
};

// What one pass saw; any difference from the pass before counts as progress.
struct Seen {
  std::size_t right = 0;
  std::size_t present = 0;
  std::uint64_t bytes = 0;
  bool operator==(const Seen&) const = default;
};

[[noreturn]] void Fail(const std::string& reason = "") {
  throw Failure(reason.empty() ? kExtractionFailedText
                               : std::string(kExtractionFailedText) + "：" + reason);
}

// The archive program names each file by its GBK name under the output folder, with '/' as
// '\'. A name that could land elsewhere (a parent step, a drive) is refused outright.
std::string PathOf(const std::string& target, const std::string& name, OperatingSystem& os,
                   std::set<std::string>& folders) {
  std::string decoded;
  try {
    decoded = os.DecodeGbk(name);
  } catch (const Failure&) {
    Fail("安装包中有无效的文件名");
  }
  std::string path = target;
  std::size_t start = 0;
  while (true) {
    const std::size_t slash = decoded.find('/', start);
    const std::string part = decoded.substr(start, slash - start);
    if (part.empty() || part == "." || part == ".." ||
        part.find_first_of("\\:") != std::string::npos)
      Fail("安装包中有不安全的文件名");
    path += part;
    if (slash == std::string::npos) return path;
    path += '\\';
    folders.insert(path);
    start = slash + 1;
  }
}

class Check {
 public:
  Check(const std::vector<PayloadFile>& files, const std::string& target, EventPump& window,
        OperatingSystem& os)
      : window_(window), os_(os) {
    folders_.insert(target);
    for (const PayloadFile& file : files)
      files_.push_back({PathOf(target, file.name, os, folders_), file.size, file.crc32});
  }

  bool Done(const Seen& seen) const { return seen.right == files_.size(); }

  Seen Pass() {
    for (const std::string& folder : folders_)
      if (os_.IsLink(folder)) Fail();
    Seen seen;
    std::uint64_t pumped = os_.Milliseconds();
    for (ExpectedFile& file : files_) {
      if (file.right) {
        Count(file.size, seen);
        ++seen.right;
      } else {
        Look(file, seen);
      }
      // Reading tens of megabytes takes a moment; the window keeps answering meanwhile.
      if (os_.Milliseconds() - pumped >= kPumpEveryMs) {
        window_.ProcessMessages();
        pumped = os_.Milliseconds();
      }
    }
    return seen;
  }

 private:
  // Only a file of the full size is read: one still being written would be read in vain.
  void Look(ExpectedFile& file, Seen& seen) {
    const std::optional<std::uint64_t> size = os_.FileSize(file.path);
    if (!size) return;
    Count(*size, seen);
    if (*size != file.size) return;
    const std::optional<FileDigest> digest = os_.ReadDigest(file.path);
    file.right = digest && digest->size == file.size && digest->crc32 == file.crc32;
    if (file.right) ++seen.right;
  }

  static void Count(std::uint64_t size, Seen& seen) {
    ++seen.present;
    seen.bytes += size;
  }

  EventPump& window_;
  OperatingSystem& os_;
  std::set<std::string> folders_;
  std::vector<ExpectedFile> files_;
};

}  // namespace

void AwaitExtractedFiles(const std::vector<PayloadFile>& files, const std::string& target,
                         EventPump& window, OperatingSystem& os) {
  Check check(files, target, window, os);
  const std::uint64_t start = os.Milliseconds();
  std::uint64_t changed = start;
  Seen last = check.Pass();
  while (!check.Done(last)) {
    const std::uint64_t now = os.Milliseconds();
    if (now - changed >= kCheckStallMs || now - start >= kCheckLimitMs) Fail();
    os.Sleep(kCheckIntervalMs);
    window.ProcessMessages();
    const Seen seen = check.Pass();
    if (!(seen == last)) changed = os.Milliseconds();
    last = seen;
  }
}

}  // namespace install
