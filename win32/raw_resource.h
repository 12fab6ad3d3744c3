// Raw-data resources (type 10) of the program file, read in place from the mapped image.
#pragma once

#include <optional>
#include <string_view>

namespace win32 {

// The bytes of the named resource of the running program, found without regard to letter
// case; nothing if there is none. The bytes stay valid for the life of the process.
std::optional<std::string_view> FindRawResource(std::string_view name);

}  // namespace win32
