// Failures of Win32 calls, in the words the user reads.
#pragma once

#include <windows.h>

#include <string>

#include "install/failure.h"

namespace win32 {

// The system's explanation of an error code in the user's language, without the line break it
// ends with. Never empty: a code the system cannot explain, and 0 (a call that failed without
// saying why), still get a text naming the code.
std::string SystemReason(DWORD code);

// A path or name as failure messages show it: in double quotes.
std::string Quoted(const std::string& text);

// A failed call: what could not be done, a full-width colon, then the system's reason, e.g.
//   无法创建文件 "d:\duzozudiv\7z.exe"：拒绝访问。
// Take the code from GetLastError on the line right after the failing call, before anything
// else can overwrite it.
class SystemError : public install::Failure {
 public:
  SystemError(const std::string& failure, DWORD code);
  DWORD code() const { return code_; }

 private:
  DWORD code_;
};

}  // namespace win32
