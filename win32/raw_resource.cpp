#include "win32/raw_resource.h"

#include <windows.h>

#include "win32/text.h"

namespace win32 {

std::optional<std::string_view> FindRawResource(std::string_view name) {
  // Resource names are compared without regard to case by the system itself.
  const std::wstring wide = Wide(name);
  HRSRC found = FindResourceW(nullptr, wide.c_str(), MAKEINTRESOURCEW(10));
  if (!found) return std::nullopt;
  HGLOBAL loaded = LoadResource(nullptr, found);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) return std::nullopt;
  return std::string_view(static_cast<const char*>(bytes), SizeofResource(nullptr, found));
}

}  // namespace win32
