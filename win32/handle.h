// Owning wrappers for Win32 handles: each is closed exactly once, by its owner's destructor.
#pragma once

#include <windows.h>

#include <utility>

namespace win32 {

// Traits name the handle type, the value that means "none" and how to close one.
template <class Traits>
class UniqueHandle {
 public:
  using Value = typename Traits::Value;

  UniqueHandle() = default;
  explicit UniqueHandle(Value value) : value_(value) {}
  UniqueHandle(UniqueHandle&& other) noexcept : value_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    reset(other.release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { reset(); }

  Value get() const { return value_; }
  explicit operator bool() const { return value_ != Traits::None(); }

  // Gives up ownership, for a caller that closes the handle itself and checks the result.
  Value release() { return std::exchange(value_, Traits::None()); }
  void reset(Value value = Traits::None()) {
    Value old = std::exchange(value_, value);
    if (old != Traits::None()) Traits::Close(old);
  }

 private:
  Value value_ = Traits::None();
};

// An open file, as CreateFileW returns it.
struct FileTraits {
  using Value = HANDLE;
  static Value None() { return INVALID_HANDLE_VALUE; }
  static void Close(Value value) { CloseHandle(value); }
};
using FileHandle = UniqueHandle<FileTraits>;

// A module this program loaded itself.
struct ModuleTraits {
  using Value = HMODULE;
  static Value None() { return nullptr; }
  static void Close(Value value) { FreeLibrary(value); }
};
using ModuleHandle = UniqueHandle<ModuleTraits>;

// Memory the system allocated with LocalAlloc for the caller: security descriptors, SIDs.
struct LocalMemoryTraits {
  using Value = HLOCAL;
  static Value None() { return nullptr; }
  static void Close(Value value) { LocalFree(value); }
};
using LocalMemory = UniqueHandle<LocalMemoryTraits>;

}  // namespace win32
