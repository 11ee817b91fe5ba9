// Move-only owners for Win32 handles. Both NULL and INVALID_HANDLE_VALUE count
// as empty; closing keeps the thread's last error intact, so a caller can
// read GetLastError after an owner went out of scope.
#pragma once

#include <windows.h>

#include <utility>

namespace tarifex {

template <class Traits>
class ScopedHandle {
 public:
  using Handle = typename Traits::Handle;

  ScopedHandle() = default;
  explicit ScopedHandle(Handle h) : handle_(h) {}
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.release()) {}
  ScopedHandle& operator=(ScopedHandle&& other) noexcept {
    reset(other.release());
    return *this;
  }
  ~ScopedHandle() { reset(); }

  bool valid() const { return Traits::IsValid(handle_); }
  explicit operator bool() const { return valid(); }
  Handle get() const { return handle_; }
  Handle* receive() {
    reset();
    return &handle_;
  }
  Handle release() { return std::exchange(handle_, Traits::Null()); }
  void reset(Handle h = Traits::Null()) {
    if (Traits::IsValid(handle_)) {
      const DWORD error = GetLastError();
      Traits::Close(handle_);
      SetLastError(error);
    }
    handle_ = h;
  }

 private:
  Handle handle_ = Traits::Null();
};

struct KernelHandleTraits {
  using Handle = HANDLE;
  static Handle Null() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { CloseHandle(h); }
};

struct FindHandleTraits {
  using Handle = HANDLE;
  static Handle Null() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { FindClose(h); }
};

struct RegKeyTraits {
  using Handle = HKEY;
  static Handle Null() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { RegCloseKey(h); }
};

struct ModuleTraits {
  using Handle = HMODULE;
  static Handle Null() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { FreeLibrary(h); }
};

using ScopedFile = ScopedHandle<KernelHandleTraits>;      // files and mappings
using ScopedProcess = ScopedHandle<KernelHandleTraits>;   // processes and threads
using ScopedSnapshot = ScopedHandle<KernelHandleTraits>;  // ToolHelp snapshots
using ScopedFind = ScopedHandle<FindHandleTraits>;
using ScopedRegKey = ScopedHandle<RegKeyTraits>;
using ScopedModule = ScopedHandle<ModuleTraits>;

}  // namespace tarifex
