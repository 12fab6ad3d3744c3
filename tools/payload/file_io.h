// Whole-file reading and all-or-nothing file writing for the payload tools.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>

namespace payload {

// Throws std::runtime_error naming the file when it cannot be read.
std::string ReadWholeFile(const std::filesystem::path& path);

// Writes to "<path>.partial" and renames it to `path` on Commit(), so a failed run never
// leaves a complete-looking output behind; an uncommitted partial file is removed.
class OutputFile {
 public:
  explicit OutputFile(std::filesystem::path path);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  std::ostream& stream() { return stream_; }
  void Commit();

 private:
  std::filesystem::path path_;
  std::filesystem::path partial_;
  std::ofstream stream_;
  bool committed_ = false;
};

}  // namespace payload
