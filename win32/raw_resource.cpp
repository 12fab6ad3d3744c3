#include "win32/raw_resource.h"

#include <string>

#include "win32/system_error.h"
#include "win32/text.h"

namespace win32 {

std::optional<std::string_view> FindRawResource(HMODULE module, std::string_view name) {
  // The system compares resource names without regard to letter case.
  HRSRC found = FindResourceW(module, Wide(name).c_str(), RT_RCDATA);
  if (!found) return std::nullopt;
  HGLOBAL loaded = LoadResource(module, found);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  DWORD size = 0;
  if (bytes) {
    // Zero is also the size of an empty resource: only a reported error makes it a failure.
    SetLastError(ERROR_SUCCESS);
    size = SizeofResource(module, found);
  }
  const DWORD code = GetLastError();
  if (!bytes || (size == 0 && code != ERROR_SUCCESS))
    throw SystemError("无法读取资源 " + Quoted(std::string(name)), code);
  return std::string_view(static_cast<const char*>(bytes), size);
}

}  // namespace win32
