#include "gbk.h"

#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace payload {
namespace {

class Converter {
 public:
  Converter(const char* to, const char* from) : handle_(iconv_open(to, from)) {
    if (handle_ == reinterpret_cast<iconv_t>(-1)) {
      throw std::runtime_error(std::string("iconv cannot convert from ") + from + " to " + to +
                               ": " + std::strerror(errno));
    }
  }
  ~Converter() { iconv_close(handle_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Returns false when the input holds a sequence that is invalid or has no equivalent.
  // Both encodings are stateless, so no final flush is needed.
  bool Convert(std::string_view input, std::string& output) {
    std::string in(input);
    char* in_ptr = in.data();
    std::size_t in_left = in.size();
    output.assign(in.size() * 2 + 16, '\0');
    std::size_t used = 0;
    while (in_left > 0) {
      char* out_ptr = output.data() + used;
      std::size_t out_left = output.size() - used;
      const std::size_t rc = iconv(handle_, &in_ptr, &in_left, &out_ptr, &out_left);
      used = output.size() - out_left;
      if (rc == static_cast<std::size_t>(-1)) {
        if (errno != E2BIG) return false;
        output.resize(output.size() * 2);
      }
    }
    output.resize(used);
    return true;
  }

 private:
  iconv_t handle_;
};

std::string HexBytes(std::string_view bytes) {
  std::string hex;
  for (unsigned char c : bytes) {
    char buf[4];
    std::snprintf(buf, sizeof buf, "%s%02x", hex.empty() ? "" : " ", c);
    hex += buf;
  }
  return hex;
}

}  // namespace

std::string Utf8ToGbk(std::string_view utf8) {
  Converter converter("GBK", "UTF-8");
  std::string gbk;
  if (!converter.Convert(utf8, gbk)) {
    throw std::runtime_error("cannot convert \"" + std::string(utf8) +
                             "\" to GBK: invalid UTF-8 or a character GBK lacks");
  }
  return gbk;
}

std::string GbkToUtf8(std::string_view gbk) {
  Converter converter("UTF-8", "GBK");
  std::string utf8;
  if (!converter.Convert(gbk, utf8)) {
    throw std::runtime_error("bytes [" + HexBytes(gbk) + "] are not valid GBK text");
  }
  return utf8;
}

}  // namespace payload
