// A timer of the window: the window's WM_TIMER with the timer's id is one tick.
#pragma once

#include <windows.h>

#include <string>

#include "ui/toolkit.h"

namespace win32 {

class Timer final : public ui::TTimer {
 public:
  // Not yet running: Start() begins the ticks, once the window is ready for them.
  Timer(std::string name, HWND window, UINT_PTR id, UINT interval_ms, bool enabled);
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;
  ~Timer() override;

  const std::string& name() const { return name_; }
  UINT_PTR id() const { return id_; }
  // Ticks from now on while enabled; until then Enabled only records the choice.
  void Start();

  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool enabled) override;

 private:
  void Arm();

  std::string name_;
  HWND window_;
  UINT_PTR id_;
  UINT interval_ms_;
  bool enabled_;
  bool started_ = false;
};

}  // namespace win32
