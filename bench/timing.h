// Timing helpers of the benchmark programs.
#pragma once

#include <algorithm>
#include <chrono>
#include <vector>

namespace bench {

// How long the action takes, in seconds of the steady clock.
template <class Action>
double Seconds(Action action) {
  const auto start = std::chrono::steady_clock::now();
  action();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The middle value of the rounds: one disturbed round does not move it.
inline double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace bench
