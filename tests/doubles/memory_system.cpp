#include "tests/doubles/memory_system.h"

#include "install/crc32.h"
#include "install/failure.h"
#include "install/scripts.h"
#include "tests/doubles/code_page_936.h"

namespace doubles {

const std::map<std::string, std::string> kExtractedFiles = {
    {"澄岚汽车用品销售工作系统.exe", "MZ main program"},
    {"客户端\\配置.ini", "[server]\r\nport=8620\r\n"}};

namespace {

std::string Parent(const std::string& path) {
  std::string trimmed = path;
  if (!trimmed.empty() && trimmed.back() == '\\') trimmed.pop_back();
  std::size_t slash = trimmed.rfind('\\');
  return slash == std::string::npos ? "" : trimmed.substr(0, slash + 1);
}

std::string AsFolder(std::string path) {
  if (path.empty() || path.back() != '\\') path += '\\';
  return path;
}

class MemoryResource : public install::Resource {
 public:
  MemoryResource(MemorySystem& os, std::string name, std::string_view bytes)
      : os_(os), name_(std::move(name)), bytes_(bytes) {
    ++os_.open_resources;
    os_.log.push_back("resource " + name_);
  }
  ~MemoryResource() override {
    --os_.open_resources;
    os_.log.push_back("release " + name_);
  }
  std::string_view Bytes() const override { return bytes_; }

