// Reads the stored window layout: a small line-based text format, UTF-8.
//
//   # a comment
//   form TMain                 a block: a header line at the left margin ...
//     caption "安装向导"        ... and its properties, indented: a key and its values
//
// Values are bare words (numbers, names, #RRGGBB colours, true/false) or double-quoted
// strings, which keep spaces and backslashes as they stand and cannot hold a double quote.
// Blocks: "form <class>", "control <name> <kind>", "button-style <name>", "panel-style <name>".
#pragma once

#include <string>
#include <string_view>

#include "ui/window_description.h"

namespace ui {

// Throws install::Failure naming the line for an unknown block, kind, key or style, a value
// of the wrong form, or a missing required property.
WindowDescription ParseLayout(std::string_view text);
// Throws install::Failure naming the line of the stored layout, for the faults found when the
// layout is parsed and when a window is built from it.
[[noreturn]] void FailAtLine(int line, const std::string& what);

}  // namespace ui
