#include "win32/timer.h"

#include <utility>

#include "install/failure.h"

namespace win32 {

Timer::Timer(std::string name, HWND window, UINT_PTR id, UINT interval_ms, bool enabled)
    : name_(std::move(name)),
      window_(window),
      id_(id),
      interval_ms_(interval_ms),
      enabled_(enabled) {}

Timer::~Timer() {
  if (started_ && enabled_) KillTimer(window_, id_);
}

void Timer::Start() {
  started_ = true;
  if (enabled_) Arm();
}

void Timer::SetEnabled(bool enabled) {
  enabled_ = enabled;
  if (!started_) return;
  // Setting it again restarts the interval, as a fresh start does.
  KillTimer(window_, id_);
  if (enabled_) Arm();
}

void Timer::Arm() {
  if (!SetTimer(window_, id_, interval_ms_, nullptr)) {
    enabled_ = false;
    throw install::Failure("无法启动定时器");
  }
}

}  // namespace win32
