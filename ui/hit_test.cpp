#include "ui/hit_test.h"

namespace ui {
namespace {

bool IsWindowed(ControlKind kind) {
  return kind == ControlKind::TBCButtonFocus || kind == ControlKind::TComboBox ||
         kind == ControlKind::TMemo;
}

}  // namespace

const ControlDescription* TopmostAt(const WindowDescription& window, int x, int y,
                                    const std::function<bool(const ControlDescription&)>& visible) {
  const ControlDescription* found = nullptr;
  auto rank = [](const ControlDescription& control) {
    if (control.kind == ControlKind::TBCPanel) return 0;
    return IsWindowed(control.kind) ? 2 : 1;
  };
  for (const ControlDescription& control : window.controls) {
    if (control.kind == ControlKind::TTimer || !visible(control)) continue;
    bool inside = x >= control.left && x < control.left + control.width && y >= control.top &&
                  y < control.top + control.height;
    if (inside && (!found || rank(control) >= rank(*found))) found = &control;
  }
  return found;
}

}  // namespace ui
