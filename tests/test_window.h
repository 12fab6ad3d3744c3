// A TMain on the test doubles, with the user's common moves.
#pragma once

#include <memory>

#include "tests/doubles/memory_system.h"
#include "tests/doubles/recording_toolkit.h"
#include "ui/main_window.h"

namespace doubles {

struct TestWindow {
  VirtualClock clock;
  RecordingToolkit toolkit{&clock};
  MemorySystem os{clock};
  std::unique_ptr<ui::TMain> main;

  void Open() { main = std::make_unique<ui::TMain>(toolkit, os); }
  ControlState& operator[](const std::string& name) { return toolkit.state(name); }
  // Ten ticks, Agree, one more tick: the window is ready to install.
  void Agree() {
    for (int tick = 0; tick < 10; ++tick) toolkit.Tick();
    toolkit.Click("btnAgree");
    toolkit.Tick();
  }
};

}  // namespace doubles
