#include "file_io.h"

#include <cerrno>
#include <cstring>
#include <iterator>
#include <stdexcept>
#include <system_error>

namespace payload {

std::string ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    throw std::runtime_error("cannot open " + path.string() + ": " + std::strerror(errno));
  }
  std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) throw std::runtime_error("cannot read " + path.string());
  return bytes;
}

OutputFile::OutputFile(std::filesystem::path path)
    : path_(std::move(path)), partial_(path_.string() + ".partial") {
  stream_.open(partial_, std::ios::binary | std::ios::trunc);
  if (!stream_) {
    throw std::runtime_error("cannot create " + partial_.string() + ": " + std::strerror(errno));
  }
}

OutputFile::~OutputFile() {
  if (committed_) return;
  stream_.close();
  std::error_code ignored;  // Best effort while unwinding; the original error is reported.
  std::filesystem::remove(partial_, ignored);
}

void OutputFile::Commit() {
  stream_.close();
  if (!stream_) throw std::runtime_error("cannot write " + partial_.string());
  std::filesystem::rename(partial_, path_);  // throws filesystem_error with both paths
  committed_ = true;
}

}  // namespace payload
