// The common controls library, whose window subclassing the toolkit uses and whose classes
// draw the native controls (themed, when the program's manifest asks for its version 6).
#pragma once

#include <windows.h>

namespace win32 {

// Registers the library's standard control classes for this process.
void PrepareCommonControls();

}  // namespace win32
