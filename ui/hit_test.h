// Which control a click at a point of the window reaches. Controls lie on their panel;
// windowed controls (those that are windows of their own) lie above drawn ones, and within each
// group a later control lies above an earlier one.
#pragma once

#include <functional>

#include "ui/window_description.h"

namespace ui {

// The topmost control under the point (client coordinates) among those for which visible()
// holds; a panel only where none of its controls is. nullptr where there is none.
const ControlDescription* TopmostAt(const WindowDescription& window, int x, int y,
                                    const std::function<bool(const ControlDescription&)>& visible);

}  // namespace ui
