// Included ahead of every source of GoogleTest and of the tests in the Windows builds. Those
// use the compilers' native Windows thread model, whose runtime (GCC 12) has no std::mutex or
// std::condition_variable; GoogleTest needs them only for its Notification, with which it
// starts threads of its own for its own tests. None of ours starts a thread, so a plain flag
// stands in for it.
#pragma once

#include <atomic>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing::internal {

class Notification {
 public:
  void Notify() { notified_ = true; }
  void WaitForNotification() {
    while (!notified_) {
    }
  }

 private:
  std::atomic<bool> notified_{false};
};

}  // namespace testing::internal
