// The one kind of failure the installer throws: its text (UTF-8, Chinese) is what the user is
// shown. It derives from std::exception alone, so that the program needs none of the library's
// reference-counted string machinery that std::runtime_error carries.
#pragma once

#include <exception>
#include <string>
#include <utility>

namespace install {

class Failure : public std::exception {
 public:
  explicit Failure(std::string text) : text_(std::move(text)) {}
  const char* what() const noexcept override { return text_.c_str(); }

 private:
  std::string text_;
};

}  // namespace install
