// Time for the test doubles: it passes only when a double sleeps, and then at once.
#pragma once

#include <cstdint>
#include <functional>
#include <map>

namespace doubles {

class VirtualClock {
 public:
  std::uint64_t now() const { return now_; }
  // Runs what is due at a moment once the clock has reached it.
  void At(std::uint64_t moment, std::function<void()> action) {
    due_.emplace(moment, std::move(action));
  }
  void Advance(std::uint64_t milliseconds) {
    const std::uint64_t end = now_ + milliseconds;
    while (!due_.empty() && due_.begin()->first <= end) {
      auto next = due_.extract(due_.begin());
      now_ = std::max(now_, next.key());
      next.mapped()();
    }
    now_ = end;
  }

 private:
  std::uint64_t now_ = 0;
  std::multimap<std::uint64_t, std::function<void()>> due_;
};

}  // namespace doubles