 private:
  MemorySystem& os_;
  std::string name_;
  std::string_view bytes_;
};

}  // namespace

MemorySystem::MemorySystem(VirtualClock& clock) : clock_(clock) {}

void MemorySystem::AddDrive(const std::string& drive, bool read_only) {
  directories.insert(drive + "\\");
  if (read_only) read_only_drives.insert(drive);
}

std::vector<std::string> MemorySystem::Logged(const std::string& verb) const {
  std::vector<std::string> paths;
  for (const std::string& entry : log)
    if (entry.rfind(verb + " ", 0) == 0) paths.push_back(entry.substr(verb.size() + 1));
  return paths;
}

std::unique_ptr<install::Resource> MemorySystem::OpenResource(std::string_view name) {
  std::string upper(name);
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  auto found = resources.find(upper);
  if (found == resources.end()) throw install::Failure("找不到资源 \"" + std::string(name) + "\"");
  return std::make_unique<MemoryResource>(*this, upper, found->second);
}

bool MemorySystem::Writable(const std::string& path) const {
  return directories.contains(Parent(path)) && !read_only_drives.contains(path.substr(0, 2));
}

bool MemorySystem::Fits(const std::string& path, std::size_t size) const {
  auto limit = capacity.find(path.substr(0, 2));
  if (limit == capacity.end()) return true;
  std::uint64_t used = 0;
  for (const auto& [other, bytes] : files)
    if (other != path && other.starts_with(limit->first)) used += bytes.size();
  return used + size <= limit->second;
}

// A write that does not fit fails part-way: like the real one, it takes the truncated file
// away before it reports.
install::FileIdentity MemorySystem::WriteFile(const std::string& path, std::string_view bytes) {
  if (!Writable(path) || directories.contains(AsFolder(path)))
    throw install::Failure("无法创建文件 \"" + path + "\"：拒绝访问。");
  if (!Fits(path, bytes.size())) {
    files.erase(path);
    throw install::Failure("无法写入文件 \"" + path + "\"：磁盘空间不足。");
  }
  log.push_back("write " + path);
  Replace(path, std::string(bytes));
  return identities_.at(path);
}

install::FileIdentity MemorySystem::SaveLines(const std::string& path,
                                              const std::vector<std::string>& lines) {
  const install::FileIdentity written = WriteFile(path, install::ScriptBytes(lines));
  log.back() = "save " + path;
  return written;
}

void MemorySystem::Replace(const std::string& path, std::string bytes) {
  files[path] = std::move(bytes);
  links.erase(path);
  identities_[path] = {1, next_index_++};
}

void MemorySystem::MakeDirectory(const std::string& path) {
  log.push_back("mkdir " + path);
  if (Writable(path) && directories.insert(AsFolder(path)).second)
    protected_folders.insert(AsFolder(path));
}

install::FolderFacts MemorySystem::InspectFolder(const std::string& path) {
  auto found = folder_facts.find(AsFolder(path));
  if (found != folder_facts.end()) return found->second;
  install::FolderFacts facts;
  facts.exists = directories.contains(AsFolder(path));
  facts.owner =
      facts.exists ? install::FolderOwner::kAdministrators : install::FolderOwner::kUnknown;
  return facts;
}

bool MemorySystem::EntryExists(const std::string& path) {
  return files.contains(path) || links.contains(path) || directories.contains(AsFolder(path));
}

void MemorySystem::ProtectFolder(const std::string& path) {
  if (protect_fails || !directories.contains(AsFolder(path)) || InspectFolder(path).reparse_point)
    throw install::Failure("无法设置文件夹 \"" + path + "\" 的权限：拒绝访问。");
  log.push_back("protect " + path);
  protected_folders.insert(AsFolder(path));
  folder_facts.erase(AsFolder(path));  // now the Administrators'
  if (after_protect) after_protect();
}

void MemorySystem::RestoreFolderSecurity(const std::string& path) {
  if (restore_fails) throw install::Failure("无法恢复文件夹 \"" + path + "\" 的权限");
  log.push_back("restore " + path);
  protected_folders.erase(AsFolder(path));
}

bool MemorySystem::DirectoryExists(const std::string& path) {
  if (path.size() == 3) log.push_back("probe " + path);
  return directories.contains(AsFolder(path));
}

bool MemorySystem::FileExists(const std::string& path) { return files.contains(path); }

void MemorySystem::OpenHidden(const std::string& path) {
  log.push_back("open " + path);
  if (path.ends_with("\\un7zip_duzozudiv.bat")) StartExtraction(path);
}

std::optional<std::uint64_t> MemorySystem::FileSize(const std::string& path) {
  auto found = files.find(path);
  if (found == files.end() || links.contains(path)) return std::nullopt;
  return found->second.size();
}

std::optional<install::FileDigest> MemorySystem::ReadDigest(const std::string& path) {
  if (!FileSize(path)) return std::nullopt;
  log.push_back("read " + path);
  const std::string& bytes = files.at(path);
  return install::FileDigest{bytes.size(), install::Crc32(bytes)};
}

std::string MemorySystem::DecodeGbk(std::string_view gbk) { return FromGbk(gbk); }

void MemorySystem::RemoveFile(const std::string& path,
                              const std::optional<install::FileIdentity>& written) {
  if (undeletable.contains(path) || links.contains(path)) return;
  const auto identity = identities_.find(path);
  if (written && (identity == identities_.end() || identity->second != *written)) return;
  log.push_back("delete " + path);
  files.erase(path);
}

// The script's last line names the output folder after "-o"; the archive's top folder appears
// there, and later the setup probe inside it.
void MemorySystem::StartExtraction(const std::string& script) {
  const std::string& text = files.at(script);
  std::size_t output = text.rfind("-o");
  if (output == std::string::npos) return;
  const std::string target = text.substr(output + 2, text.find("\r\n", output) - output - 2);
  const std::string extracted = target + "duzozudiv\\";
  const std::uint64_t now = clock_.now();
  if (extraction.folder_after_ms) {
    clock_.At(now + *extraction.folder_after_ms, [this, extracted] {
      directories.insert(extracted);
      for (const auto& [path, bytes] : kExtractedFiles) {
        directories.insert(Parent(extracted + path));
        files[extracted + path] = bytes;
      }
    });
  }
  if (extraction.folder_after_ms && extraction.probe_after_ms) {
    clock_.At(now + *extraction.probe_after_ms,
              [this, extracted] { files[extracted + "zerarivur.exe"] = kProbeContent; });
  }
}

}  // namespace doubles
