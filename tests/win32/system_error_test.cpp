#include "win32/system_error.h"

#include <gtest/gtest.h>

namespace {

TEST(SystemReason, IsTheSystemsTextWithoutItsLineBreak) {
  for (DWORD code : {ERROR_ACCESS_DENIED, ERROR_PATH_NOT_FOUND, ERROR_SHARING_VIOLATION}) {
    const std::string reason = win32::SystemReason(code);
    ASSERT_FALSE(reason.empty()) << code;
    EXPECT_EQ(reason.find("错误代码"), std::string::npos) << reason;  // explained, not numbered
    EXPECT_EQ(reason.find_last_not_of(" \t\r\n"), reason.size() - 1) << reason;
  }
}

TEST(SystemReason, NamesCodesTheSystemCannotExplain) {
  // A call that failed without setting an error must not read as a success.
  EXPECT_NE(win32::SystemReason(ERROR_SUCCESS).find("错误代码 0"), std::string::npos);
  EXPECT_EQ(win32::SystemReason(0x2000FFFF), "错误代码 536936447");
}

TEST(SystemError, StatesTheFailureThenTheReason) {
  const win32::SystemError error("无法创建文件 \"d:\\duzozudiv\\7z.exe\"", ERROR_ACCESS_DENIED);
  EXPECT_EQ(std::string(error.what()),
            "无法创建文件 \"d:\\duzozudiv\\7z.exe\"：" + win32::SystemReason(ERROR_ACCESS_DENIED));
  EXPECT_EQ(error.code(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

}  // namespace
