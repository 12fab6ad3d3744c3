// Files for the tests: whole-file reads and a temporary folder that goes away with the test.
#pragma once

#include <string>
#include <string_view>

namespace test_files {

// The bytes of a file (UTF-8 path); throws if it cannot be read.
std::string ReadBytes(const std::string& path);

// A new folder, named with Chinese characters so that paths show whether they reach the system
// as UTF-16, under the system's temporary folder; removed with its content at the end.
class TemporaryFolder {
 public:
  TemporaryFolder();
  ~TemporaryFolder();
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;

  const std::string& path() const { return path_; }
  // The path of an entry in the folder.
  std::string operator/(std::string_view name) const { return path_ + "\\" + std::string(name); }

 private:
  std::string outer_;
  std::string path_;
};

}  // namespace test_files
