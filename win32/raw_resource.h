// Raw-data resources (RT_RCDATA) of a module, read in place from its mapped image.
#pragma once

#include <windows.h>

#include <optional>
#include <string_view>

namespace win32 {

// The bytes of the named resource of `module` (null: the running program), found without
// regard to letter case; nothing if there is none. Throws if it is there but cannot be read.
// The bytes stay valid while the module is loaded.
std::optional<std::string_view> FindRawResource(HMODULE module, std::string_view name);

}  // namespace win32
